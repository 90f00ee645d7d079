// Both report jobs from start to end on a real store against a real FTP server: every activity-log
// line, every progress step, the files on both sides and the settings they leave behind; started
// by the run-now operation and by the scheduler tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/scheduler.h"
#include "btrieve/operation.h"
#include "integration/report_jobs_fixture.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "settings/sm_settings.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// What pyftpdlib stores from an ASCII upload: every CR LF as LF.
std::string AsStoredInAscii(std::string bytes) {
  std::erase(bytes, '\r');
  return bytes;
}

KEZ_ON_BOTH_ENGINES(ReportJobsTest);

TEST_P(ReportJobsTest, TheMarketingPortalJobSendsTheDaysThreeFilesInOrder) {
  StartServer();
  // The custom list is made elsewhere; the job sends it first when it is there.
  fs::create_directories(PortalFolder());
  std::ofstream(PortalFolder() / DayFile("KEZCustomList"), std::ios::binary) << "C100|A\r\n";

  ASSERT_TRUE(RunReportsNow(context_, /*marketing_portal=*/true, /*symphony_iri=*/false));

  EXPECT_EQ(LogMessages(),
            PortalLog({"Marketing Portal - Upload file: " + DayFile("KEZCustomList"),
                       "Marketing Portal - Upload file: " + DayFile("KEZSalesExtract"),
                       "Marketing Portal - Upload file: " + DayFile("KEZCustomersExtract"),
                       "Marketing Portal - Closing connection"}));
  EXPECT_EQ(ProgressSteps(),
            (Lines{"50 Marketing Portal 50%", "100 Marketing Portal 100%", "20 Setting Directory",
                   "40 Uploading File", "60 Uploading File", "80 Uploading File",
                   "99 Closing connection", "100 Marketing Portal - Complete"}));
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_EQ(host_.busy_changes, (std::vector<bool>{true, true, false, false}));

  // Binary mode: the server holds the very bytes, and the files stay where they were made.
  for (const char* prefix : {"KEZCustomList", "KEZSalesExtract", "KEZCustomersExtract"}) {
    const std::string local = Bytes(PortalFolder() / DayFile(prefix));
    EXPECT_FALSE(local.empty()) << prefix;
    EXPECT_EQ(Bytes(Received(0) / DayFile(prefix)), local) << prefix;
  }
  // Active mode and binary type from the report settings, one login, files in the list's order,
  // and nothing deleted or renamed on the server.
  const std::string log = server_->Log();
  EXPECT_NE(log.find("<- EPRT"), std::string::npos);
  EXPECT_EQ(log.find("<- EPSV"), std::string::npos);
  EXPECT_NE(log.find("<- TYPE I"), std::string::npos);
  EXPECT_EQ(server_->SessionCount(), 1);
  EXPECT_LT(log.find("STOR /portal/KEZCustomList"), log.find("STOR /portal/KEZSalesExtract"));
  EXPECT_LT(log.find("STOR /portal/KEZSalesExtract"), log.find("STOR /portal/KEZCustomersExt"));
  EXPECT_EQ(log.find("<- DELE"), std::string::npos);
  EXPECT_EQ(log.find("<- RNFR"), std::string::npos);

  // The invoice reached is the report's next start, saved with the settings; the voided sale 2
  // is not in the extract.
  EXPECT_EQ(context_.ReportSettings[0].Invoice, "0001004");
  std::vector<clsSettings> saved;
  LoadReportSettings(data_.path(), kRunMoment, saved);
  EXPECT_EQ(saved[0].Invoice, "0001004");
  const std::string sales = Bytes(PortalFolder() / DayFile("KEZSalesExtract"));
  EXPECT_EQ(sales.find("0001002"), std::string::npos);
  EXPECT_NE(sales.find("0001004"), std::string::npos);
}

TEST_P(ReportJobsTest, RunNowSendsTheSymphonyIriWeekAndMovesItsStartDateOn) {
  StartServer();
  ASSERT_TRUE(RunReportsNow(context_, /*marketing_portal=*/false, /*symphony_iri=*/true));

  const std::string address = server_->address();
  const std::string name = "movement.CCC.cc260112";
  EXPECT_EQ(LogMessages(),
            (Lines{"SymphonyIRI - Collecting data from database",
                   "SymphonyIRI - Saving data to file " + name,
                   "SymphonyIRI - Connecting To Web Site:  " + address,
                   "SymphonyIRI - Connected:  " + address, "SymphonyIRI - Set directory to: /iri",
                   "SymphonyIRI - Uploaded file: " + name,
                   "SymphonyIRI - Closed connection to:  " + address}));
  EXPECT_EQ(ProgressSteps(),
            (Lines{"0 SymphonyIRI Data 0%", "50 SymphonyIRI Data 50%", "0 Connecting to FTP Server",
                   "25 Setting Directory", "50 Uploading File", "75 Closing connection",
                   "100 SymphonyIRI suceeded"}));
  EXPECT_FALSE(host_.busy());

  // The initial passive mode and ASCII type; the week 5 to 11 January, the voided sale included.
  const std::string movement = Bytes(data_ / name);
  EXPECT_NE(movement.find("260105|00012|"), std::string::npos);
  EXPECT_NE(movement.find("260111|00012|"), std::string::npos);
  EXPECT_EQ(Bytes(Received(1) / name), AsStoredInAscii(movement));
  EXPECT_NE(server_->Log().find("<- EPSV"), std::string::npos);
  EXPECT_NE(server_->Log().find("<- TYPE A"), std::string::npos);

  // The start date was today: a week on, in memory and in portal.xml.
  const LocalDateTime next_week{2026, 1, 19, 0, 0, 0, 0};
  EXPECT_EQ(context_.ReportSettings[1].StartDate, next_week);
  std::vector<clsSettings> saved;
  LoadReportSettings(data_.path(), kRunMoment, saved);
  EXPECT_EQ(saved[1].StartDate, next_week);

  // A start date that is not today runs for that date and stays.
  ASSERT_TRUE(RunReportsNow(context_, false, true));
  EXPECT_EQ(context_.ReportSettings[1].StartDate, next_week);
  EXPECT_TRUE(fs::exists(Received(1) / "movement.CCC.cc260119"));
  EXPECT_TRUE(fs::exists(data_ / name));
}

