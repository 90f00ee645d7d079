// The report jobs when something fails: no server, one file refused, files missing on this
// machine; and a failed day sent again with resend.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/report_jobs.h"
#include "app/scheduler.h"
#include "integration/report_jobs_fixture.h"
#include "support/full_disk.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

TEST_P(ReportJobsTest, WithoutAServerBothJobsLogTheFailureAndKeepTheirFiles) {
  PointAtClosedPort();
  const std::string address = context_.ReportSettings[0].FTPAddress;
  ASSERT_TRUE(RunReportsNow(context_, true, true));

  EXPECT_EQ(LogMessages(), (Lines{"Marketing Portal - Create Kez Sales For Extract",
                                  "Marketing Portal - Create KEZ Customers Extract",
                                  "Marketing Portal - Connecting To Web Site: " + address,
                                  "Marketing Portal - Error: Unable to connect to site",
                                  "SymphonyIRI - Collecting data from database",
                                  "SymphonyIRI - Saving data to file movement.CCC.cc260112",
                                  "SymphonyIRI - Connecting To Web Site:  " + address,
                                  "SymphonyIRI - Error: Unable to connect to server"}));
  // The Marketing Portal progress stays at the extracts' 100.
  EXPECT_EQ(ProgressSteps(),
            (Lines{"50 Marketing Portal 50%", "100 Marketing Portal 100%", "0 SymphonyIRI Data 0%",
                   "50 SymphonyIRI Data 50%", "0 Connecting to FTP Server",
                   "0 Unable to connect to server"}));
  EXPECT_FALSE(host_.busy());
  // The invoice moved on all the same; the files wait to be sent again.
  EXPECT_EQ(context_.ReportSettings[0].Invoice, "0001004");
  EXPECT_TRUE(fs::exists(PortalFolder() / DayFile("KEZSalesExtract")));
  EXPECT_TRUE(fs::exists(PortalFolder() / DayFile("KEZCustomersExtract")));
  EXPECT_TRUE(fs::exists(data_ / "movement.CCC.cc260112"));

  // Resend, once a server is there, sends that day's files with the reports' settings.
  StartServer();
  host_.SetNow({2026, 1, 14, 9, 30, 0, 0});
  LoadReportExportState(context_, 0);
  const UploadOutcome portal = ResendMarketingPortal(context_, kRunMoment);
  EXPECT_TRUE(portal.AllSent());
  EXPECT_EQ(portal.sent, 2);
  EXPECT_EQ(portal.missing, 1);  // the custom list was never there
  EXPECT_EQ(Bytes(Received(0) / DayFile("KEZSalesExtract")),
            Bytes(PortalFolder() / DayFile("KEZSalesExtract")));
  const UploadOutcome iri = ResendSymphonyIRI(context_, kRunMoment);
  EXPECT_TRUE(iri.AllSent());
  EXPECT_TRUE(fs::exists(Received(1) / "movement.CCC.cc260112"));
  // A day without files sends nothing and says so.
  const UploadOutcome none = ResendSymphonyIRI(context_, {2026, 1, 13, 0, 0, 0, 0});
  EXPECT_FALSE(none.AllSent());
  EXPECT_EQ(none.missing, 1);
  EXPECT_EQ(LogMessages().back(), "SymphonyIRI - Error: File not found");
}

TEST_P(ReportJobsTest, AFileTheServerRefusesDoesNotStopTheOthers) {
  StartServer("stor-550:KEZSalesExtract");
  fs::create_directories(PortalFolder());
  std::ofstream(PortalFolder() / DayFile("KEZCustomList"), std::ios::binary) << "C100|A\r\n";
  LoadReportExportState(context_, 0);
  RunMarketingPortal(context_);

  const Lines messages = LogMessages();
  ASSERT_EQ(messages.size(), 9u);
  EXPECT_EQ(messages[5], "Marketing Portal - Upload file: " + DayFile("KEZCustomList"));
  EXPECT_EQ(messages[6],
            "Marketing Portal - Error: Unable to upload: " + DayFile("KEZSalesExtract"));
  EXPECT_EQ(messages[7], "Marketing Portal - Upload file: " + DayFile("KEZCustomersExtract"));
  EXPECT_EQ(messages[8], "Marketing Portal - Closing connection");
  EXPECT_EQ(host_.progress().back().caption, "Marketing Portal - Complete");
  EXPECT_FALSE(fs::exists(Received(0) / DayFile("KEZSalesExtract")));
  EXPECT_TRUE(fs::exists(Received(0) / DayFile("KEZCustomersExtract")));
  EXPECT_EQ(server_->SessionCount(), 1);  // nothing retried
}

