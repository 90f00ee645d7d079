// The record layouts and buffers: the field counts and record lengths the suite's files have, key
// copies that match the dictionary's keys, and the conversions of the buffer's typed store.
#include "posdata/record_buffer.h"

#include <gtest/gtest.h>

#include "posdata/kez_layouts.h"

namespace kez {
namespace {

TEST(KezLayouts, TablesHaveTheirFieldCountsAndNamesInTableOrder) {
  const struct {
    const char* name;
    std::size_t fields;
  } expected[] = {{"COMMON", 128}, {"INVENTRY", 55},  {"SALESHEAD", 56},
                  {"UPC", 4},      {"SALESITEM", 33}, {"NAMES", 51}};
  for (int table = 0; table < kTableCount; ++table) {
    const btrieve::TableDef& def = KezTableDef(table);
    EXPECT_EQ(def.name, expected[table].name);
    EXPECT_EQ(def.fields.size(), expected[table].fields) << def.name;
    EXPECT_EQ(TableNumber(def.name), table);
    // Fields follow each other without gaps.
    std::uint32_t offset = 0;
    for (const btrieve::FieldDef& field : def.fields) {
      EXPECT_EQ(field.offset, offset) << def.name << " " << field.name;
      offset += field.size;
    }
  }
  EXPECT_EQ(KezTableDef(kCommon).RecordLength(), 756u);
  EXPECT_EQ(TableNumber("salesitem"), kSalesItem);
  EXPECT_EQ(TableNumber("SALES"), -1);
}

TEST(KezLayouts, EveryKeyCopyIsTheDictionaryKeyItFeeds) {
  for (int table = 0; table < kTableCount; ++table) {
    const btrieve::TableDef& def = KezTableDef(table);
    for (int key = 0; key < 13; ++key) {
      std::vector<int> segments;
      for (const btrieve::IndexSegmentDef& part : def.index) {
        if (part.key != key) continue;
        for (std::size_t f = 0; f < def.fields.size(); ++f) {
          if (def.fields[f].id == part.field_id) segments.push_back(static_cast<int>(f));
        }
      }
      const std::span<const int> copied = KeyCopyFields(table, key);
      if (copied.empty()) continue;
      EXPECT_EQ(std::vector<int>(copied.begin(), copied.end()), segments)
          << def.name << " key " << key;
    }
  }
  EXPECT_TRUE(KeyCopyFields(kCommon, 0).empty());
  EXPECT_TRUE(KeyCopyFields(kInventory, 3).empty());
  EXPECT_TRUE(KeyCopyFields(kNames, 1).empty());
}

TEST(RecordBuffer, TextIsLeftAlignedAndCutOrFilledToItsWidth) {
  RecordBuffer head(kSalesHead);
  EXPECT_EQ(head.Text(4), "       ");
  head.SetText(4, "123");
  EXPECT_EQ(head.Text(4), "123    ");
  head.SetText(4, "123456789");
  EXPECT_EQ(head.Text(4), "1234567");
  EXPECT_TRUE(head.Store(4, std::int64_t{42}));
  EXPECT_EQ(head.Text(4), "42     ");
  EXPECT_FALSE(head.Store(4, std::monostate{}));
}

TEST(RecordBuffer, NumbersConvertAndRefuseWhatTheirFieldCannotHold) {
  RecordBuffer line(kSalesItem);
  EXPECT_TRUE(line.Store(3, std::string(" 12.5 ")));
  EXPECT_EQ(line.Integer(3), 12);
  EXPECT_TRUE(line.Store(3, 13.5));
  EXPECT_EQ(line.Integer(3), 14);
  EXPECT_FALSE(line.Store(3, std::int64_t{40000}));
  EXPECT_FALSE(line.Store(3, std::string("12abc")));
  EXPECT_EQ(line.Integer(3), 14);
  EXPECT_TRUE(line.Store(0, std::int64_t{2000000000}));
  EXPECT_EQ(line.Integer(0), 2000000000);

  EXPECT_TRUE(line.Store(13, btrieve::Currency{-12345}));
  EXPECT_EQ(line.Money(13).ten_thousandths, -12345);
  EXPECT_TRUE(line.Store(13, std::string("19.99")));
  EXPECT_EQ(line.Money(13).ten_thousandths, 199900);
  EXPECT_TRUE(line.Store(8, btrieve::Currency{15000}));
  EXPECT_EQ(line.Single(8), 1.5f);

  line.Clear();
  EXPECT_EQ(line.Money(13).ten_thousandths, 0);
  EXPECT_EQ(line.Text(18), std::string(30, ' '));
}

}  // namespace
}  // namespace kez
