// Keyed positioning (Equal, Greater, Less and their Or-Equal forms) checked against a plain
// sorted model of each key, plus the statuses that guard positioning.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/operation.h"
#include "support/samples.h"

namespace btrieve {
namespace {

struct Entry {
  std::int64_t value;
  std::uint32_t position;
};

std::unique_ptr<File> OpenSample(const char* path) {
  std::unique_ptr<File> file;
  EXPECT_TRUE(File::Open(kez::testing::SamplePath(path), &file).ok());
  return file;
}

// The key order of an integer key of `width` bytes, collected with GetFirst/GetNext.
std::vector<Entry> Model(File& file, int key_number, int width) {
  std::vector<Entry> model;
  Bytes key;
  Bytes record;
  for (Status s = file.GetFirst(key_number, &key, &record); s.ok();
       s = file.GetNext(key_number, &key, &record)) {
    std::uint32_t position = 0;
    EXPECT_TRUE(file.GetPosition(&position).ok());
    EXPECT_EQ(key.size(), static_cast<std::size_t>(width));
    if (key.size() != static_cast<std::size_t>(width)) break;
    const std::int64_t value = width == 2 ? LoadU16(key.data()) : LoadU32(key.data());
    model.push_back({value, position});
  }
  return model;
}

std::optional<std::uint32_t> Expect(const std::vector<Entry>& model, int op, std::int64_t v) {
  switch (op) {
    case kOpGetEqual:
    case kOpGetGreaterOrEqual:
    case kOpGetGreater: {
      auto it = std::find_if(model.begin(), model.end(), [&](const Entry& e) {
        return op == kOpGetGreater ? e.value > v : e.value >= v;
      });
      if (it == model.end() || (op == kOpGetEqual && it->value != v)) return std::nullopt;
      return it->position;
    }
    default: {  // Less, Less or Equal: the last qualifying entry (the last of its duplicates)
      auto it = std::find_if(model.rbegin(), model.rend(), [&](const Entry& e) {
        return op == kOpGetLess ? e.value < v : e.value <= v;
      });
      if (it == model.rend()) return std::nullopt;
      return it->position;
    }
  }
}

void CheckAgainstModel(File& file, int key_number, int width, std::int64_t low, std::int64_t high) {
  const std::vector<Entry> model = Model(file, key_number, width);
  ASSERT_FALSE(model.empty());
  for (int op : {kOpGetEqual, kOpGetGreater, kOpGetGreaterOrEqual, kOpGetLess, kOpGetLessOrEqual}) {
    for (std::int64_t v = low; v <= high; ++v) {
      Bytes key(static_cast<std::size_t>(width));
      if (width == 2) {
        StoreU16(key.data(), static_cast<std::uint16_t>(v));
      } else {
        StoreU32(key.data(), static_cast<std::uint32_t>(v));
      }
      Bytes record;
      const Status s = file.Execute(op, key_number, &key, &record);
      const std::optional<std::uint32_t> expected = Expect(model, op, v);
      if (!expected) {
        EXPECT_EQ(s.code(), op == kOpGetEqual ? kKeyNotFound : kEndOfFile)
            << "op " << op << " value " << v;
        continue;
      }
      ASSERT_TRUE(s.ok()) << "op " << op << " value " << v << ": " << s.ToString();
      std::uint32_t position = 0;
      ASSERT_TRUE(file.GetPosition(&position).ok());
      EXPECT_EQ(position, *expected) << "op " << op << " value " << v;
    }
  }
}

TEST(KeyedPositioning, UniqueKeyOfTwoLevelTreeMatchesModel) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  CheckAgainstModel(*file, 1, 2, 0, 1030);
}

TEST(KeyedPositioning, LinkedDuplicateKeyMatchesModel) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  CheckAgainstModel(*file, 0, 2, 0, 66);
}