TEST_P(ReportJobsTest, AMovementFileTheServerRefusesEndsTheRunWithoutTheClosingLine) {
  StartServer("stor-550:movement");
  LoadReportExportState(context_, 1);
  RunSymphonyIRI(context_, kRunMoment);
  const Lines messages = LogMessages();
  ASSERT_EQ(messages.size(), 6u);
  EXPECT_EQ(messages[4], "SymphonyIRI - Set directory to: /iri");
  EXPECT_EQ(messages[5], "SymphonyIRI - Error: Unable to upload file");
  EXPECT_EQ(ProgressSteps().back(), "0 Unable to upload file");
  EXPECT_NE(server_->Log().find("<- QUIT"), std::string::npos);
  EXPECT_FALSE(host_.busy());
}

#ifndef _WIN32
TEST_P(ReportJobsTest, AMovementFileThatCannotBeWrittenLeavesAnOlderOneUnsent) {
  StartServer();
  std::ofstream(data_ / "movement.CCC.cc260112", std::ios::binary) << "old figures\r\n";
  LoadReportExportState(context_, 1);
  {
    FullDisk full(16);  // the week's rows do not fit
    RunSymphonyIRI(context_, kRunMoment);
  }
  EXPECT_EQ(ProgressSteps().back(), "0 File not found");
  EXPECT_EQ(context_.shortfall.not_written, 1);
  EXPECT_EQ(Bytes(data_ / "movement.CCC.cc260112"), "old figures\r\n");
  EXPECT_FALSE(fs::exists(Received(1) / "movement.CCC.cc260112"));
  EXPECT_EQ(server_->SessionCount(), 0);
}
#endif

TEST_P(ReportJobsTest, FilesMissingOnThisMachineAreReportedOneByOne) {
  StartServer();
  // No customer since the export date and no sale after the last invoice: both extracts say so
  // and make no file; the upload still runs and finds none of the three.
  context_.ReportSettings[0].StartDate = {2026, 6, 1, 0, 0, 0, 0};
  context_.ReportSettings[0].Invoice = "9999999";
  // The movement file cannot be written where a folder of its name stands.
  fs::create_directories(data_ / "movement.CCC.cc260112");
  ASSERT_TRUE(RunReportsNow(context_, true, true));

  ASSERT_FALSE(host_.messages().empty());
  for (const RecordedMessage& message : host_.messages()) {
    EXPECT_EQ(message.text, "No Data found to export");
  }
  const Lines messages = LogMessages();
  const std::string address = server_->address();
  const Lines expected_portal{
      "Marketing Portal - Set directory to: /portal",
      "Marketing Portal - Error: File " + DayFile("KEZCustomList") + " not found",
      "Marketing Portal - Error: File " + DayFile("KEZSalesExtract") + " not found",
      "Marketing Portal - Error: File " + DayFile("KEZCustomersExtract") + " not found",
      "Marketing Portal - Closing connection"};
  const auto portal_start = std::find(messages.begin(), messages.end(), expected_portal[0]);
  ASSERT_NE(portal_start, messages.end());
  EXPECT_EQ(Lines(portal_start, portal_start + 5), expected_portal);
  // The movement writer names the file it could not write; the job then finds none to send and
  // makes no connection for it.
  EXPECT_EQ(messages.back(), "SymphonyIRI - Error: File not found");
  EXPECT_EQ(messages[messages.size() - 2], "SymphonyIRI - Connecting To Web Site:  " + address);
  EXPECT_EQ(ProgressSteps().back(), "0 File not found");
  EXPECT_EQ(server_->SessionCount(), 1);
  EXPECT_FALSE(host_.busy());
}

}  // namespace
}  // namespace kez::testing