// The tray program keeps its tables open from one job to the next, hours apart: when a job ends
// they give back the pages it read, and the next read takes what it needs again.
TEST_P(ReportJobsTest, TablesStayOpenAfterAJobButGiveBackThePagesItRead) {
  StartServer();
  ASSERT_TRUE(RunReportsNow(context_, /*marketing_portal=*/true, /*symphony_iri=*/true));
  auto cached = [&](int table) -> std::size_t {
    auto* handle = dynamic_cast<EngineTableHandle*>(
        context_.pos.VATable[static_cast<std::size_t>(table)].get());
    btrieve::File* file = handle != nullptr ? handle->table().file() : nullptr;
    return file != nullptr ? file->cached_bytes() : 0;
  };
  for (int table = 1; table < static_cast<int>(context_.pos.VATable.size()); ++table) {
    EXPECT_EQ(cached(table), 0u)
        << context_.pos.DBSM_Table[static_cast<std::size_t>(table)].TableName;
  }
  ASSERT_TRUE(context_.pos.DBSM_Table[kSalesItem].IsOpen);
  ASSERT_TRUE(DBSM_TableOp(context_.pos, kSalesItem, btrieve::kOpGetFirst, 0));
  // The installed engine keeps its pages itself.
  if (GetParam() == Backend::kBuiltIn) {
    EXPECT_GT(cached(kSalesItem), 0u);
  }
}

TEST_P(ReportJobsTest, ATickRunsTheDueReportsEachForTheMomentTheTickBegan) {
  StartServer();
  for (clsSettings& report : context_.ReportSettings) report.StartTimeTime.hour = 1;
  for (clsSettings& report : context_.ReportSettings) report.StartTimeTime.minute = 0;
  // The Marketing Portal upload takes minutes by the clock: SymphonyIRI still runs for 01:00.
  host_.on_events = [this] { host_.AdvanceSeconds(50); };

  SchedulerTick(context_);

  EXPECT_TRUE(fs::exists(Received(0) / DayFile("KEZSalesExtract")));
  EXPECT_TRUE(fs::exists(Received(1) / "movement.CCC.cc260112"));
  EXPECT_EQ(context_.ReportSettings[1].StartDate, kRunMoment);
  EXPECT_EQ(context_.ReportSettings[0].Invoice, "0001004");
  std::vector<clsSettings> saved;
  LoadReportSettings(data_.path(), kRunMoment, saved);
  EXPECT_EQ(saved[0].Invoice, "0001004");
  EXPECT_EQ(saved[1].StartDate, kRunMoment);

  // A minute later nothing is due.
  host_.on_events = nullptr;
  host_.SetNow({2026, 1, 12, 1, 1, 0, 0});
  const std::size_t lines = LogMessages().size();
  SchedulerTick(context_);
  EXPECT_EQ(LogMessages().size(), lines);
}

TEST_P(ReportJobsTest, ATickOrARunWhileAnUploadLetsEventsThroughIsSkippedAndTheDueReportsFollow) {
  StartServer();
  bool handled = false;
  host_.on_events = [this, &handled] {
    // As the tray's timer and the run button would, in the minute both reports are due.
    if (handled || host_.progress().back().caption != "Uploading File") return;
    handled = true;
    for (clsSettings& report : context_.ReportSettings) report.StartTimeTime.hour = 1;
    for (clsSettings& report : context_.ReportSettings) report.StartTimeTime.minute = 0;
    SchedulerTick(context_);
    EXPECT_FALSE(RunReportsNow(context_, true, true));
  };

  ASSERT_TRUE(RunReportsNow(context_, true, false));

  // The skips come while the sales extract goes up; the job goes on around them, alone. Then the
  // reports whose minute the tick saw run, each in a session of its own.
  const std::vector<std::string> first_run =
      PortalLog({"Marketing Portal - Error: File " + DayFile("KEZCustomList") + " not found",
                 "Scheduler - Skipped this minute: a job is still running",
                 "Run Now - Skipped: a job is still running",
                 "Marketing Portal - Upload file: " + DayFile("KEZSalesExtract"),
                 "Marketing Portal - Upload file: " + DayFile("KEZCustomersExtract"),
                 "Marketing Portal - Closing connection"});
  const std::vector<std::string> log = LogMessages();
  ASSERT_GT(log.size(), first_run.size());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + std::ssize(first_run)), first_run);
  EXPECT_EQ(log[first_run.size()],
            "Scheduler - Running the reports that fell due while a job was running");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Marketing Portal - Closing connection"), 2);
  EXPECT_EQ(log.back().rfind("SymphonyIRI - Closed connection", 0), 0u) << log.back();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Run Now - Skipped: a job is still running"), 1);
  EXPECT_EQ(server_->SessionCount(), 3);
  EXPECT_FALSE(context_.job_running);
  // The skipped tick saved nothing of its own: the runs' saves hold the new invoice.
  std::vector<clsSettings> saved;
  LoadReportSettings(data_.path(), kRunMoment, saved);
  EXPECT_EQ(saved[0].Invoice, "0001004");
}

}  // namespace
}  // namespace kez::testing
