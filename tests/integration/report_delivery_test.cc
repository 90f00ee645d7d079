// Delivery in whole runs: a file counts as sent only when its bytes reached the report's
// directory, and what did not is sent by the report's next run. Nothing the store produced is lost
// because one run could not reach the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/delivery_journal.h"
#include "app/ftps_trust.h"
#include "app/report_jobs.h"
#include "app/scheduler.h"
#include "integration/report_jobs_fixture.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines SortedLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// SymphonyIRI sends in ASCII, which this server stores with LF line ends.
std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

bool Logged(const Lines& messages, const std::string& message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

TEST_P(ReportJobsTest, ASecondRunOfTheDayAfterAFailedOneSendsEveryLineOfBoth) {
  PointAtClosedPort();
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  const std::string sales = Bytes(PortalFolder() / DayFile("KEZSalesExtract"));
  const std::string customers = Bytes(PortalFolder() / DayFile("KEZCustomersExtract"));
  ASSERT_GT(std::count(sales.begin(), sales.end(), '\n'), 3);
  EXPECT_EQ(context_.shortfall.uploads_not_started, 1);
  EXPECT_EQ(context_.shortfall.not_delivered, 2);
  const Lines reasons = ReasonMessages();
  ASSERT_EQ(reasons.size(), 1u);
  EXPECT_EQ(reasons[0].rfind("Marketing Portal - Reason: InternetConnect error code: 7", 0), 0u)
      << reasons[0];

  // Later the same day the server is back. The run starts at the invoice the first one reached,
  // so on its own it would hold only the last sale; the undelivered file keeps every line.
  StartServer();
  context_.shortfall = {};
  host_.SetNow({2026, 1, 12, 9, 0, 0, 0});
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  EXPECT_EQ(Bytes(Received(0) / DayFile("KEZSalesExtract")), sales);
  EXPECT_EQ(SortedLines(Bytes(Received(0) / DayFile("KEZCustomersExtract"))),
            SortedLines(customers));
  EXPECT_FALSE(context_.shortfall.Any());
  EXPECT_TRUE(PendingMarketingPortalFiles(context_).empty());

  // Once delivered, a third run of the day replaces the file as before.
  RunMarketingPortal(context_);
  const std::string third = Bytes(PortalFolder() / DayFile("KEZSalesExtract"));
  EXPECT_LT(third.size(), sales.size());
  EXPECT_EQ(Bytes(Received(0) / DayFile("KEZSalesExtract")), third);
}

TEST_P(ReportJobsTest, AWeekWhoseUploadFailedIsSentWithTheNextWeek) {
  PointAtClosedPort();
  LoadReportExportState(context_, kSymphonyIriReport);
  RunSymphonyIRI(context_, kRunMoment);
  ASSERT_TRUE(fs::exists(data_ / "movement.CCC.cc260112"));
  EXPECT_EQ(context_.shortfall.not_delivered, 1);
  EXPECT_EQ(PendingSymphonyIriFiles(context_).size(), 1u);

  StartServer();
  context_.shortfall = {};
  const LocalDateTime next_week{2026, 1, 19, 1, 0, 0, 0};
  host_.SetNow(next_week);
  LoadReportExportState(context_, kSymphonyIriReport);
  RunSymphonyIRI(context_, next_week);
  EXPECT_EQ(Bytes(Received(1) / "movement.CCC.cc260112"),
            WithoutCr(Bytes(data_ / "movement.CCC.cc260112")));
  EXPECT_EQ(Bytes(Received(1) / "movement.CCC.cc260119"),
            WithoutCr(Bytes(data_ / "movement.CCC.cc260119")));
  const Lines messages = LogMessages();
  EXPECT_TRUE(Logged(messages, "SymphonyIRI - Uploaded file: movement.CCC.cc260119"));
  EXPECT_TRUE(Logged(messages, "SymphonyIRI - Uploaded file: movement.CCC.cc260112"));
  EXPECT_EQ(messages.back(), "SymphonyIRI - Closed connection to:  " + server_->address());
  EXPECT_FALSE(context_.shortfall.Any());
  EXPECT_TRUE(PendingSymphonyIriFiles(context_).empty());
}

TEST_P(ReportJobsTest, ADirectoryThatCannotBeSetSendsNothingAndTheFilesWait) {
  StartServer();
  context_.ReportSettings[kMarketingPortalReport].FTPDirectory = "nosuchdir";
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);

  const Lines messages = LogMessages();
  EXPECT_TRUE(Logged(messages, "Marketing Portal - Error: Unable to set directory to: nosuchdir"));
  EXPECT_FALSE(Logged(messages, "Marketing Portal - Set directory to: nosuchdir"));
  const Lines reasons = ReasonMessages();
  ASSERT_EQ(reasons.size(), 1u);
  EXPECT_EQ(reasons[0].rfind("Marketing Portal - Reason: 550", 0), 0u) << reasons[0];
  // Nothing landed in the login folder or anywhere else on the server.
  for (const auto& entry : fs::recursive_directory_iterator(server_->root())) {
    EXPECT_FALSE(entry.is_regular_file()) << entry.path();
  }
  EXPECT_EQ(context_.shortfall.uploads_not_started, 1);
  const std::vector<PendingFile> pending = PendingMarketingPortalFiles(context_);
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].reason.rfind("550", 0), 0u) << pending[0].reason;
}

