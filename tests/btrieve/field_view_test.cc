// Fields read in place from a record's bytes must give what DecodeField gives: for every type and
// width over random bytes, and for every field of every record of a real dictionary's files.
#include "btrieve/field_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "btrieve/key_layout.h"
#include "btrieve/operation.h"
#include "btrieve/table.h"
#include "support/samples.h"

namespace btrieve {
namespace {

// Equal values of one kind; doubles by their bits, so that NaN read from random bytes compares.
bool SameValue(const FieldValue& a, const FieldValue& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<double>(&a)) {
    return std::memcmp(x, &std::get<double>(b), sizeof(double)) == 0;
  }
  return a == b;
}

bool NeedsConversion(std::uint8_t type) {
  switch (type) {
    case kTypeBfloat:
    case kTypeDecimal:
    case kTypeMoney:
    case kTypeNumeric:
    case kTypeNumericSa:
    case kTypeNumericSts:
    case kTypeDate:
    case kTypeTime:
      return true;
    default:
      return false;
  }
}

TEST(FieldView, EveryTypeAndWidthReadsAsDecodeFieldDoes) {
  std::mt19937 random(11);
  for (int type = 0; type <= kTypeGuid; ++type) {
    for (int width : {1, 2, 3, 4, 5, 8, 9, 12, 30}) {
      const auto size = static_cast<std::uint16_t>(width);
      FieldDef field;
      field.type = static_cast<std::uint8_t>(type);
      field.offset = 3;
      field.size = size;
      field.decimals = 2;
      std::vector<std::uint8_t> record(field.offset + size + 2);
      for (int round = 0; round < 50; ++round) {
        for (std::uint8_t& b : record) b = static_cast<std::uint8_t>(random());
        // Zero bytes and small lengths, which end zstrings and lstrings early.
        if (round % 5 == 0) record[field.offset + random() % size] = 0;
        if (round % 7 == 0) record[field.offset] = static_cast<std::uint8_t>(random() % 4);
        FieldView view;
        const bool read = ViewField(field, record, &view);
        EXPECT_EQ(read,
                  !NeedsConversion(field.type) && !(type == kTypeFloat && size != 4 && size != 8))
            << "type " << type << " size " << size;
        if (read) {
          EXPECT_TRUE(SameValue(ToFieldValue(view), DecodeField(field, record)))
              << "type " << type << " size " << size << " round " << round;
        }
      }
    }
  }
}

TEST(FieldView, AFieldNotWhollyInsideTheRecordIsLeftToDecodeField) {
  FieldDef field;
  field.type = kTypeInteger;
  field.offset = 4;
  field.size = 4;
  const std::vector<std::uint8_t> record(7, 0x41);
  FieldView view;
  EXPECT_FALSE(ViewField(field, record, &view));
  field.offset = 9;
  EXPECT_FALSE(ViewField(field, record, &view));
  field.size = 0;
  field.offset = 0;
  EXPECT_FALSE(ViewField(field, record, &view));
  field.type = kTypeString;
  field.size = 7;
  ASSERT_TRUE(ViewField(field, record, &view));
  EXPECT_EQ(view.text, "AAAAAAA");
  EXPECT_EQ(view.text.data(), reinterpret_cast<const char*>(record.data()));
}

TEST(FieldView, EveryFieldOfARealDictionarysRecordsReadsAsTheHandleGivesIt) {
  KEZ_NEEDS_SAMPLES("doclife/FILE.DDF", "doclife/FIELD.DDF", "doclife/INDEX.DDF");
  Dictionary dictionary;
  ASSERT_TRUE(Dictionary::Load(kez::testing::SamplePath("doclife"), &dictionary).ok());
  int tables = 0;
  int viewed = 0;
  for (const TableDef& def : dictionary.tables()) {
    Table table;
    table.set_dictionary_location(kez::testing::SamplePath("doclife"));
    table.set_table_name(def.name);
    table.set_open_mode(kOpenReadOnly);
    if (table.Perform(kOpOpen) != 0) continue;  // a table whose file the folder lacks
    ++tables;
    for (int status = table.Perform(kOpStepFirst); status == 0;
         status = table.Perform(kOpStepNext)) {
      for (std::size_t i = 0; i < table.definition()->fields.size(); ++i) {
        const FieldDef& field = table.definition()->fields[i];
        FieldView view;
        if (!ViewField(field, table.record(), &view)) continue;
        ++viewed;
        EXPECT_TRUE(SameValue(ToFieldValue(view), table.GetField(static_cast<int>(i)).value))
            << def.name << " field " << field.name;
      }
    }
  }
  EXPECT_GE(tables, 10);
  EXPECT_GT(viewed, 1000);
}

}  // namespace
}  // namespace btrieve
