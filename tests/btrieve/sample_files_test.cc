// Every real sample file, written by real engines, read and checked against what is known of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "support/samples.h"

namespace btrieve {
namespace {

struct Expected {
  const char* path;
  const char* version;
  std::uint32_t page_size;
  std::uint32_t records;
  std::vector<std::uint64_t> entries;  // per key
  std::vector<int> levels;             // per key
};

// Counts from the samples' README and from walking each file byte by byte.
const std::vector<Expected>& AllSamples() {
  static const std::vector<Expected> samples = {
      {"wbtrv32/assets/GALTELA.DAT", "6.0", 4096, 73, {73, 2, 73}, {1, 1, 1}},
      {"wbtrv32/assets/MBBSEMU.DAT", "4.0", 512, 4, {1, 4, 4, 4}, {1, 1, 1, 1}},
      {"wbtrv32/assets/MBMGEPLT.DAT", "4.0", 1024, 22, {22, 8, 3}, {1, 1, 1}},
      {"wbtrv32/assets/MULTIACS.DAT", "6.1", 4096, 0, {0, 0, 0}, {1, 1, 1}},
      {"wbtrv32/assets/VARIABLE.DAT", "4.0", 512, 1024, {64, 1024}, {2, 2}},
      {"wbtrv32/assets/WCCACMS2.DAT", "6.0", 4096, 7639, {7639}, {2}},
      {"wbtrv32/assets/WGSMENU2.DAT", "6.0", 4096, 46, {46}, {1}},
      {"Xtrieve/data/fixtures/TEST.DAT", "3.0", 1024, 5, {5}, {1}},
      {"Xtrieve/data/fixtures/TESTE.DAT", "3.0", 1024, 600, {600}, {2}},
      {"doclife/FILE.DDF", "4.0", 4096, 30, {30, 30}, {1, 1}},
      {"doclife/FIELD.DDF", "4.0", 4096, 150, {150, 29, 120, 150}, {1, 1, 1, 2}},
      {"doclife/INDEX.DDF", "4.0", 4096, 84, {84}, {1}},
      {"doclife/RELATION.DDF", "4.0", 4096, 0, {0}, {1}},
      {"doclife/CLSCTRS.DDF", "4.0", 4096, 68, {68}, {1}},
      {"doclife/WINSIZE.DAT", "4.0", 4096, 31, {31}, {1}},
      {"doclife/F10.DAT", "4.0", 4096, 16, {16}, {1}},
      {"doclife/F11.DAT", "4.0", 4096, 0, {0}, {1}},
      {"doclife/F13.DAT", "4.0", 4096, 1, {1, 1}, {1, 1}},
      {"doclife/F16.DAT", "4.0", 4096, 0, {0}, {1}},
      {"doclife/F17.DAT", "4.0", 4096, 46, {46, 46, 46}, {1, 1, 1}},
      {"doclife/F18.DAT", "4.0", 4096, 32, {32, 32, 32}, {1, 1, 1}},
      {"doclife/F19.DAT", "4.0", 4096, 0, {0, 0}, {1, 1}},
      {"doclife/F20.DAT", "4.0", 4096, 65, {65, 65}, {1, 2}},
      {"doclife/F23.DAT", "4.0", 4096, 82, {53}, {1}},
  };
  return samples;
}

void PrintTo(const Expected& expected, std::ostream* out) { *out << expected.path; }

class SampleFileTest : public ::testing::TestWithParam<Expected> {
 protected:
  void SetUp() override { KEZ_NEEDS_SAMPLES(GetParam().path); }
};

TEST_P(SampleFileTest, EveryIndexReachesEveryRecordInOrder) {
  const Expected& expected = GetParam();
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath(expected.path), &file).ok());
  EXPECT_EQ(file->layout().VersionText(), expected.version);
  EXPECT_EQ(file->layout().page_size, expected.page_size);
  EXPECT_EQ(file->layout().record_count, expected.records);

  const FileCheck check = CheckFile(*file);
  EXPECT_TRUE(check.records_ok) << check.records_problem;
  EXPECT_EQ(check.live_records, expected.records);
  ASSERT_EQ(check.keys.size(), expected.entries.size());
  for (std::size_t k = 0; k < check.keys.size(); ++k) {
    SCOPED_TRACE("key " + std::to_string(k));
    EXPECT_TRUE(check.keys[k].ok) << check.keys[k].problem;
    EXPECT_EQ(check.keys[k].entries, expected.entries[k]);
    EXPECT_EQ(check.keys[k].levels, expected.levels[k]);
  }
}