TEST_P(ReportJobsTest, FilesFoundAtTheFirstRunCountAsSentAndLaterOnesWait) {
  StartServer();
  // An earlier program made and sent yesterday's file before the journal existed.
  fs::create_directories(PortalFolder());
  const std::string yesterday = "KEZSalesExtract0001220260111.csv";
  std::ofstream(PortalFolder() / yesterday, std::ios::binary) << "sent long ago\r\n";
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  EXPECT_FALSE(fs::exists(Received(0) / yesterday));
  EXPECT_TRUE(fs::exists(PortalFolder() / kDeliveryJournalName));

  // A file written again since its delivery is no longer the one the server holds.
  std::ofstream(PortalFolder() / yesterday, std::ios::binary) << "written again\r\n";
  host_.SetNow({2026, 1, 12, 9, 0, 0, 0});
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  EXPECT_EQ(Bytes(Received(0) / yesterday), "written again\r\n");
  EXPECT_TRUE(Logged(LogMessages(), "Marketing Portal - Upload file: " + yesterday));

  // Files older than the outbox's days are left alone.
  const std::string old = "KEZSalesExtract0001220251201.csv";
  std::ofstream(PortalFolder() / old, std::ios::binary) << "too old\r\n";
  RunMarketingPortal(context_);
  EXPECT_FALSE(fs::exists(Received(0) / old));
}

TEST_P(ReportJobsTest, AnUploadCutOffLeavesNoPartialFileOnTheServer) {
  StartServer("cut-data-mid-transfer");
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  const Lines messages = LogMessages();
  EXPECT_TRUE(Logged(messages,
                     "Marketing Portal - Error: Unable to upload: " + DayFile("KEZSalesExtract")));
  EXPECT_FALSE(fs::exists(Received(0) / DayFile("KEZSalesExtract")));
  EXPECT_NE(server_->Log().find("<- DELE"), std::string::npos) << server_->Log();
  EXPECT_GE(context_.shortfall.not_delivered, 1);
  EXPECT_FALSE(PendingMarketingPortalFiles(context_).empty());
}

TEST_P(ReportJobsTest, TheReasonLineSaysWhatTheServerAnswered) {
  StartServer("refuse-login");
  LoadReportExportState(context_, kMarketingPortalReport);
  RunMarketingPortal(context_);
  EXPECT_EQ(ReasonMessages(), Lines{"Marketing Portal - Reason: 530 Login refused."});
  EXPECT_EQ(context_.shortfall.uploads_not_started, 1);

  // A full server disk refuses each file: the reason says so and no empty file is left.
  server_.reset();
  StartServer("stor-452");
  context_.shortfall = {};
  RunMarketingPortal(context_);
  for (const std::string& reason : ReasonMessages()) {
    // The custom list, made elsewhere, is missing here and has a reason line of its own.
    if (reason.find("530") != std::string::npos ||
        reason.find("no such file") != std::string::npos) {
      continue;
    }
    EXPECT_EQ(reason, "Marketing Portal - Reason: 452 Insufficient storage space.");
  }
  EXPECT_TRUE(fs::is_empty(Received(0)));
  EXPECT_EQ(context_.shortfall.not_delivered, 2);
}

