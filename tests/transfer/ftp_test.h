// The fixture of the tests that talk to a real FTP server: a temporary folder, a scripted host,
// a server started for the test, and a client whose timeouts are short enough for a test.
#ifndef KEZ_TESTS_TRANSFER_FTP_TEST_H_
#define KEZ_TESTS_TRANSFER_FTP_TEST_H_

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/scripted_host.h"
#include "support/temp_dir.h"
#include "transfer/ftp_client.h"
#include "transfer/ftp_test_server.h"

namespace kez::testing {

using ProgressEvent = std::pair<std::int64_t, std::int64_t>;

// Timeouts a test can wait out: every fault must be reported well within a test's time.
FtpOptions ShortTimeouts();

// The whole content of a file ("" when it cannot be read).
std::string ReadFileBytes(const std::filesystem::path& file);
// Creates or replaces a file with exactly these bytes.
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);
// `size` bytes of a pattern that changes every byte and repeats only every 251 bytes, so that a
// lost, doubled or shifted chunk shows.
std::string PatternBytes(std::size_t size);

class FtpTest : public ::testing::Test {
 protected:
  // Starts the server with `server_options_`, which a derived fixture sets in its constructor.
  void SetUp() override;

  // Connects `ftp_` to the server in the given mode; fails the test when it cannot.
  void Connect(bool passive = true);
  // A path in the test's local folder.
  std::filesystem::path Local(std::string_view name) const { return local_dir_ / name; }
  // A path below the server's root folder.
  std::filesystem::path Remote(std::string_view name) const { return server_->root() / name; }
  // Seconds since the fixture was set up; faults must come back quickly.
  double SecondsSince(std::chrono::steady_clock::time_point start) const;

  FtpServerOptions server_options_;
  TempDir temp_;
  std::filesystem::path local_dir_ = temp_ / "local";
  ScriptedHost host_;
  std::unique_ptr<FtpTestServer> server_;
  cFTP ftp_{host_, ShortTimeouts()};
  std::vector<ProgressEvent> events_;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_TRANSFER_FTP_TEST_H_