TEST_P(SampleFileTest, KeyOrderThroughGetNextMatchesReverseGetPrevious) {
  const Expected& expected = GetParam();
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath(expected.path), &file).ok());
  Bytes key;
  Bytes record;
  for (const KeyLayout& plan : file->layout().keys) {
    std::vector<std::uint32_t> forward;
    std::vector<std::uint32_t> backward;
    std::uint32_t position = 0;
    for (Status s = file->GetFirst(plan.number, &key, &record); s.ok();
         s = file->GetNext(plan.number, &key, &record)) {
      ASSERT_TRUE(file->GetPosition(&position).ok());
      forward.push_back(position);
    }
    for (Status s = file->GetLast(plan.number, &key, &record); s.ok();
         s = file->GetPrevious(plan.number, &key, &record)) {
      ASSERT_TRUE(file->GetPosition(&position).ok());
      backward.push_back(position);
    }
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward) << "key " << plan.number;
    EXPECT_TRUE(file->FallbackReason(plan.number).empty());
  }
}

TEST_P(SampleFileTest, PhysicalStepsVisitEachRecordOnceBothWays) {
  const Expected& expected = GetParam();
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath(expected.path), &file).ok());
  Bytes record;
  std::vector<std::uint32_t> forward;
  std::vector<std::uint32_t> backward;
  std::uint32_t position = 0;
  Status s = file->StepFirst(&record);
  for (; s.ok(); s = file->StepNext(&record)) {
    ASSERT_TRUE(file->GetPosition(&position).ok());
    forward.push_back(position);
  }
  EXPECT_EQ(s.code(), kEndOfFile);
  for (s = file->StepLast(&record); s.ok(); s = file->StepPrevious(&record)) {
    ASSERT_TRUE(file->GetPosition(&position).ok());
    backward.push_back(position);
  }
  EXPECT_EQ(s.code(), kEndOfFile);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward.size(), expected.records);
  EXPECT_EQ(forward, backward);
  EXPECT_TRUE(std::is_sorted(forward.begin(), forward.end()));
}

// A reader that takes records a batch at a time gets exactly what single steps give, in physical
// and every key's order, whatever the batch size, and its position ends on the last one.
TEST_P(SampleFileTest, BatchesReadWhatSingleStepsRead) {
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath(GetParam().path), &file).ok());
  Bytes key;
  Bytes record;
  // key -1: physical order.
  for (int k = -1; k < static_cast<int>(file->layout().keys.size()); ++k) {
    const int number = k < 0 ? -1 : file->layout().keys[static_cast<std::size_t>(k)].number;
    auto first = [&] {
      return number < 0 ? file->StepFirst(&record) : file->GetFirst(number, &key, &record);
    };
    std::vector<Bytes> singly;
    for (Status s = first(); s.ok();
         s = number < 0 ? file->StepNext(&record) : file->GetNext(number, &key, &record)) {
      singly.push_back(record);
    }
    for (const std::size_t size : {1u, 3u, 256u}) {
      SCOPED_TRACE("key " + std::to_string(number) + ", batches of " + std::to_string(size));
      std::vector<Bytes> batched;
      RecordBatch batch;
      Status s = first();
      if (s.ok()) batched.push_back(record);
      while (s.ok()) {
        s = number < 0 ? file->StepNextBatch(size, &batch)
                       : file->GetNextBatch(number, size, &batch);
        if (!s.ok()) break;
        ASSERT_FALSE(batch.empty());
        ASSERT_LE(batch.size(), size);
        for (std::size_t i = 0; i < batch.size(); ++i) {
          batched.emplace_back(batch[i].begin(), batch[i].end());
        }
        // The position is on the batch's last record: a single step back gives the one before.
        if (batched.size() >= 2 && size == 3) {
          Status back =
              number < 0 ? file->StepPrevious(&record) : file->GetPrevious(number, &key, &record);
          ASSERT_TRUE(back.ok()) << back.ToString();
          EXPECT_EQ(record, batched[batched.size() - 2]);
          back = number < 0 ? file->StepNext(&record) : file->GetNext(number, &key, &record);
          ASSERT_TRUE(back.ok()) << back.ToString();
          EXPECT_EQ(record, batched.back());
        }
      }
      if (!singly.empty()) {
        EXPECT_EQ(s.code(), kEndOfFile) << s.ToString();
      }
      EXPECT_EQ(batched, singly);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RealEngines, SampleFileTest, ::testing::ValuesIn(AllSamples()),
                         [](const ::testing::TestParamInfo<Expected>& param) {
                           std::string name = param.param.path;
                           name = name.substr(name.find_last_of('/') + 1);
                           for (char& c : name) {
                             if (c == '.') c = '_';
                           }
                           return name;
                         });

// VARIABLE.DAT was made by a test program: record i is EF BE AD DE, u16 i%64, u16 i, then a
// tail of bytes 0, 1, ..., i-1 (mod 256). Key 0 is i%64 with duplicates, key 1 is i.
Bytes VariableRecord(int i) {
  Bytes record = {0xEF,
                  0xBE,
                  0xAD,
                  0xDE,
                  static_cast<std::uint8_t>(i % 64),
                  0,
                  static_cast<std::uint8_t>(i & 0xFF),
                  static_cast<std::uint8_t>(i >> 8)};
  for (int b = 0; b < i; ++b) record.push_back(static_cast<std::uint8_t>(b));
  return record;
}

TEST(VariableLengthRecords, AllTailsRebuiltExactlyInKeyOrder) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath("wbtrv32/assets/VARIABLE.DAT"), &file).ok());
  Bytes key;
  Bytes record;
  int i = 0;
  for (Status s = file->GetFirst(1, &key, &record); s.ok(); s = file->GetNext(1, &key, &record)) {
    ASSERT_EQ(record, VariableRecord(i)) << "record " << i;
    ++i;
  }
  EXPECT_EQ(i, 1024);
}

