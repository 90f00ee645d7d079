// The extracts over a store whose sale-lines file was damaged as disks and careless copies damage
// files: cut off, bytes flipped in an index page, in a data page, in the control record. Each
// time either the extract reads every row, or the table gives status 2, the activity log has the
// error line, and no file is written and no export state moves on. Never a file missing rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/rebuild.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "extract_fixture.h"
#include "extracts/extract_output.h"
#include "extracts/movement_collection.h"
#include "extracts/sales_extract.h"
#include "platform/file_io.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/kez_fields.h"
#include "posdata/store_files.h"

namespace kez::testing {
namespace {

constexpr const char* kSalesFile = "KEZSalesExtract0001220240131.csv";
constexpr int kSales = 120;
constexpr int kLinesPerSale = 3;

std::string Invoice(int sale) {
  std::string text = std::to_string(1000 + sale);
  return std::string(7 - text.size(), '0') + text;
}

std::vector<RecordBuffer> Store() {
  std::vector<RecordBuffer> records{CommonRecord(1)};
  for (int line = 1; line <= kLinesPerSale; ++line) {
    records.push_back(Item(500 + line, "ITEM" + std::to_string(line), "THING", 1000, 1, "1L   "));
    records.push_back(
        UpcRecord("ITEM" + std::to_string(line), "00000000000" + std::to_string(line)));
  }
  for (int sale = 1; sale <= kSales; ++sale) {
    records.push_back(Sale(sale, "20240125", Invoice(sale)));
    for (int line = 1; line <= kLinesPerSale; ++line) {
      records.push_back(
          SaleLine(sale, static_cast<std::int16_t>(line), 500 + line, 1, 1000 * line));
    }
  }
  return records;
}

// Where in the sale-lines file things are, read from an undamaged copy.
struct Places {
  std::uint32_t page_size = 0;
  std::uint32_t index_page = 0;  // physical: a page of key 0's index
  std::uint32_t data_page = 0;   // physical: the page of the first record
};

Places Locate(const btrieve::Bytes& bytes) {
  std::unique_ptr<btrieve::File> file;
  Places places;
  EXPECT_TRUE(btrieve::File::OpenBytes(bytes, "lines", &file).ok());
  if (!file) return places;
  places.page_size = file->layout().page_size;
  places.index_page = file->PhysicalPage(file->layout().keys[0].root);
  btrieve::Bytes record;
  std::uint32_t address = 0;
  EXPECT_TRUE(file->StepFirst(&record).ok());
  EXPECT_TRUE(file->GetPosition(&address).ok());
  places.data_page = file->PhysicalPage(address / places.page_size);
  return places;
}

using Damage = std::function<void(btrieve::Bytes& bytes, const Places& places)>;

class DamagedStoreTest : public ExtractTest {
 protected:
  DamagedStoreTest() {
    // As the programs without a screen run: status 2 ends the reading, not the process.
    context_.pos.end_on_fatal = false;
    context_.pos.log_error = log_;
    context_.export_state.ExportDate = "1/25/2024";
    context_.ReportSettings[kSymphonyIriReport].StartDate = {2024, 1, 31, 0, 0, 0, 0};
  }

  std::filesystem::path LinesFile() const { return data_ / KezDataFileName(kSalesItem, 1); }

  // Writes the store (its sale-lines file in `format`), damages the sale-lines file and opens
  // the tables as start-up does. False when a table did not open.
  bool OpenDamaged(btrieve::Format format, const Damage& damage) {
    WriteStore(data_.path(), 1, Store());
    if (format == btrieve::Format::kOld) {
      btrieve::RebuildOptions options;
      options.format = btrieve::Format::kOld;
      btrieve::RebuildReport report;
      const std::filesystem::path old = data_ / "old.KEZ";
      EXPECT_TRUE(btrieve::RebuildFile(LinesFile(), old, options, &report).ok());
      std::filesystem::rename(old, LinesFile());
    }
    std::string bytes_text;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(LinesFile(), &bytes_text, &error)) << error;
    btrieve::Bytes bytes(bytes_text.begin(), bytes_text.end());
    damage(bytes, Locate(bytes));
    EXPECT_TRUE(ReplaceFileAtomically(LinesFile(), std::string(bytes.begin(), bytes.end()),
                                      FileAccess::kShared, &error))
        << error;
    UseDataPath(context_.pos, data_.path().string());
    EXPECT_TRUE(DBSM_OpenDatabase(context_.pos));
    return DBSM_OpenAll(context_.pos);
  }

  bool LoggedError() const {
    std::string log;
    std::string error;
    return ReadWholeFile(LogFilePath(app_dir_.path()), &log, &error) &&
           log.find("DATABASE ERROR: ") != std::string::npos;
  }

  // Runs the sales extract and the movement collection; true when the damage was reported,
  // false when both read everything. Anything in between fails the test.
  bool ReadsWholeOrReports(bool opened) {
    if (!opened) {
      EXPECT_EQ(context_.pos.DBSM_Table[kSalesItem].Status, 2);
      EXPECT_TRUE(LoggedError());
      return true;
    }
    const ExtractResult result = CreateSalesExtract(context_.pos, context_.export_state, log_);
    const std::optional<std::int64_t> rows = CollectMovementData(
        context_.pos, ReportRecord(context_, kSymphonyIriReport), context_.movement);
    if (result == ExtractResult::kWritten) {
      EXPECT_EQ(ExportedLineCount(), kSales * kLinesPerSale);
      EXPECT_EQ(context_.export_state.LastInvoice, Invoice(kSales));
    } else {
      EXPECT_EQ(result, ExtractResult::kNotRead);
      EXPECT_FALSE(PortalFileExists(kSalesFile));
      EXPECT_EQ(context_.export_state.LastInvoice, "0000000");
    }
    if (rows) {
      // One row per item on the one sale day. A flipped byte in a field no key holds (an item
      // number, a quantity) changes a figure, which no reader can tell; it takes no row away.
      std::set<std::int32_t> items;
      for (const clsMovmentData& row : context_.movement.MovementRows) items.insert(row.InvID);
      for (int line = 1; line <= kLinesPerSale; ++line) EXPECT_EQ(items.count(500 + line), 1u);
    }
    const bool reported = result != ExtractResult::kWritten || !rows;
    EXPECT_EQ(reported, LoggedError());
    return reported;
  }