TEST(KeyedPositioning, SixPointOhAutoincrementKeyMatchesModel) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WCCACMS2.DAT");
  auto file = OpenSample("wbtrv32/assets/WCCACMS2.DAT");
  const std::vector<Entry> model = Model(*file, 0, 2);
  ASSERT_EQ(model.size(), 7639u);
  CheckAgainstModel(*file, 0, 2, model.front().value - 2, model.front().value + 300);
  CheckAgainstModel(*file, 0, 2, model.back().value - 300, model.back().value + 2);
}

TEST(KeyedPositioning, NextAfterEqualContinuesInKeyOrder) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  Bytes key = {0xFE, 0x03};  // 1022
  Bytes record;
  ASSERT_TRUE(file->GetEqual(1, &key, &record).ok());
  ASSERT_TRUE(file->GetNext(1, &key, &record).ok());
  EXPECT_EQ(key, (Bytes{0xFF, 0x03}));
  EXPECT_EQ(file->GetNext(1, &key, &record).code(), kEndOfFile);
  // The position stays on the last record after running off the end.
  ASSERT_TRUE(file->GetPrevious(1, &key, &record).ok());
  EXPECT_EQ(key, (Bytes{0xFE, 0x03}));
}

TEST(KeyedPositioning, GuardStatuses) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  Bytes key = {1, 0};
  Bytes record;
  EXPECT_EQ(file->GetNext(1, &key, &record).code(), kInvalidPositioning);
  EXPECT_EQ(file->GetEqual(7, &key, &record).code(), kInvalidKeyNumber);
  Bytes short_key = {1};
  EXPECT_EQ(file->GetEqual(1, &short_key, &record).code(), kKeyBufferTooShort);
  ASSERT_TRUE(file->GetEqual(1, &key, &record).ok());
  EXPECT_EQ(file->GetNext(0, &key, &record).code(), kDifferentKeyNumber);
  ASSERT_TRUE(file->StepFirst(&record).ok());
  EXPECT_EQ(file->GetNext(1, &key, &record).code(), kInvalidPositioning);
  Bytes position = {1, 2, 3, 4};
  EXPECT_EQ(file->Execute(kOpGetDirect, 1, &key, &position).code(), kInvalidRecordAddress);
  EXPECT_EQ(file->Execute(kOpInsert, 0, &key, &record).code(), kAccessDenied);
  EXPECT_EQ(file->Execute(99, 0, &key, &record).code(), kInvalidOperation);
}

TEST(KeyedPositioning, GetDirectPlacesTheRecordInsideItsDuplicateChain) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  Bytes key = {1, 0x01};  // record 257 = 4 * 64 + 1: the fifth duplicate of value 1
  Bytes record;
  ASSERT_TRUE(file->GetEqual(1, &key, &record).ok());
  std::uint32_t position = 0;
  ASSERT_TRUE(file->GetPosition(&position).ok());
  ASSERT_TRUE(file->StepFirst(&record).ok());
  ASSERT_TRUE(file->GetDirect(0, position, &key, &record).ok());
  EXPECT_EQ(key, (Bytes{1, 0}));
  ASSERT_TRUE(file->GetNext(0, &key, &record).ok());
  EXPECT_EQ(record[6] | (record[7] << 8), 321);
  ASSERT_TRUE(file->GetPrevious(0, &key, &record).ok());
  ASSERT_TRUE(file->GetPrevious(0, &key, &record).ok());
  EXPECT_EQ(record[6] | (record[7] << 8), 193);
}

TEST(KeyedPositioning, BiasesAreHonoured) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  auto file = OpenSample("wbtrv32/assets/VARIABLE.DAT");
  Bytes key = {10, 0};
  Bytes record;
  // Key only: the key comes back, the record does not.
  ASSERT_TRUE(file->Execute(kOpGetEqual + kKeyOnlyBias, 1, &key, &record).ok());
  EXPECT_TRUE(record.empty());
  // A lock bias does not change a read.
  ASSERT_TRUE(file->Execute(kOpGetEqual + 2 * kLockBiasUnit, 1, &key, &record).ok());
  EXPECT_EQ(record.size(), 8u + 10u);
}

}  // namespace
}  // namespace btrieve
