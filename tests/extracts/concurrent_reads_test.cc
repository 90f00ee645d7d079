// The extracts while another process writes the store's files as another engine writes them: each
// commit writes its changed pages first and the control record last, without our lock. A sale's
// lines are committed before its header, so every committed state holds whole sales. Every sales
// extract and every movement collection made meanwhile must be that of some committed state:
// sales 1 to k, each with all its lines, never a mix. Both formats: a new-format file's two control
// records come last; an old-format file is written in place, its one control record last.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "btrieve/field_value.h"
#include "btrieve/file.h"
#include "btrieve/rebuild.h"
#include "context/report_record.h"
#include "extract_fixture.h"
#include "extracts/extract_output.h"
#include "extracts/movement_collection.h"
#include "extracts/sales_extract.h"
#include "platform/file_io.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/kez_fields.h"
#include "posdata/kez_layouts.h"
#include "posdata/store_files.h"

namespace kez::testing {
namespace {

constexpr const char* kSalesFile = "KEZSalesExtract0001220240131.csv";
constexpr int kLinesPerSale = 3;
constexpr int kFirstSales = 40;  // in the store before the writer starts
constexpr int kWrittenSales = 150;

std::string Invoice(int sale) {
  std::string text = std::to_string(1000 + sale);
  return std::string(7 - text.size(), '0') + text;
}

RecordBuffer Line(int sale, int line) {
  return SaleLine(sale, static_cast<std::int16_t>(line), 500 + line, 1, 1000);
}

btrieve::Bytes Encode(const RecordBuffer& record) {
  const btrieve::TableDef& layout = KezTableDef(record.table());
  btrieve::Bytes bytes(layout.RecordLength(), 0);
  for (int field = 0; field < record.field_count(); ++field) {
    EXPECT_TRUE(btrieve::EncodeField(record.field(field), record.Value(field), bytes).ok());
  }
  return bytes;
}

btrieve::Bytes ReadBytes(const std::filesystem::path& file) {
  std::string text;
  std::string error;
  EXPECT_TRUE(ReadWholeFile(file, &text, &error)) << error;
  return btrieve::Bytes(text.begin(), text.end());
}

// One file's bytes after one commit.
struct Commit {
  std::filesystem::path file;
  btrieve::Bytes bytes;
};

// The commits of the sales after the first ones, made by our engine on copies in memory: the
// lines of a sale in one commit, then its header.
std::vector<Commit> PlanCommits(const std::filesystem::path& heads_file,
                                const std::filesystem::path& lines_file) {
  std::unique_ptr<btrieve::File> heads;
  std::unique_ptr<btrieve::File> lines;
  EXPECT_TRUE(btrieve::File::OpenBytes(ReadBytes(heads_file), "heads", &heads).ok());
  EXPECT_TRUE(btrieve::File::OpenBytes(ReadBytes(lines_file), "lines", &lines).ok());
  std::vector<Commit> commits;
  if (!heads || !lines) return commits;
  for (int sale = kFirstSales + 1; sale <= kFirstSales + kWrittenSales; ++sale) {
    EXPECT_TRUE(lines->BeginBulk().ok());
    for (int line = 1; line <= kLinesPerSale; ++line) {
      btrieve::Bytes record = Encode(Line(sale, line));
      EXPECT_TRUE(lines->Insert(0, &record).ok());
    }
    EXPECT_TRUE(lines->EndBulk().ok());
    commits.push_back({lines_file, lines->Snapshot()});
    btrieve::Bytes record = Encode(Sale(sale, "20240125", Invoice(sale)));
    EXPECT_TRUE(heads->Insert(0, &record).ok());
    commits.push_back({heads_file, heads->Snapshot()});
  }
  return commits;
}

// The writer process: each commit's changed pages in place, the control records last, no lock.
// A short pause between commits lets the reader's extracts run across many of them.
[[noreturn]] void WriteCommits(const std::vector<Commit>& commits, std::uint32_t page_size,
                               std::size_t control_pages,
                               const std::map<std::filesystem::path, btrieve::Bytes>& start) {
  std::map<std::filesystem::path, btrieve::Bytes> now = start;
  for (const Commit& commit : commits) {
    const int fd = ::open(commit.file.c_str(), O_WRONLY);
    if (fd < 0) ::_exit(2);
    const btrieve::Bytes& old = now[commit.file];
    const std::size_t pages = (commit.bytes.size() + page_size - 1) / page_size;
    for (const bool control : {false, true}) {
      for (std::size_t page = 0; page < pages; ++page) {
        if ((page < control_pages) != control) continue;
        const std::size_t at = page * page_size;
        const std::size_t n = std::min<std::size_t>(page_size, commit.bytes.size() - at);
        if (at + n <= old.size() && std::equal(commit.bytes.begin() + static_cast<long>(at),
                                               commit.bytes.begin() + static_cast<long>(at + n),
                                               old.begin() + static_cast<long>(at))) {
          continue;
        }
        if (::pwrite(fd, commit.bytes.data() + at, n, static_cast<off_t>(at)) !=
            static_cast<ssize_t>(n)) {
          ::_exit(3);
        }
      }
    }
    ::close(fd);
    now[commit.file] = commit.bytes;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  ::_exit(0);
}

class ConcurrentReadsTest
    : public ExtractTest,
      public ::testing::WithParamInterface<std::tuple<Backend, btrieve::Format>> {
 protected:
  ConcurrentReadsTest() {
    UseEngine(std::get<0>(GetParam()));
    context_.pos.end_on_fatal = false;
    context_.pos.log_error = log_;
    context_.ReportSettings[kSymphonyIriReport].StartDate = {2024, 1, 31, 0, 0, 0, 0};
  }

  // The number of whole sales the extract holds, or nullopt when it holds anything else.
  std::optional<int> SalesInExtract() const {
    std::map<std::string, int> lines;
    std::istringstream file(PortalFile(kSalesFile));
    std::string line;
    while (std::getline(file, line)) {
      const std::size_t first = line.find('|');
      const std::size_t second = line.find('|', first + 1);
      ++lines[line.substr(first + 1, second - first - 1)];
    }
    const int sales = static_cast<int>(lines.size());
    for (int sale = 1; sale <= sales; ++sale) {
      const auto found = lines.find(Invoice(sale));
      if (found == lines.end() || found->second != kLinesPerSale) return std::nullopt;
    }
    return sales;
  }

  // The number of whole sales the movement rows count, or nullopt for a mix.
  std::optional<int> SalesInMovement() const {
    const auto& rows = context_.movement.MovementRows;
    if (rows.size() != kLinesPerSale) return std::nullopt;
    for (const clsMovmentData& row : rows) {
      if (row.QuantitySold != rows.front().QuantitySold) return std::nullopt;
    }
    return static_cast<int>(rows.front().QuantitySold);
  }

  // Both reads from the start; each must show whole sales, at least the first ones.
  void ReadOnce(int* extracts, int* unread) {
    context_.export_state.LastInvoice = "0000000";
    context_.export_state.ExportDate = "1/25/2024";
    const ExtractResult result = CreateSalesExtract(context_.pos, context_.export_state, log_);
    if (result == ExtractResult::kWritten) {
      const std::optional<int> sales = SalesInExtract();
      ASSERT_TRUE(sales.has_value()) << PortalFile(kSalesFile);
      EXPECT_GE(*sales, kFirstSales);
      EXPECT_LE(*sales, kFirstSales + kWrittenSales);
      ++*extracts;
    } else {
      ASSERT_EQ(result, ExtractResult::kNotRead);
      ++*unread;
    }
    if (CollectMovementData(context_.pos, ReportRecord(context_, kSymphonyIriReport),
                            context_.movement)) {
      const std::optional<int> sales = SalesInMovement();
      ASSERT_TRUE(sales.has_value());
      EXPECT_GE(*sales, kFirstSales);
      EXPECT_LE(*sales, kFirstSales + kWrittenSales);
    } else {
      ++*unread;
    }
  }
};

TEST_P(ConcurrentReadsTest, EveryExtractIsThatOfOneCommittedState) {
  const btrieve::Format format = std::get<1>(GetParam());
  std::vector<RecordBuffer> records;
  for (int line = 1; line <= kLinesPerSale; ++line) {
    records.push_back(Item(500 + line, "ITEM" + std::to_string(line), "THING", 1000, 1, "1L   "));
  }
  for (int sale = 1; sale <= kFirstSales; ++sale) {
    records.push_back(Sale(sale, "20240125", Invoice(sale)));
    for (int line = 1; line <= kLinesPerSale; ++line) records.push_back(Line(sale, line));
  }
  const std::filesystem::path heads = data_ / KezDataFileName(kSalesHead, 1);
  const std::filesystem::path lines = data_ / KezDataFileName(kSalesItem, 1);
  RecordBuffer common = CommonRecord(1);
  common.SetText(common::kDateOrder, "U");
  records.insert(records.begin(), common);
  WriteStore(data_.path(), 1, records);
  if (format == btrieve::Format::kOld) {
    for (const std::filesystem::path& file : {heads, lines}) {
      btrieve::RebuildOptions options;
      options.format = btrieve::Format::kOld;
      btrieve::RebuildReport report;
      const std::filesystem::path old = data_ / "old.KEZ";
      ASSERT_TRUE(btrieve::RebuildFile(file, old, options, &report).ok());
      std::filesystem::rename(old, file);
    }
  }
  UseDataPath(context_.pos, data_.path().string());
  ASSERT_TRUE(DBSM_OpenDatabase(context_.pos));
  ASSERT_TRUE(DBSM_OpenAll(context_.pos));
  const std::vector<Commit> commits = PlanCommits(heads, lines);
  ASSERT_EQ(commits.size(), 2u * kWrittenSales);
  std::unique_ptr<btrieve::File> probe;
  ASSERT_TRUE(btrieve::File::Open(lines, &probe).ok());
  const std::uint32_t page_size = probe->layout().page_size;
  ASSERT_EQ(probe->layout().format, format);
  // A new-format file keeps two control records, in pages 0 and 1.
  const std::size_t control_pages = format == btrieve::Format::kNew ? 2 : 1;
  probe.reset();
  const std::map<std::filesystem::path, btrieve::Bytes> start = {{heads, ReadBytes(heads)},
                                                                 {lines, ReadBytes(lines)}};

  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) WriteCommits(commits, page_size, control_pages, start);

  int extracts = 0;
  int unread = 0;
  int status = 0;
  while (::waitpid(writer, &status, WNOHANG) == 0) {
    ReadOnce(&extracts, &unread);
    if (::testing::Test::HasFatalFailure()) {
      ::waitpid(writer, &status, 0);
      return;
    }
  }
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  const int during = extracts;
  // Once the writer is done, the last state: every sale.
  ReadOnce(&extracts, &unread);
  EXPECT_EQ(SalesInExtract(), kFirstSales + kWrittenSales);
  EXPECT_EQ(SalesInMovement(), kFirstSales + kWrittenSales);
  // Reads made while the writer committed; a read that kept meeting commits gave up rather than
  // mix states, which happens seldom.
  EXPECT_GT(during, 0);
  EXPECT_LE(unread, during);
  std::printf("%d extracts while %d commits were written; %d reads gave up\n", during,
              2 * kWrittenSales, unread);
}

INSTANTIATE_TEST_SUITE_P(
    EnginesAndFormats, ConcurrentReadsTest,
    ::testing::Combine(::testing::Values(Backend::kBuiltIn, Backend::kInstalled),
                       ::testing::Values(btrieve::Format::kNew, btrieve::Format::kOld)),
    [](const ::testing::TestParamInfo<std::tuple<Backend, btrieve::Format>>& test) {
      return BackendName({std::get<0>(test.param), test.index}) +
             (std::get<1>(test.param) == btrieve::Format::kNew ? "New" : "Old");
    });

}  // namespace
}  // namespace kez::testing
