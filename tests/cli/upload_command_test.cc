// kezagg upload against a real server: files arrive under their own names, failures show the
// client's last error and end the command with a non-zero status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

class UploadCommandTest : public FtpTest {
 protected:
  // Runs kezagg with these arguments and no terminal; returns its exit status, with its
  // output in `output`.
  int Run(const std::string& password_variable, const std::string& arguments) {
    const std::string command = password_variable + " '" KEZ_KEZAGG "' upload --server " +
                                server_->address() + " --user " + FtpTestServer::kUser + " " +
                                arguments + " </dev/null 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string output;
};

TEST_F(UploadCommandTest, SendsEachFileUnderItsOwnNameIntoTheFolder) {
  std::filesystem::create_directories(Remote("inbox"));
  WriteFileBytes(Local("KEZSalesExtract00001.csv"), "1|a\r\n2|b\r\n");
  WriteFileBytes(Local("KEZCustomersExtract00001.csv"), PatternBytes(1000));
  const int status = Run("KEZ_FTP_PASSWORD=secret",
                         "--dir inbox --binary " + Local("KEZSalesExtract00001.csv").string() +
                             " " + Local("KEZCustomersExtract00001.csv").string());
  ASSERT_EQ(status, 0) << output;
  EXPECT_EQ(ReadFileBytes(Remote("inbox/KEZSalesExtract00001.csv")), "1|a\r\n2|b\r\n");
  EXPECT_EQ(ReadFileBytes(Remote("inbox/KEZCustomersExtract00001.csv")), PatternBytes(1000));
  EXPECT_NE(output.find("KEZCustomersExtract00001.csv: 1000 bytes sent"), std::string::npos)
      << output;
}

TEST_F(UploadCommandTest, FailuresPrintTheLastErrorAndExitNonZero) {
  WriteFileBytes(Local("a.csv"), "a");
  EXPECT_EQ(Run("KEZ_FTP_PASSWORD=wrong", Local("a.csv").string()), 1);
  EXPECT_NE(output.find("530 Authentication failed."), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(Run("KEZ_FTP_PASSWORD=secret", "--dir missing " + Local("a.csv").string()), 1);
  EXPECT_NE(output.find("550 No such file or directory."), std::string::npos) << output;

  // Without the variable and without a terminal to ask on, nothing is attempted.
  output.clear();
  const int sessions = server_->SessionCount();
  EXPECT_EQ(Run("env -u KEZ_FTP_PASSWORD", Local("a.csv").string()), 1);
  EXPECT_NE(output.find("KEZ_FTP_PASSWORD"), std::string::npos) << output;
  EXPECT_EQ(server_->SessionCount(), sessions);
}

TEST_F(UploadCommandTest, ATracedUploadNeverShowsThePassword) {
  WriteFileBytes(Local("a.csv"), "a");
  ASSERT_EQ(Run("KEZ_FTP_PASSWORD=secret", "--trace " + Local("a.csv").string()), 0) << output;
  // The trace shows the login and the transfer, the password masked.
  EXPECT_NE(output.find("> USER tester"), std::string::npos) << output;
  EXPECT_NE(output.find("> PASS ********"), std::string::npos) << output;
  EXPECT_NE(output.find("> STOR /a.csv"), std::string::npos) << output;
  EXPECT_EQ(output.find("secret"), std::string::npos) << output;

  // Nor does a refused login.
  output.clear();
  EXPECT_EQ(Run("KEZ_FTP_PASSWORD=notthisone", "--trace " + Local("a.csv").string()), 1);
  EXPECT_NE(output.find("530"), std::string::npos) << output;
  EXPECT_EQ(output.find("notthisone"), std::string::npos) << output;
}

}  // namespace
}  // namespace kez::testing
