#include "cli/hex_lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kez::cli {
namespace {

std::string SlowHex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char pair[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    text += pair;
  }
  return text;
}

// Every length around the sixteen-byte blocks, every byte value in every lane, and the bytes
// beyond the encoded ones left alone.
TEST(EncodeHex, MatchesPrintfForEveryLengthAndByteValue) {
  std::mt19937 random(7);
  for (std::size_t n = 0; n <= 80; ++n) {
    for (int round = 0; round < 20; ++round) {
      std::vector<std::uint8_t> bytes(n);
      for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(round < 16 ? (i * 16 + round * 17) % 256 : random());
      }
      std::string out(2 * n + 8, '#');
      char* end = EncodeHex(bytes.data(), n, out.data());
      ASSERT_EQ(end, out.data() + 2 * n);
      EXPECT_EQ(out.substr(0, 2 * n), SlowHex(bytes)) << "length " << n;
      EXPECT_EQ(out.substr(2 * n), std::string(8, '#'));
    }
  }
}

TEST(HexLines, WritesOneLineARecordAcrossFlushesAndLongRecords) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::string expected;
  {
    HexLines lines(file);
    for (std::size_t n : {0u, 1u, 150u, 300000u, 17u}) {
      std::vector<std::uint8_t> bytes(n);
      for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + n);
      // Enough records to pass the buffer's flush point more than once.
      const int times = n == 150 ? 2000 : 1;
      for (int t = 0; t < times; ++t) {
        lines.Add(bytes.data(), bytes.size());
        expected += SlowHex(bytes) + "\n";
      }
    }
  }
  std::string written(expected.size() + 1, '\0');
  std::rewind(file);
  written.resize(std::fread(written.data(), 1, written.size(), file));
  std::fclose(file);
  EXPECT_EQ(written, expected);
}

}  // namespace
}  // namespace kez::cli
