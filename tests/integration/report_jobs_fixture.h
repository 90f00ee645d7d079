// The fixture of the report job runs: a real KEZ data folder built from store_description.json
// (a week of sales, a few items and customers), opened as start-up opens it; a host that records
// progress and busy pointer and can act when the FTP client lets events through; and a real FTP
// server with both reports pointing at it.
#ifndef KEZ_TESTS_INTEGRATION_REPORT_JOBS_FIXTURE_H_
#define KEZ_TESTS_INTEGRATION_REPORT_JOBS_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "context/app_context.h"
#include "support/engines.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"
#include "transfer/ftp_test_server.h"

namespace kez::testing {

// A scripted host whose DoEvents can run a handler, as a window's pending events would run.
class EventHost : public ScriptedHost {
 public:
  void DoEvents() override;
  void SetBusy(bool busy) override;

  std::function<void()> on_events;
  std::vector<bool> busy_changes;
};

// Monday 12 January 2026, 01:00: the store's sales lie in the week before.
inline constexpr LocalDateTime kRunMoment{2026, 1, 12, 1, 0, 0, 0};

// Runs once per record engine.
class ReportJobsTest : public ::testing::TestWithParam<Backend> {
 protected:
  ReportJobsTest();
  ~ReportJobsTest() override;

  // Starts the FTP server (with `fault`, see ftp_server.py) and points both reports at it:
  // Marketing Portal active and binary into /portal, SymphonyIRI with the initial passive and
  // ASCII into /iri.
  void StartServer(const std::string& fault = "");
  // Points both reports at a port where nothing listens.
  void PointAtClosedPort();

  // The messages of the activity log, in order.
  std::vector<std::string> AllLogMessages() const;
  // The same without the "<job> - Reason: " line that follows each failure.
  std::vector<std::string> LogMessages() const;
  // Only the reason lines.
  std::vector<std::string> ReasonMessages() const;
  // The Marketing Portal job's log lines up to the directory change (/portal on this test's
  // server), followed by `rest`.
  std::vector<std::string> PortalLog(const std::vector<std::string>& rest) const;
  // The progress steps as "position caption".
  std::vector<std::string> ProgressSteps() const;
  // A file's bytes ("" when missing).
  static std::string Bytes(const std::filesystem::path& file);
  std::filesystem::path PortalFolder() const { return data_ / "MarketingPortal"; }
  // The server's folder of report `index`.
  std::filesystem::path Received(int index) const;
  // The sent name of a Marketing Portal file of the run day: prefix + "00012" + "20260112.csv".
  static std::string DayFile(const std::string& prefix);

  TempDir app_dir_;
  TempDir data_;
  TempDir server_dir_;
  EventHost host_;
  AppContext context_{host_};
  std::unique_ptr<FtpTestServer> server_;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_INTEGRATION_REPORT_JOBS_FIXTURE_H_