TEST(VariableLengthRecords, LinkedDuplicatesComeInInsertionOrder) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath("wbtrv32/assets/VARIABLE.DAT"), &file).ok());
  Bytes key = {5, 0};
  Bytes record;
  std::vector<int> found;
  for (Status s = file->GetEqual(0, &key, &record); s.ok() && key == Bytes{5, 0};
       s = file->GetNext(0, &key, &record)) {
    found.push_back(record[6] | (record[7] << 8));
  }
  std::vector<int> expected;
  for (int i = 5; i < 1024; i += 64) expected.push_back(i);
  EXPECT_EQ(found, expected);

  // Backwards from the value's last duplicate gives the same chain reversed.
  key = {5, 0};
  found.clear();
  for (Status s = file->GetLessOrEqual(0, &key, &record); s.ok() && key == Bytes{5, 0};
       s = file->GetPrevious(0, &key, &record)) {
    found.push_back(record[6] | (record[7] << 8));
  }
  std::reverse(found.begin(), found.end());
  EXPECT_EQ(found, expected);
}

TEST(VariableLengthRecords, SixPointOhFragmentsReassemble) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WGSMENU2.DAT");
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(kez::testing::SamplePath("wbtrv32/assets/WGSMENU2.DAT"), &file).ok());
  Bytes record;
  std::size_t longest = 0;
  int count = 0;
  for (Status s = file->StepFirst(&record); s.ok(); s = file->StepNext(&record)) {
    ASSERT_GE(record.size(), file->layout().record_length);
    longest = std::max(longest, record.size() - file->layout().record_length);
    ++count;
  }
  EXPECT_EQ(count, 46);
  EXPECT_GT(longest, 1000u);  // tails of up to about 1.8 KB span fragments
}

}  // namespace
}  // namespace btrieve

namespace btrieve {
namespace {

// A cache of a few pages must give the same records in the same orders as any other: pages an
// operation holds stay put while it runs, and evicted pages are read again.
TEST(PageCache, TinyCacheReadsLikeAWholeFileInMemory) {
  for (const char* path : {"wbtrv32/assets/WCCACMS2.DAT", "wbtrv32/assets/VARIABLE.DAT",
                           "wbtrv32/assets/GALTELA.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    SCOPED_TRACE(path);
    const auto full_path = kez::testing::SamplePath(path);
    std::unique_ptr<File> small;
    std::unique_ptr<File> memory;
    ASSERT_TRUE(File::Open(full_path, &small, {.cache_bytes = 8 * 512}).ok());
    ASSERT_TRUE(File::OpenBytes(kez::testing::ReadBytes(full_path), path, &memory).ok());
    EXPECT_TRUE(CheckFile(*small).ok());
    for (const KeyLayout& plan : memory->layout().keys) {
      Bytes key_a, key_b, record_a, record_b;
      Status a = small->GetLast(plan.number, &key_a, &record_a);
      Status b = memory->GetLast(plan.number, &key_b, &record_b);
      for (; a.ok() && b.ok(); a = small->GetPrevious(plan.number, &key_a, &record_a),
                               b = memory->GetPrevious(plan.number, &key_b, &record_b)) {
        ASSERT_EQ(record_a, record_b);
      }
      EXPECT_EQ(a.code(), kEndOfFile);
      EXPECT_EQ(b.code(), kEndOfFile);
    }
  }
}

}  // namespace
}  // namespace btrieve