// The public-key pin of a PEM certificate, as openssl works it out.
std::string PinOf(const fs::path& certificate) {
  const std::string command = "openssl x509 -in '" + certificate.string() +
                              "' -pubkey -noout | openssl pkey -pubin -outform der | "
                              "openssl dgst -sha256 -binary | base64";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  char buffer[256] = {};
  const std::size_t n = fread(buffer, 1, sizeof(buffer) - 1, pipe);
  pclose(pipe);
  std::string pin(buffer, n);
  while (!pin.empty() && (pin.back() == '\n' || pin.back() == '\r')) pin.pop_back();
  return "sha256//" + pin;
}

TEST_P(ReportJobsTest, AnUntrustedServerIsNamedByItsFingerprintAndCanBeTrustedByItsKey) {
  FtpServerOptions options;
  options.tls = true;
  options.require_tls = true;
  std::string error;
  server_ = FtpTestServer::Start(server_dir_.path(), options, &error);
  ASSERT_NE(server_, nullptr) << error;
  fs::create_directories(server_->root() / "portal");
  clsSettings& report = context_.ReportSettings[kMarketingPortalReport];
  report.FTPAddress = server_->address();
  report.FTPMode = false;  // passive: this libcurl cannot do active mode over TLS
  // libcurl 7.88 lets a TLS data connection's handshake wait on one-second ticks until the server
  // has had each earlier command: the short timeouts of the other runs are too short here.
  context_.ftp_options.connect_timeout = std::chrono::seconds(8);
  context_.ftp_options.response_timeout = std::chrono::seconds(8);
  context_.ftp_options.stall_timeout = std::chrono::seconds(8);
  std::ofstream(app_dir_ / "KEZDataAggregator.ini", std::ios::binary) << "[Log]\r\nSaveLog=Y\r\n";

  LoadReportExportState(context_, kMarketingPortalReport);
  host_.Answer(MessageAnswer::kNo);  // not trusted yet
  RunMarketingPortal(context_);
  const std::string pin = PinOf(server_->cert_file());
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].title, "Trust this certificate");
  EXPECT_EQ(host_.messages()[0].kind, MessageKind::kDecision);
  EXPECT_NE(host_.messages()[0].text.find("SHA-256 fingerprint:\r"), std::string::npos);
  ASSERT_EQ(pin.size(), 52u) << pin;
  const Lines messages = LogMessages();
  const auto told = std::find_if(messages.begin(), messages.end(), [](const std::string& m) {
    return m.rfind(
               "Marketing Portal - Error: The server's certificate is not trusted. SHA-256 "
               "fingerprint: ",
               0) == 0;
  });
  ASSERT_NE(told, messages.end());
  ASSERT_NE(told + 1, messages.end());
  EXPECT_EQ(*(told + 1),
            "Marketing Portal - To trust it, check the fingerprint with the server's owner, then: "
            "kezagg trust --report 0 --pin " +
                pin);
  EXPECT_TRUE(fs::is_empty(Received(0)));

  // Yes stores the key's pin; the next run gets through. Another key is refused before the login.
  host_.Answer(MessageAnswer::kYes);
  RunMarketingPortal(context_);
  EXPECT_EQ(StoredPin(context_, report.FTPAddress), pin);
  context_.shortfall = {};
  RunMarketingPortal(context_);
  EXPECT_FALSE(context_.shortfall.Any()) << ::testing::PrintToString(ReasonMessages());
  EXPECT_TRUE(fs::exists(Received(0) / DayFile("KEZSalesExtract")));
  ASSERT_TRUE(StorePin(context_, report.FTPAddress, "sha256//" + std::string(43, 'A') + "="));
  RunMarketingPortal(context_);
  EXPECT_EQ(context_.shortfall.uploads_not_started, 1);
}

}  // namespace
}  // namespace kez::testing
