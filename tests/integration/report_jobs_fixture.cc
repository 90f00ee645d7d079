#include "integration/report_jobs_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/file_io.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "sample/sample_description.h"
#include "sample/sample_store_writer.h"
#include "settings/cls_settings.h"
#include "support/samples.h"
#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

// A port on 127.0.0.1 that nothing listens on: one the system just handed out and took back.
std::uint16_t ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

void WriteDescribedStore(const fs::path& folder) {
  std::string json;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(KEZ_STORE_DESCRIPTION, &json, &error)) << error;
  SampleDescription description;
  ASSERT_TRUE(ReadSampleDescription(json, &description, &error)) << error;
  std::unique_ptr<SampleStoreWriter> writer;
  ASSERT_TRUE(SampleStoreWriter::Start(folder, description.file_number, true, &writer, &error))
      << error;
  for (const RecordBuffer& record : description.records) {
    ASSERT_TRUE(writer->Add(record, &error)) << error;
  }
  ASSERT_TRUE(writer->Finish("[EXPORT]\r\n", &error)) << error;
}

}  // namespace

void EventHost::DoEvents() {
  ScriptedHost::DoEvents();
  if (on_events) on_events();
}

void EventHost::SetBusy(bool busy) {
  ScriptedHost::SetBusy(busy);
  busy_changes.push_back(busy);
}

ReportJobsTest::ReportJobsTest() {
  host_.SetNow(kRunMoment);
  context_.AppDir = app_dir_.path();
  context_.save_log = true;
  context_.ftp_options = ShortTimeouts();
  context_.pos.app_dir = app_dir_.path();
  fs::copy_file(SourceDir() / "resources" / kErrorMessageFileName,
                app_dir_ / kErrorMessageFileName);
  WriteDescribedStore(data_.path());
  UseDataPath(context_.pos, data_.path().string());
  context_.pos.engine = EngineFor(GetParam());
  EXPECT_TRUE(DBSM_OpenDatabase(context_.pos));
  EXPECT_TRUE(DBSM_OpenAll(context_.pos));

  context_.ReportSettings = {NewReportSettings(kRunMoment), NewReportSettings(kRunMoment)};
  for (clsSettings& report : context_.ReportSettings) {
    report.StoreNumber = "12";
    report.FTPLogin = FtpTestServer::kUser;
    report.FTPPassword = FtpTestServer::kPassword;
    // The port setting is never used: the address carries the port.
    report.FTPPort = "2121";
  }
  clsSettings& portal = context_.ReportSettings[0];
  portal.Invoice = "1001";
  portal.StartDate = {2026, 1, 5, 0, 0, 0, 0};  // customers recorded from 4 January on
  portal.FTPDirectory = "/portal";
  portal.FTPMode = true;
  portal.FTPTransfeMode = true;
  clsSettings& iri = context_.ReportSettings[1];
  iri.StartDate = {2026, 1, 12, 0, 0, 0, 0};
  iri.FTPDirectory = "/iri";
}

ReportJobsTest::~ReportJobsTest() { DBSM_UnloadHolder(context_.pos); }

void ReportJobsTest::StartServer(const std::string& fault) {
  FtpServerOptions options;
  options.fault = fault;
  std::string error;
  server_ = FtpTestServer::Start(server_dir_.path(), options, &error);
  ASSERT_NE(server_, nullptr) << error;
  fs::create_directories(server_->root() / "portal");
  fs::create_directories(server_->root() / "iri");
  for (clsSettings& report : context_.ReportSettings) report.FTPAddress = server_->address();
}

void ReportJobsTest::PointAtClosedPort() {
  const std::string address = "127.0.0.1:" + std::to_string(ClosedPort());
  for (clsSettings& report : context_.ReportSettings) report.FTPAddress = address;
}

std::vector<std::string> ReportJobsTest::AllLogMessages() const {
  std::vector<std::string> messages;
  std::istringstream lines(Bytes(app_dir_ / "KEZDataAggregator.log"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "YYYYMMDD^hh:mm^" comes before each message.
    messages.push_back(line.substr(15));
  }
  return messages;
}

std::vector<std::string> ReportJobsTest::LogMessages() const {
  std::vector<std::string> messages = AllLogMessages();
  std::erase_if(messages, [](const std::string& message) {
    return message.find(" - Reason: ") != std::string::npos;
  });
  return messages;
}

std::vector<std::string> ReportJobsTest::ReasonMessages() const {
  std::vector<std::string> messages = AllLogMessages();
  std::erase_if(messages, [](const std::string& message) {
    return message.find(" - Reason: ") == std::string::npos;
  });
  return messages;
}

std::vector<std::string> ReportJobsTest::PortalLog(const std::vector<std::string>& rest) const {
  const std::string address = server_->address();
  std::vector<std::string> lines{"Marketing Portal - Create Kez Sales For Extract",
                                 "Marketing Portal - Create KEZ Customers Extract",
                                 "Marketing Portal - Connecting To Web Site: " + address,
                                 "Marketing Portal - Connected To Web Site: " + address,
                                 "Marketing Portal - Set directory to: /portal"};
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

std::vector<std::string> ReportJobsTest::ProgressSteps() const {
  std::vector<std::string> steps;
  for (const RecordedProgress& step : host_.progress()) {
    steps.push_back(std::to_string(step.position) + " " + step.caption);
  }
  return steps;
}

std::string ReportJobsTest::Bytes(const std::filesystem::path& file) { return ReadFileBytes(file); }

std::filesystem::path ReportJobsTest::Received(int index) const {
  return server_->root() / (index == 0 ? "portal" : "iri");
}

std::string ReportJobsTest::DayFile(const std::string& prefix) {
  return prefix + "0001220260112.csv";
}

}  // namespace kez::testing
