#include "transfer/ftp_test.h"

#include <fstream>
#include <sstream>

namespace kez::testing {

FtpOptions ShortTimeouts() {
  FtpOptions options;
  options.connect_timeout = std::chrono::seconds(2);
  options.response_timeout = std::chrono::seconds(2);
  options.stall_timeout = std::chrono::seconds(2);
  return options;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

void FtpTest::SetUp() {
  std::filesystem::create_directories(local_dir_);
  std::string error;
  server_ = FtpTestServer::Start(temp_ / "server", server_options_, &error);
  ASSERT_NE(server_, nullptr) << error;
  ftp_.SetFileTransferProgress(
      [this](std::int64_t current, std::int64_t total) { events_.emplace_back(current, total); });
}

void FtpTest::Connect(bool passive) {
  if (passive) {
    ftp_.SetModePassive();
  } else {
    ftp_.SetModeActive();
  }
  ASSERT_TRUE(
      ftp_.OpenConnection(server_->address(), FtpTestServer::kUser, FtpTestServer::kPassword))
      << ftp_.GetLastErrorMessage() << "\n"
      << server_->Log();
}

double FtpTest::SecondsSince(std::chrono::steady_clock::time_point start) const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kez::testing
