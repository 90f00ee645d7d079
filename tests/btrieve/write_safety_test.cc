// What protects the records: unique keys, keys that may not change, records changed by someone
// else, one writer at a time across processes, and a commit stopped at any write.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

// Records: id (int32, unique, not modifiable) then a code (int16, unique, modifiable), a variable
// tail.
FilePlan Plan(Format format) {
  FilePlan plan;
  plan.format = format;
  plan.page_size = 512;
  plan.record_length = 8;
  plan.variable_length = true;
  plan.keys.push_back({{{0, 4, 0, kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{4, 2, kKeyModifiable, kTypeInteger, 0, -1}}});
  return plan;
}

Bytes Record(std::uint32_t id, std::uint16_t code, std::size_t tail = 0) {
  Bytes record(8 + tail, static_cast<std::uint8_t>(id));
  StoreU32(record.data(), id);
  StoreU16(record.data() + 4, code);
  return record;
}

OpenOptions Writable(int lock_wait_ms = 1000) {
  OpenOptions options;
  options.writable = true;
  options.lock_wait_ms = lock_wait_ms;
  return options;
}

std::set<std::uint32_t> Ids(const std::filesystem::path& path) {
  std::unique_ptr<File> file;
  EXPECT_TRUE(File::Open(path, &file).ok());
  std::set<std::uint32_t> ids;
  if (!file) return ids;
  Bytes key;
  Bytes record;
  for (Status s = file->GetFirst(0, &key, &record); s.ok(); s = file->GetNext(0, &key, &record)) {
    ids.insert(LoadU32(record.data()));
  }
  const FileCheck check = CheckFile(*file);
  EXPECT_TRUE(check.ok()) << check.records_problem
                          << (check.keys.empty() ? "" : check.keys[0].problem);
  return ids;
}

class WriteSafety : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    path_ = dir_ / "file.dat";
    ASSERT_TRUE(CreateFile(path_, Plan(GetParam()), false).ok());
  }
  std::unique_ptr<File> OpenWritable(int lock_wait_ms = 1000) {
    std::unique_ptr<File> file;
    EXPECT_TRUE(File::Open(path_, &file, Writable(lock_wait_ms)).ok());
    return file;
  }
  kez::testing::TempDir dir_;
  std::filesystem::path path_;
};

TEST_P(WriteSafety, UniqueAndUnmodifiableKeysAreGuarded) {
  auto file = OpenWritable();
  Bytes record = Record(1, 10);
  ASSERT_TRUE(file->Insert(0, &record).ok());
  record = Record(2, 20);
  ASSERT_TRUE(file->Insert(0, &record).ok());
  record = Record(3, 10);
  EXPECT_EQ(file->Insert(0, &record).code(), kDuplicateKey);
  record = Record(1, 30);
  EXPECT_EQ(file->Insert(0, &record).code(), kDuplicateKey);

  Bytes key = {2, 0, 0, 0};
  ASSERT_TRUE(file->GetEqual(0, &key, &record).ok());
  EXPECT_EQ(file->Update(0, Record(2, 10)).code(), kDuplicateKey);
  EXPECT_EQ(file->Update(0, Record(9, 20)).code(), kKeyNotModifiable);
  EXPECT_TRUE(file->Update(0, Record(2, 21, 300)).ok());
  EXPECT_EQ(Ids(path_), (std::set<std::uint32_t>{1, 2}));
}

TEST_P(WriteSafety, NoCurrentRecordMeansNothingToChange) {
  auto file = OpenWritable();
  EXPECT_EQ(file->Update(0, Record(1, 1)).code(), kInvalidPositioning);
  EXPECT_EQ(file->Delete().code(), kInvalidPositioning);
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader).ok());
  Bytes record = Record(1, 1);
  EXPECT_EQ(reader->Insert(0, &record).code(), kAccessDenied);
}

TEST_P(WriteSafety, AnotherWriterHoldingTheFileGivesStatus85) {
  auto first = OpenWritable();
  auto second = OpenWritable(50);
  ASSERT_TRUE(first->BeginBulk().ok());
  Bytes record = Record(1, 1);
  ASSERT_TRUE(first->Insert(0, &record).ok());
  record = Record(2, 2);
  EXPECT_EQ(second->Insert(0, &record).code(), kFileLocked);
  ASSERT_TRUE(first->EndBulk().ok());
  EXPECT_TRUE(second->Insert(0, &record).ok());
  EXPECT_EQ(Ids(path_), (std::set<std::uint32_t>{1, 2}));
}

