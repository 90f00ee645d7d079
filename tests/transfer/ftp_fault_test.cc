// A refusing, failing or silent server gives false and a readable last error, within the
// client's timeouts.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Every fault below must be reported well within this, given ShortTimeouts().
constexpr double kPromptSeconds = 10.0;

class FtpFaultTest : public FtpTest, public ::testing::WithParamInterface<const char*> {
 protected:
  FtpFaultTest() { server_options_.fault = GetParam(); }
};

class FtpUploadFaultTest : public FtpFaultTest {};

TEST_P(FtpUploadFaultTest, StorRefusalGivesTheServerReply) {
  WriteFileBytes(Local("sales.csv"), PatternBytes(1000));
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_FALSE(ftp_.FTPUploadFile(Local("sales.csv").string(), "sales.csv"));
  const std::string expected = std::string(GetParam()) == "stor-550"
                                   ? "550 Permission denied."
                                   : "452 Insufficient storage space.";
  EXPECT_EQ(ftp_.GetLastErrorMessage(), expected);
  EXPECT_TRUE(events_.empty());
  // The connection is still good for the next file.
  EXPECT_EQ(ftp_.GetFTPFileSize("sales.csv"), -1);
}

INSTANTIATE_TEST_SUITE_P(Refusals, FtpUploadFaultTest, ::testing::Values("stor-550", "stor-452"));

class FtpBrokenTransferTest : public FtpFaultTest {};

TEST_P(FtpBrokenTransferTest, UploadFailsPromptlyWithLibcurlsText) {
  WriteFileBytes(Local("big.bin"), PatternBytes(16 * 1024 * 1024));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferBinary();
  // libcurl judges a transfer's speed over its last five seconds, so a stall is noticed about
  // five seconds after the last byte moved, plus the stall timeout.
  const double limit =
      std::string(GetParam()) == "stall-mid-transfer" ? 2 * kPromptSeconds : kPromptSeconds;
  const auto start = Clock::now();
  EXPECT_FALSE(ftp_.FTPUploadFile(Local("big.bin").string(), "big.bin"));
  EXPECT_LT(SecondsSince(start), limit);
  EXPECT_EQ(ftp_.GetLastErrorMessage().rfind("InternetWriteFile error code: ", 0), 0u)
      << ftp_.GetLastErrorMessage();
  ASSERT_FALSE(events_.empty());
  EXPECT_LT(events_.back().first, events_.back().second);
}

INSTANTIATE_TEST_SUITE_P(Breaks, FtpBrokenTransferTest,
                         ::testing::Values("drop-mid-transfer", "stall-mid-transfer"));

class FtpRefusedLoginTest : public FtpTest {
 protected:
  FtpRefusedLoginTest() { server_options_.fault = "refuse-login"; }
};

TEST_F(FtpRefusedLoginTest, LoginRefusalGivesTheServerReply) {
  EXPECT_FALSE(ftp_.OpenConnection(server_->address(), "tester", "secret"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(), "530 Login refused.");
  EXPECT_EQ(ftp_.GetFTPDirectory(), "");
}

class FtpSilentServerTest : public FtpTest {
 protected:
  FtpSilentServerTest() { server_options_.fault = "silent"; }
};

TEST_F(FtpSilentServerTest, ServerThatNeverGreetsTimesOut) {
  const auto start = Clock::now();
  EXPECT_FALSE(ftp_.OpenConnection(server_->address(), "tester", "secret"));
  EXPECT_LT(SecondsSince(start), kPromptSeconds);
  EXPECT_EQ(ftp_.GetLastErrorMessage().rfind("InternetConnect error code: 28 Message: ", 0), 0u)
      << ftp_.GetLastErrorMessage();
}

// A port nobody listens on: bound, then closed again.
std::uint16_t ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(FtpConnectTest, UnreachableOrUnreadableServersAreReported) {
  ScriptedHost host;
  cFTP ftp(host, ShortTimeouts());
  const std::uint16_t port = ClosedPort();
  EXPECT_FALSE(ftp.OpenConnection("127.0.0.1", "u", "p", port));
  EXPECT_EQ(ftp.GetLastErrorMessage().rfind("InternetConnect error code: 7 Message: ", 0), 0u)
      << ftp.GetLastErrorMessage();
  EXPECT_FALSE(ftp.OpenConnection("ftp://127.0.0.1:99999", "u", "p"));
  EXPECT_EQ(
      ftp.GetLastErrorMessage(),
      "InternetConnect error code: 3 Message: Not a server address: \"ftp://127.0.0.1:99999\"");
}

}  // namespace
}  // namespace kez::testing
