// Without a usable libcurl the client fails every operation, naming the library and the reason,
// before a word reaches the server.
#include "transfer/curl_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

struct BrokenLibrary {
  const char* file;
  const char* reason;
};

void PrintTo(const BrokenLibrary& library, std::ostream* out) { *out << library.file; }

class CurlLibraryTest : public FtpTest, public ::testing::WithParamInterface<BrokenLibrary> {};

TEST_P(CurlLibraryTest, EveryOperationFailsWithTheLibraryAndTheReason) {
  if (CurlLibrary::DefaultName().empty()) GTEST_SKIP() << "this build links libcurl";
  FtpOptions options = ShortTimeouts();
  options.curl_library = GetParam().file;
  cFTP ftp(host_, options);
  ftp.SetModePassive();
  const std::string expected =
      "InternetOpen error code: 2 Message: libcurl could not be loaded from " +
      std::string(GetParam().file) + ": ";

  EXPECT_FALSE(
      ftp.OpenConnection(server_->address(), FtpTestServer::kUser, FtpTestServer::kPassword));
  const std::string message = ftp.GetLastErrorMessage();
  EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
  EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;

  // A caller that goes on regardless learns the same reason, and nothing reaches the server.
  WriteFileBytes(Local("sales.csv"), "a|b\n");
  EXPECT_FALSE(ftp.FTPUploadFile(Local("sales.csv").string(), "sales.csv"));
  EXPECT_NE(ftp.GetLastErrorMessage().find(GetParam().reason), std::string::npos)
      << ftp.GetLastErrorMessage();
  EXPECT_EQ(ftp.GetFTPFileSize("sales.csv"), -2);
  EXPECT_FALSE(
      ftp.OpenConnection(server_->address(), FtpTestServer::kUser, FtpTestServer::kPassword));
  EXPECT_EQ(server_->SessionCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(Remote("sales.csv")));
}

INSTANTIATE_TEST_SUITE_P(
    Broken, CurlLibraryTest,
    ::testing::Values(BrokenLibrary{"libkez-no-such-curl.so.4", "No such file"},
                      // A real library, but not libcurl.
                      BrokenLibrary{"libm.so.6", "it has no entry point curl_global_init"}),
    [](const ::testing::TestParamInfo<BrokenLibrary>& param) {
      return param.index == 0 ? std::string("Missing") : std::string("NotCurl");
    });

}  // namespace
}  // namespace kez::testing
