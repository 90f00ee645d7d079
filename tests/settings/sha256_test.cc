#include "settings/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "support/temp_dir.h"

namespace kez {
namespace {

TEST(Sha256, MatchesTheStandardsTestVectors) {
  const clsSHA256 sha;
  EXPECT_EQ(sha.SHA256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha.SHA256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha.SHA256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(sha.SHA256(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

#ifndef _WIN32
// Every length from 0 to 200 (each padding case: the length word in the same block or the next)
// against the system's sha256sum, on random bytes of the whole range.
TEST(Sha256, AgreesWithSha256sumOnRandomTextsOfEveryLength) {
  testing::TempDir dir;
  std::mt19937 random(20240131);
  std::vector<std::string> messages;
  std::string command = "cd '" + dir.path().string() + "' && sha256sum";
  for (int length = 0; length <= 200; ++length) {
    std::string message(static_cast<std::size_t>(length), '\0');
    for (char& c : message) c = static_cast<char>(random() & 0xFF);
    std::ofstream(dir / std::to_string(length), std::ios::binary) << message;
    messages.push_back(std::move(message));
    command += " " + std::to_string(length);
  }
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  if (::pclose(pipe) != 0) GTEST_SKIP() << "sha256sum is not available";

  std::istringstream lines(output);
  const clsSHA256 sha;
  std::string digest;
  std::string name;
  int checked = 0;
  while (lines >> digest >> name) {
    EXPECT_EQ(sha.SHA256(messages.at(std::stoul(name))), digest) << "length " << name;
    ++checked;
  }
  EXPECT_EQ(checked, 201);
}
#endif

}  // namespace
}  // namespace kez