  int ExportedLineCount() const {
    const std::string file = PortalFile(kSalesFile);
    int lines = 0;
    for (char c : file) lines += c == '\n' ? 1 : 0;
    return lines;
  }
};

// Cut-off files on both engines: the installed one must hand the record layer the same status 2.
class CutOff : public DamagedStoreTest,
               public ::testing::WithParamInterface<std::tuple<btrieve::Format, int, Backend>> {
 protected:
  CutOff() { UseEngine(std::get<2>(GetParam())); }
};

TEST_P(CutOff, EveryCutIsReported) {
  const btrieve::Format format = std::get<0>(GetParam());
  const int eighths = std::get<1>(GetParam());
  const bool opened = OpenDamaged(format, [eighths](btrieve::Bytes& bytes, const Places& places) {
    // Whole pages, and one page short of the whole file.
    const std::size_t pages = bytes.size() / places.page_size;
    const std::size_t kept =
        eighths == 8 ? pages - 1 : pages * static_cast<std::size_t>(eighths) / 8;
    bytes.resize(kept * places.page_size + (eighths == 3 ? 100 : 0));
  });
  EXPECT_TRUE(ReadsWholeOrReports(opened));
}

INSTANTIATE_TEST_SUITE_P(
    BothFormats, CutOff,
    ::testing::Combine(::testing::Values(btrieve::Format::kNew, btrieve::Format::kOld),
                       ::testing::Values(2, 3, 4, 6, 8),
                       ::testing::Values(Backend::kBuiltIn, Backend::kInstalled)));

class Flipped : public DamagedStoreTest, public ::testing::WithParamInterface<btrieve::Format> {};

TEST_P(Flipped, IndexPageBytesAreReported) {
  const bool opened = OpenDamaged(GetParam(), [](btrieve::Bytes& bytes, const Places& places) {
    const std::size_t start = std::size_t{places.index_page} * places.page_size;
    for (std::size_t i = 8; i < places.page_size; i += 61) bytes[start + i] ^= 0xA5;
  });
  EXPECT_TRUE(ReadsWholeOrReports(opened));
}

TEST_P(Flipped, DataPageBytesAreReported) {
  const bool opened = OpenDamaged(GetParam(), [](btrieve::Bytes& bytes, const Places& places) {
    const std::size_t start = std::size_t{places.data_page} * places.page_size;
    for (std::size_t i = 16; i < places.page_size; i += 37) bytes[start + i] ^= 0x5A;
  });
  EXPECT_TRUE(ReadsWholeOrReports(opened));
}

TEST_P(Flipped, ControlRecordCountsAreReported) {
  // The record count changed, then a page count beyond the file's pages. (A page count below
  // them is no damage: an engine adding pages writes them before the control record.)
  for (const bool records : {true, false}) {
    SCOPED_TRACE(records ? "record count" : "page count");
    DBSM_UnloadHolder(context_.pos);
    std::filesystem::remove(LogFilePath(app_dir_.path()));
    const bool opened = OpenDamaged(GetParam(), [records](btrieve::Bytes& bytes,
                                                          const Places& places) {
      // Both control records of a new-format file: the current one may be either. Counts
      // are stored high word first.
      for (std::size_t fcr = 0; fcr < (GetParam() == btrieve::Format::kNew ? 2u : 1u); ++fcr) {
        std::uint8_t* low_word = &bytes[fcr * places.page_size + (records ? 0x1A : 0x26) + 2];
        const auto count = btrieve::LoadU16(low_word);
        btrieve::StoreU16(low_word, static_cast<std::uint16_t>(records ? count ^ 3 : count + 5));
      }
    });
    // A new-format file's page count may grow past the pages its tables map without harm.
    const bool reported = ReadsWholeOrReports(opened);
    if (records || GetParam() == btrieve::Format::kOld) {
      EXPECT_TRUE(reported);
    }
  }
}

TEST_P(Flipped, BytesEverywhereNeverGiveAShortFile) {
  // Single bytes across the whole file: whatever each does, the extract is whole or reported.
  std::string bytes_text;
  std::string error;
  int reported = 0;
  int flips = 0;
  for (std::size_t at = 150;; at += 1999) {
    DBSM_UnloadHolder(context_.pos);
    std::filesystem::remove_all(data_ / "MarketingPortal");
    std::filesystem::remove(LogFilePath(app_dir_.path()));
    context_.export_state.LastInvoice = "0000000";
    bool past_end = false;
    const bool opened = OpenDamaged(GetParam(), [&](btrieve::Bytes& bytes, const Places&) {
      past_end = at >= bytes.size();
      if (!past_end) bytes[at] ^= 0xFF;
    });
    if (past_end) break;
    SCOPED_TRACE("byte " + std::to_string(at));
    ++flips;
    reported += ReadsWholeOrReports(opened) ? 1 : 0;
  }
  EXPECT_GT(flips, 5);
  EXPECT_GT(reported, 0);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, Flipped,
                         ::testing::Values(btrieve::Format::kNew, btrieve::Format::kOld));

}  // namespace
}  // namespace kez::testing
