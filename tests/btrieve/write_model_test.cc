// Long random sequences of inserts, updates and deletes, checked after every step against a
// plain model of each key's order, in both file formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"

namespace btrieve {
namespace {

// Records: id (int32, unique, key 0), group (int16, linked duplicates, key 1), name (10 chars,
// duplicates, blank = null, key 2), then a variable tail.
constexpr std::uint16_t kRecordLength = 16;

FilePlan ModelPlan(Format format, std::uint16_t page_size) {
  FilePlan plan;
  plan.format = format;
  plan.record_length = kRecordLength;
  plan.page_size = page_size;
  plan.variable_length = true;
  plan.keys.push_back({{{0, 4, 0, kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{4, 2, kKeyDuplicates | kKeyModifiable, kTypeInteger, 0, -1}}});
  const std::uint16_t name_flags =
      kKeyDuplicates | kKeyModifiable | kKeyNullAll |
      (format == Format::kNew ? kKeyRepeatingDuplicates | kKeyCaseInsensitive : 0);
  plan.keys.push_back({{{6, 10, name_flags, kTypeString, ' ', -1}}});
  return plan;
}

struct Row {
  std::int32_t id;
  std::int16_t group;
  std::string name;  // 10 characters
  std::string tail;
};

Bytes Encode(const Row& row) {
  Bytes record(kRecordLength + row.tail.size());
  StoreU32(record.data(), static_cast<std::uint32_t>(row.id));
  StoreU16(record.data() + 4, static_cast<std::uint16_t>(row.group));
  std::memcpy(record.data() + 6, row.name.data(), 10);
  std::memcpy(record.data() + kRecordLength, row.tail.data(), row.tail.size());
  return record;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Model {
 public:
  explicit Model(bool case_insensitive) : case_insensitive_(case_insensitive) {}

  void Insert(const Row& row) {
    rows_[row.id] = row;
    by_group_.emplace(row.group, row.id);
    if (!Blank(row.name)) by_name_.emplace(NameKey(row.name), row.id);
  }
  void Erase(std::int32_t id) {
    const Row row = rows_.at(id);
    EraseFrom(by_group_, row.group, id);
    if (!Blank(row.name)) EraseFrom(by_name_, NameKey(row.name), id);
    rows_.erase(id);
  }
  // An update moves a record to the end of its new value's duplicates only when the value changes.
  void Update(const Row& row) {
    const Row old = rows_.at(row.id);
    rows_[row.id] = row;
    if (old.group != row.group) {
      EraseFrom(by_group_, old.group, row.id);
      by_group_.emplace(row.group, row.id);
    }
    if (old.name != row.name) {
      if (!Blank(old.name)) EraseFrom(by_name_, NameKey(old.name), row.id);
      if (!Blank(row.name)) by_name_.emplace(NameKey(row.name), row.id);
    }
  }

  std::vector<std::int32_t> Order(int key) const {
    std::vector<std::int32_t> ids;
    if (key == 0) {
      for (const auto& [id, row] : rows_) ids.push_back(id);
    } else if (key == 1) {
      for (const auto& [group, id] : by_group_) ids.push_back(id);
    } else {
      for (const auto& [name, id] : by_name_) ids.push_back(id);
    }
    return ids;
  }
  const std::map<std::int32_t, Row>& rows() const { return rows_; }

 private:
  static bool Blank(const std::string& name) { return name == std::string(10, ' '); }
  std::string NameKey(const std::string& name) const {
    return case_insensitive_ ? Upper(name) : name;
  }
  template <typename K>
  static void EraseFrom(std::multimap<K, std::int32_t>& index, const K& key, std::int32_t id) {
    auto [begin, end] = index.equal_range(key);
    for (auto it = begin; it != end; ++it) {
      if (it->second == id) {
        index.erase(it);
        return;
      }
    }
    FAIL() << "model lost id " << id;
  }

  bool case_insensitive_;
  std::map<std::int32_t, Row> rows_;
  std::multimap<std::int16_t, std::int32_t> by_group_;
  std::multimap<std::string, std::int32_t> by_name_;
};

std::vector<std::int32_t> FileOrder(File& file, int key) {
  std::vector<std::int32_t> ids;
  Bytes value;
  Bytes record;
  for (Status s = file.GetFirst(key, &value, &record); s.ok();
       s = file.GetNext(key, &value, &record)) {
    ids.push_back(static_cast<std::int32_t>(LoadU32(record.data())));
  }
  return ids;
}

Row RandomRow(std::mt19937& random, std::int32_t id) {
  static const char* kNames[] = {"alpha     ", "ALPHA     ", "beta      ", "gamma     ",
                                 "          ", "Delta     ", "delta     "};
  Row row;
  row.id = id;
  row.group = static_cast<std::int16_t>(std::uniform_int_distribution<int>(-3, 12)(random));
  row.name = kNames[std::uniform_int_distribution<int>(0, 6)(random)];
  row.tail.assign(std::uniform_int_distribution<std::size_t>(0, 700)(random),
                  static_cast<char>('a' + id % 26));
  return row;
}

// Positions the file on the record with this id (key 0).
void Find(File& file, std::int32_t id, Bytes* record) {
  Bytes key(4);
  StoreU32(key.data(), static_cast<std::uint32_t>(id));
  ASSERT_TRUE(file.GetEqual(0, &key, record).ok());
}

void RunRandomOperations(Format format, std::uint16_t page_size, int steps, unsigned seed) {
  Bytes image;
  ASSERT_TRUE(BuildEmptyFile(ModelPlan(format, page_size), &image).ok());
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::OpenBytes(image, "model", &file).ok());
  Model model(format == Format::kNew);
  // KEZ_RANDOM_SEED replays or explores other sequences.
  if (const char* given = std::getenv("KEZ_RANDOM_SEED"))
    seed = static_cast<unsigned>(std::atoi(given));
  std::mt19937 random(seed);
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int choice = std::uniform_int_distribution<int>(0, 9)(random);
    const std::int32_t id = std::uniform_int_distribution<std::int32_t>(1, 400)(random);
    const bool exists = model.rows().count(id) > 0;
    Bytes record;
    if (choice < 5) {
      const Row row = RandomRow(random, id);
      record = Encode(row);
      const Status s = file->Insert(0, &record);
      if (exists) {
        ASSERT_EQ(s.code(), kDuplicateKey) << s.ToString();
      } else {
        ASSERT_TRUE(s.ok()) << s.ToString();
        model.Insert(row);
      }
    } else if (choice < 8 && exists) {
      Find(*file, id, &record);
      Row row = RandomRow(random, id);
      record = Encode(row);
      const Status s = file->Update(1, record);
      ASSERT_TRUE(s.ok()) << s.ToString();
      model.Update(row);
    } else if (exists) {
      Find(*file, id, &record);
      ASSERT_TRUE(file->Delete().ok());
      model.Erase(id);
    }
    if (std::getenv("KEZ_CHECK_EVERY_STEP")) {
      const FileCheck check = CheckFile(*file);
      ASSERT_TRUE(check.ok()) << check.keys[2].problem << check.keys[1].problem
                              << check.keys[0].problem << " op " << choice << " id " << id;
    }
    for (int key = 0; key < 3; ++key) {
      const auto actual = FileOrder(*file, key);
      const auto expected = model.Order(key);
      if (actual != expected) {
        std::size_t i = 0;
        while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
        FAIL() << "key " << key << " differs at " << i << " of " << actual.size() << "/"
               << expected.size() << ": file has " << (i < actual.size() ? actual[i] : -1)
               << ", model " << (i < expected.size() ? expected[i] : -1) << " (op " << choice
               << " id " << id << ")";
      }
    }
  }
  // Every record reads back whole, and the file is consistent when opened afresh.
  for (const auto& [id, row] : model.rows()) {
    Bytes record;
    Find(*file, id, &record);
    ASSERT_EQ(record, Encode(row));
  }
  std::unique_ptr<File> reopened;
  ASSERT_TRUE(File::OpenBytes(file->Snapshot(), "reopened", &reopened).ok());
  const FileCheck check = CheckFile(*reopened);
  EXPECT_TRUE(check.ok()) << check.records_problem
                          << (check.keys.empty() ? "" : check.keys[0].problem);
  for (int key = 0; key < 3; ++key) EXPECT_EQ(FileOrder(*reopened, key), model.Order(key));
}

TEST(RandomWrites, NewFormatSmallPagesSplitAndMerge) {
  RunRandomOperations(Format::kNew, 512, 3000, 1);
}
TEST(RandomWrites, NewFormatLargePages) { RunRandomOperations(Format::kNew, 4096, 1500, 2); }
TEST(RandomWrites, OldFormatSmallPages) { RunRandomOperations(Format::kOld, 512, 3000, 3); }
TEST(RandomWrites, OldFormatLargePages) { RunRandomOperations(Format::kOld, 1024, 1500, 4); }

}  // namespace
}  // namespace btrieve
