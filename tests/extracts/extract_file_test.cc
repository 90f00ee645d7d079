// An extract's file gathers its lines in memory and hands them to the file in large pieces: what
// reaches the disk must be every column and line as given, whatever falls on a piece's edge.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "extracts/extract_output.h"
#include "extracts/line_writer.h"
#include "platform/number_text.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines of random columns, a few far longer than one piece of the file (1 MB), and empty columns.
std::vector<std::vector<std::string>> Lines(std::mt19937& random) {
  std::vector<std::vector<std::string>> lines;
  for (int i = 0; i < 3000; ++i) {
    std::vector<std::string> columns;
    const int count = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < count; ++c) {
      const std::size_t length = i % 1000 == 999 && c == 1 ? (3u << 20) : random() % 700;
      columns.push_back(std::string(length, static_cast<char>('a' + (i + c) % 26)));
    }
    columns[0] = "K" + std::to_string(i % 2000);  // the key column; some keys come twice
    lines.push_back(std::move(columns));
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& columns) {
  std::string line;
  for (std::size_t c = 0; c < columns.size(); ++c) line += (c > 0 ? "|" : "") + columns[c];
  return line + "\r\n";
}

TEST(ExtractFile, EveryColumnAndLineReachesTheFileAcrossPieces) {
  kez::testing::TempDir dir;
  std::mt19937 random(17);
  const auto lines = Lines(random);
  std::vector<std::string> messages;
  const LogWriter log = [&](std::string_view message) { messages.emplace_back(message); };

  // Writes every line into `file`, some with a number column after the texts; returns the text
  // they make.
  const auto write = [&](ExtractFile& file) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      LineWriter line(file);
      std::vector<std::string> columns = lines[i];
      for (const std::string& column : columns) line.Text(column);
      const auto number = static_cast<std::int64_t>(i * 7919) - 9000;
      switch (i % 4) {
        case 1:
          line.Currency(number);
          columns.push_back(CurrencyText(number));
          break;
        case 2:
          line.Single(static_cast<float>(number) / 64);
          columns.push_back(SingleText(static_cast<float>(number) / 64));
          break;
        case 3:
          line.WholeNumber(static_cast<double>(number));
          columns.push_back(WholeNumberText(static_cast<double>(number)));
          break;
      }
      line.End(columns[0]);
      text += Joined(columns);
    }
    return text;
  };

  ExtractFile file(log, dir / "replaced.csv");
  const std::string expected = write(file);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadAll(dir / "replaced.csv"), expected);
  EXPECT_EQ(file.count(), static_cast<std::int64_t>(lines.size()));

  // Kept lines of an undelivered file go first, less those whose key the run writes again. A key
  // is its column's whole text: the run's "K7777|3" is not the old line's "K7777".
  {
    std::ofstream old(dir / "kept.csv", std::ios::binary);
    old << "K5|old\r\nK999999|stays\r\nK7777|stays too\r\n";
  }
  ExtractFile kept(log, dir / "kept.csv", ExistingFile::kKeepUndelivered, 0);
  std::string run = write(kept);
  {
    LineWriter line(kept);
    line.Text("K7777|3");
    line.Text("");
    line.End("K7777|3");
    run += "K7777|3|\r\n";
  }
  ASSERT_TRUE(kept.Commit());
  EXPECT_EQ(ReadAll(dir / "kept.csv"), "K999999|stays\r\nK7777|stays too\r\n" + run);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace kez
