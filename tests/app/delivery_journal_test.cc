// The delivery journal on its own: what counts as delivered, what waits, and what survives a
// reload or a damaged line.
#include "app/delivery_journal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "platform/date_text.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

// Test files are "F" + YYYYMMDD + ".txt"; anything else is not a report file.
std::optional<LocalDateTime> DayOf(std::string_view name) {
  if (name.size() != 13 || name.front() != 'F' || name.substr(9) != ".txt") return std::nullopt;
  return ParseDateKey(name.substr(1, 8));
}

constexpr LocalDateTime kToday{2026, 3, 10, 1, 0, 0, 0};

class DeliveryJournalTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  DeliveryJournal Open() {
    std::string error;
    DeliveryJournal journal = DeliveryJournal::Open(folder_.path(), DayOf, kToday, &error);
    EXPECT_EQ(error, "");
    return journal;
  }

  testing::TempDir folder_;
};

TEST_F(DeliveryJournalTest, TheFirstOpenTakesThePresentFilesAsDeliveredAndWritesTheJournal) {
  Write("F20260309.txt", "yesterday");
  Write("notes.txt", "not a report file");
  DeliveryJournal journal = Open();
  EXPECT_TRUE(fs::exists(folder_ / kDeliveryJournalName));
  EXPECT_TRUE(journal.IsDelivered(folder_ / "F20260309.txt"));
  ASSERT_EQ(journal.entries().size(), 1u);
  EXPECT_TRUE(journal.Pending(14, kToday).empty());

  // Files made after the journal exists wait until a delivery is recorded.
  Write("F20260310.txt", "today");
  EXPECT_EQ(Open().Pending(14, kToday), std::vector<fs::path>{folder_ / "F20260310.txt"});
}

TEST_F(DeliveryJournalTest, OnlyTheBytesThatWereSentCountAsDelivered) {
  DeliveryJournal journal = Open();
  Write("F20260310.txt", "first run");
  journal.MarkDelivered(folder_ / "F20260310.txt", kToday);
  EXPECT_TRUE(journal.IsDelivered(folder_ / "F20260310.txt"));
  Write("F20260310.txt", "first run and more");
  EXPECT_FALSE(journal.IsDelivered(folder_ / "F20260310.txt"));
  // The same length with other bytes is caught by the digest.
  Write("F20260310.txt", "first run");
  EXPECT_TRUE(journal.IsDelivered(folder_ / "F20260310.txt"));
  Write("F20260310.txt", "first rum");
  EXPECT_FALSE(journal.IsDelivered(folder_ / "F20260310.txt"));
}

TEST_F(DeliveryJournalTest, PendingFilesComeOldestFirstWithinTheDaysAndKeepTheirReason) {
  DeliveryJournal journal = Open();
  Write("F20260310.txt", "c");
  Write("F20260302.txt", "b");
  Write("F20260224.txt", "too old for 14 days");
  Write("F20260311.txt", "a day ahead of today");
  journal.MarkFailed(folder_ / "F20260302.txt", "452 Insufficient\r\nstorage\tspace", kToday);
  std::string error;
  ASSERT_TRUE(journal.Save(&error)) << error;

  DeliveryJournal reread = Open();
  EXPECT_EQ(reread.Pending(14, kToday),
            (std::vector<fs::path>{folder_ / "F20260302.txt", folder_ / "F20260310.txt"}));
  const std::vector<PendingFile> pending = reread.PendingWithReasons(14, kToday);
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].reason, "452 Insufficient  storage space");
  EXPECT_EQ(pending[0].last_try, "20260310 01:00");
  EXPECT_EQ(pending[1].reason, "not tried yet");
  EXPECT_EQ(reread.Pending(1, kToday), std::vector<fs::path>{folder_ / "F20260310.txt"});
}

TEST_F(DeliveryJournalTest, ADamagedLineIsDroppedAndItsFileWaitsAgain) {
  Write("F20260309.txt", "x");
  Open();  // takes the file as delivered
  std::string text;
  {
    std::ifstream in(folder_ / kDeliveryJournalName, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::size_t size_at = text.find("F20260309.txt\t") + 14;
  text[size_at] = 'z';  // the size is no number any more
  std::ofstream(folder_ / kDeliveryJournalName, std::ios::binary) << text;
  // A journal that exists is never taken for a first run: the file is sent again, not lost.
  EXPECT_EQ(Open().Pending(14, kToday), std::vector<fs::path>{folder_ / "F20260309.txt"});
}

}  // namespace
}  // namespace kez