TEST_P(WriteSafety, ARecordChangedSinceItWasReadGivesStatus80) {
  if (GetParam() == Format::kOld) GTEST_SKIP() << "old-format records carry no usage count";
  auto writer = OpenWritable();
  Bytes record = Record(1, 1);
  ASSERT_TRUE(writer->Insert(0, &record).ok());
  auto other = OpenWritable();
  Bytes key = {1, 0, 0, 0};
  ASSERT_TRUE(writer->GetEqual(0, &key, &record).ok());
  ASSERT_TRUE(other->GetEqual(0, &key, &record).ok());
  ASSERT_TRUE(other->Update(0, Record(1, 5)).ok());
  EXPECT_EQ(writer->Update(0, Record(1, 6)).code(), kConflict);
  EXPECT_EQ(writer->Delete().code(), kConflict);
  // Read again, the record can be changed.
  ASSERT_TRUE(writer->GetEqual(0, &key, &record).ok());
  EXPECT_EQ(LoadU16(record.data() + 4), 5);
  EXPECT_TRUE(writer->Update(0, Record(1, 6)).ok());
}

// Every prefix of a commit's writes: the file opens and holds the old or the new records.
TEST_P(WriteSafety, ACommitStoppedAtAnyWriteLeavesOldOrNewState) {
  {
    auto file = OpenWritable();
    ASSERT_TRUE(file->BeginBulk().ok());
    for (std::uint32_t id = 1; id <= 60; ++id) {
      Bytes record = Record(id * 2, static_cast<std::uint16_t>(id), id * 5);
      ASSERT_TRUE(file->Insert(0, &record).ok());
    }
    ASSERT_TRUE(file->EndBulk().ok());
  }
  const std::set<std::uint32_t> before = Ids(path_);
  const std::filesystem::path base = dir_ / "base.dat";
  std::filesystem::copy_file(path_, base);
  // One operation that splits pages and adds a long tail: many page writes.
  std::set<std::uint32_t> after = before;
  after.insert(61);
  bool finished = false;
  for (int writes = 0; !finished && writes < 200; ++writes) {
    SCOPED_TRACE("stopped after " + std::to_string(writes) + " writes");
    std::filesystem::copy_file(base, path_, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(path_.string() + ".journal");
    {
      auto file = OpenWritable();
      file->SimulateCrashAfterWrites(writes);
      Bytes record = Record(61, 999, 2000);
      finished = file->Insert(0, &record).ok();
    }
    std::unique_ptr<File> reader;
    ASSERT_TRUE(File::Open(path_, &reader).ok());
    const std::set<std::uint32_t> now = Ids(path_);
    EXPECT_TRUE(now == before || now == after);
    if (finished) {
      EXPECT_EQ(now, after);
    }
    // A writer opening it afterwards finds a consistent file to go on with.
    auto writer = OpenWritable();
    Bytes record = Record(71, 71);
    const Status inserted = writer->Insert(0, &record);
    EXPECT_TRUE(inserted.ok()) << inserted.ToString();
  }
  EXPECT_TRUE(finished);
}

// Two processes take turns writing the same file; a third reads throughout.
TEST_P(WriteSafety, TwoProcessesWriteTheSameFile) {
  constexpr std::uint32_t kEach = 150;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  const std::uint32_t first = child == 0 ? 1 : 2;
  std::unique_ptr<File> file;
  int failures = 0;
  if (File::Open(path_, &file, Writable(5000)).ok()) {
    for (std::uint32_t i = 0; i < kEach; ++i) {
      const std::uint32_t id = first + 2 * i;
      Bytes record = Record(id, static_cast<std::uint16_t>(id), id % 97);
      if (Status s = file->Insert(0, &record); !s.ok()) {
        std::fprintf(stderr, "insert %u: %s\n", id, s.ToString().c_str());
        ++failures;
      }
      // Reads in between see a whole state each time.
      Bytes key;
      Bytes last;
      if (Status s = file->GetLast(0, &key, &last); !s.ok()) {
        std::fprintf(stderr, "read after %u: %s\n", id, s.ToString().c_str());
        ++failures;
      }
    }
  } else {
    failures = 1;
  }
  if (child == 0) _exit(failures == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(failures, 0);
  const std::set<std::uint32_t> ids = Ids(path_);
  EXPECT_EQ(ids.size(), 2 * kEach);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, WriteSafety, ::testing::Values(Format::kNew, Format::kOld),
                         [](const ::testing::TestParamInfo<Format>& param) {
                           return param.param == Format::kNew ? "NewFormat" : "OldFormat";
                         });

}  // namespace
}  // namespace btrieve
