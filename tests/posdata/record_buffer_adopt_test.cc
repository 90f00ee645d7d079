// A record buffer that takes a record's bytes and decodes each field when it is asked for: every
// field must come out as the field-by-field store of the handle's value would leave it, whatever
// type the dictionary gives it, and nothing of one record may survive into the next.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "btrieve/key_layout.h"
#include "btrieve/operation.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/record_buffer.h"
#include "sample/sample_generator.h"
#include "sample/sample_store_writer.h"
#include "support/samples.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool SameValue(const btrieve::FieldValue& a, const btrieve::FieldValue& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<double>(&a)) {
    return std::memcmp(x, &std::get<double>(b), sizeof(double)) == 0;
  }
  return a == b;
}

// What the field-by-field copy leaves in field `index`: the decoded value stored with the
// buffer's conversion, or the empty value when that fails.
btrieve::FieldValue Stored(int table, int index, const btrieve::FieldDef& from,
                           const Bytes& record) {
  RecordBuffer eager(table);
  if (!eager.Store(index, btrieve::DecodeField(from, record))) eager.ClearField(index);
  return eager.Value(index);
}

std::shared_ptr<const btrieve::TableDef> Retyped(int table, std::uint8_t type) {
  auto def = std::make_shared<btrieve::TableDef>(KezTableDef(table));
  for (btrieve::FieldDef& field : def->fields) {
    field.type = type;
    field.decimals = 2;
  }
  return def;
}

// Random bytes, digits and blanks (texts that hold numbers), or zeros.
Bytes RecordOf(std::size_t length, int flavour, std::mt19937& random) {
  Bytes record(length, 0);
  for (std::uint8_t& b : record) {
    if (flavour == 0) b = static_cast<std::uint8_t>(random());
    if (flavour == 1) b = static_cast<std::uint8_t>(random() % 4 == 0 ? ' ' : '0' + random() % 10);
  }
  return record;
}

// The typed reader of field `index`'s kind, which reads some fields straight from the record's
// bytes, gives what the decoded value holds.
void ExpectTypedReadIsTheValue(const RecordBuffer& read, const RecordBuffer& decoded, int index) {
  const btrieve::FieldValue& value = decoded.Value(index);
  switch (read.kind(index)) {
    case FieldKind::kText:
      EXPECT_EQ(read.TextView(index), std::get<std::string>(value)) << "field " << index;
      return;
    case FieldKind::kInt16:
    case FieldKind::kInt32:
      EXPECT_EQ(read.Integer(index), std::get<std::int64_t>(value)) << "field " << index;
      return;
    case FieldKind::kSingle: {
      const float single = read.Single(index);
      const auto expected = static_cast<float>(std::get<double>(value));
      EXPECT_EQ(std::memcmp(&single, &expected, sizeof single), 0) << "field " << index;
      return;
    }
    case FieldKind::kCurrency:
      EXPECT_EQ(read.Money(index), std::get<btrieve::Currency>(value)) << "field " << index;
      return;
  }
}

TEST(AdoptedRecord, EveryFieldDecodesAsTheStoreOfItsValueForEveryDictionaryType) {
  std::mt19937 random(5);
  const std::uint8_t types[] = {
      btrieve::kTypeString,         btrieve::kTypeZstring, btrieve::kTypeLstring,
      btrieve::kTypeInteger,        btrieve::kTypeFloat,   btrieve::kTypeCurrency,
      btrieve::kTypeUnsignedBinary, btrieve::kTypeDecimal, btrieve::kTypeNumeric,
      btrieve::kTypeDate,           btrieve::kTypeTime,    btrieve::kTypeBfloat,
      btrieve::kTypeAutoIncrement};
  for (int table = 0; table < kTableCount; ++table) {
    const std::size_t length = KezTableDef(table).RecordLength();
    for (int flavour = 0; flavour < 3; ++flavour) {
      // The layout's own types first, then every field given one type.
      std::vector<std::shared_ptr<const btrieve::TableDef>> dictionaries = {
          std::make_shared<btrieve::TableDef>(KezTableDef(table))};
      for (std::uint8_t type : types) dictionaries.push_back(Retyped(table, type));
      for (const auto& fields : dictionaries) {
        Bytes record = RecordOf(length, flavour, random);
        // Now and then a record cut short inside a field, which then does not read straight.
        if (random() % 4 == 0) record.resize(random() % length);
        RecordBuffer buffer(table);
        buffer.Adopt(record, fields);
        for (int i = 0; i < buffer.field_count(); ++i) {
          const btrieve::FieldDef& from = fields->fields[static_cast<std::size_t>(i)];
          EXPECT_TRUE(SameValue(buffer.Value(i), Stored(table, i, from, record)))
              << KezTableDef(table).name << " field " << i << " type " << int{from.type}
              << " flavour " << flavour;
          RecordBuffer typed(table);
          typed.Adopt(record, fields);
          ExpectTypedReadIsTheValue(typed, buffer, i);
        }
      }
    }
  }
}

TEST(AdoptedRecord, NothingOfOneRecordSurvivesIntoTheNext) {
  std::mt19937 random(9);
  const auto fields = std::make_shared<btrieve::TableDef>(KezTableDef(kSalesItem));
  const std::size_t length = fields->RecordLength();
  const Bytes first = RecordOf(length, 1, random);
  const Bytes second = RecordOf(length, 1, random);
  RecordBuffer buffer(kSalesItem);
  buffer.Adopt(first, fields);
  // Some fields read, one set, one stored, one cleared, the rest never asked for.
  for (int i = 0; i < buffer.field_count(); i += 3) (void)buffer.Value(i);
  buffer.SetText(18, "SET BY THE JOB");
  EXPECT_TRUE(buffer.Store(2, std::int64_t{7}));
  buffer.ClearField(4);
  RecordBuffer copy = buffer;
  buffer.Adopt(second, fields);
  RecordBuffer fresh(kSalesItem);
  fresh.Adopt(second, fields);
  for (int i = 0; i < buffer.field_count(); ++i) {
    EXPECT_TRUE(SameValue(buffer.Value(i), fresh.Value(i))) << "field " << i;
  }
  // The copy made before keeps the first record and what was done to it.
  EXPECT_EQ(copy.Text(18).substr(0, 14), "SET BY THE JOB");
  RecordBuffer on_first(kSalesItem);
  on_first.Adopt(first, fields);
  for (int i = 0; i < copy.field_count(); ++i) {
    if (i == 2 || i == 4 || i == 18) continue;
    EXPECT_TRUE(SameValue(copy.Value(i), on_first.Value(i))) << "field " << i;
  }
}

TEST(AdoptedRecord, SetFieldsWinAndAFailedStoreKeepsTheRecordsValue) {
  std::mt19937 random(3);
  const auto fields = std::make_shared<btrieve::TableDef>(KezTableDef(kInventory));
  const Bytes record = RecordOf(fields->RecordLength(), 0, random);
  RecordBuffer buffer(kInventory);
  buffer.Adopt(record, fields);
  buffer.SetText(0, "NEW");
  EXPECT_EQ(buffer.Text(0).substr(0, 4), "NEW ");
  // A number field given a text that is no number keeps what the record holds.
  int numbers = 0;
  for (int i = 0; i < buffer.field_count(); ++i) {
    if (buffer.kind(i) == FieldKind::kText) continue;
    ++numbers;
    RecordBuffer untouched(kInventory);
    untouched.Adopt(record, fields);
    EXPECT_FALSE(untouched.Store(i, std::string("not a number")));
    EXPECT_TRUE(SameValue(untouched.Value(i), buffer.Value(i))) << "field " << i;
  }
  EXPECT_GT(numbers, 5);
  // What the job sets is read back by the typed readers, not the record's bytes.
  RecordBuffer set(kInventory);
  set.Adopt(record, fields);
  for (int i = 0; i < set.field_count(); ++i) {
    switch (set.kind(i)) {
      case FieldKind::kText:
        set.SetText(i, "X");
        EXPECT_EQ(set.TextView(i), "X" + std::string(set.field(i).size - 1U, ' ')) << "field " << i;
        break;
      case FieldKind::kInt16:
      case FieldKind::kInt32:
        set.SetInteger(i, -7);
        EXPECT_EQ(set.Integer(i), -7) << "field " << i;
        break;
      case FieldKind::kSingle:
        set.SetSingle(i, 2.5F);
        EXPECT_EQ(set.Single(i), 2.5F) << "field " << i;
        break;
      case FieldKind::kCurrency:
        set.SetMoney(i, btrieve::Currency{-12345});
        EXPECT_EQ(set.Money(i), btrieve::Currency{-12345}) << "field " << i;
        break;
    }
  }
  buffer.Clear();
  const RecordBuffer empty(kInventory);
  for (int i = 0; i < buffer.field_count(); ++i) {
    EXPECT_TRUE(SameValue(buffer.Value(i), empty.Value(i))) << "field " << i;
  }
}

// The record layer over a generated store: every field of every record of every table, read in
// key order, equals the handle's own value of it stored into a buffer field by field.
TEST(AdoptedRecord, TheRecordLayerReadsEveryFieldOfAStoreAsTheHandleGivesIt) {
  TempDir data;
  {
    std::unique_ptr<SampleStoreWriter> writer;
    std::string error;
    ASSERT_TRUE(SampleStoreWriter::Start(data.path(), 1, false, &writer, &error)) << error;
    SampleOptions options;
    options.scale = SampleScale::kTiny;
    options.until = LocalDateTime{2026, 1, 5};
    ASSERT_TRUE(GenerateSampleStore(options, *writer, &error)) << error;
    ASSERT_TRUE(writer->Finish(SampleSuiteIni(options.until), &error)) << error;
  }
  ScriptedHost host;
  PosDatabase db(host);
  db.app_dir = SourceDir() / "resources";
  UseDataPath(db, data.path().string());
  ASSERT_TRUE(DBSM_OpenDatabase(db));
  ASSERT_TRUE(DBSM_OpenAll(db));
  int records = 0;
  for (int table = kInventory; table < kTableCount; ++table) {
    TableHandle& handle = *db.VATable[static_cast<std::size_t>(table)];
    for (bool read = DBSM_TableOp(db, table, btrieve::kOpGetFirst, 0); read;
         read = DBSM_TableOp(db, table, btrieve::kOpGetNext, -1)) {
      ++records;
      const RecordBuffer& buffer = db.buffers[static_cast<std::size_t>(table)];
      for (int i = 0; i < buffer.field_count(); ++i) {
        RecordBuffer eager(table);
        if (!eager.Store(i, handle.GetField(i).value)) eager.ClearField(i);
        ExpectTypedReadIsTheValue(buffer, eager, i);
        ASSERT_TRUE(SameValue(buffer.Value(i), eager.Value(i)))
            << KezTableDef(table).name << " field " << i;
      }
    }
  }
  EXPECT_GT(records, 100);
  EXPECT_TRUE(host.messages().empty());
}

}  // namespace
}  // namespace kez::testing
