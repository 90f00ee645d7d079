// New files laid out as real engines lay them out, judged against the empty files real engines
// made; and dictionaries written and read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "btrieve/byte_order.h"
#include "btrieve/consistency.h"
#include "btrieve/dictionary.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "btrieve/operation.h"
#include "btrieve/table.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

Bytes Sample(const char* path) { return kez::testing::ReadBytes(kez::testing::SamplePath(path)); }

void ExpectSameBytes(const Bytes& ours, const Bytes& theirs, std::size_t offset, std::size_t n,
                     const std::string& what) {
  ASSERT_LE(offset + n, ours.size()) << what;
  ASSERT_LE(offset + n, theirs.size()) << what;
  EXPECT_EQ(Bytes(ours.begin() + offset, ours.begin() + offset + n),
            Bytes(theirs.begin() + offset, theirs.begin() + offset + n))
      << what << " at offset " << offset;
}

TEST(CreateFile, NewFormatMatchesAnEngineMadeEmptyFile) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/MULTIACS.DAT");
  const Bytes theirs = Sample("wbtrv32/assets/MULTIACS.DAT");
  std::unique_ptr<File> real;
  ASSERT_TRUE(File::OpenBytes(theirs, "MULTIACS.DAT", &real).ok());
  FilePlan plan = PlanFromLayout(real->layout());
  Bytes ours;
  ASSERT_TRUE(BuildEmptyFile(plan, &ours).ok());
  ASSERT_EQ(ours.size(), theirs.size());
  const std::size_t ps = 4096;
  // Control record: counts, lengths, variable flag, ACS name, version, duplicate pointers, key
  // attribute table, free-slot list, file flags, every key segment description.
  ExpectSameBytes(ours, theirs, 0x08, 2, "page size");
  ExpectSameBytes(ours, theirs, 0x14, 0x0A, "keys, lengths and record count");
  ExpectSameBytes(ours, theirs, 0x26, 4, "pages in use");
  ExpectSameBytes(ours, theirs, 0x38, 1, "variable flag");
  ExpectSameBytes(ours, theirs, 0x3C, 8, "ACS name");
  ExpectSameBytes(ours, theirs, 0x4A, 2, "version");
  ExpectSameBytes(ours, theirs, 0x72, 8, "duplicate pointers, key and segment counts, table");
  ExpectSameBytes(ours, theirs, 0x9C, 4, "first free slot");
  ExpectSameBytes(ours, theirs, 0x106, 2, "file flags");
  ExpectSameBytes(ours, theirs, 0x110, 4 * 30, "key segment specs");
  ExpectSameBytes(ours, theirs, 0xF10, 6, "key attribute table");
  ExpectSameBytes(ours, theirs, ps, 0x0C, "second control record");
  // Allocation tables, ACS pages, index roots and the data page with its free-slot chain.
  ExpectSameBytes(ours, theirs, 2 * ps, 8 + 4 * 12, "current allocation table");
  ExpectSameBytes(ours, theirs, 3 * ps, 8 + 4 * 12, "spare allocation table");
  for (std::size_t page = 4; page <= 5; ++page) {
    ExpectSameBytes(ours, theirs, page * ps, 15 + 256, "ACS page " + std::to_string(page));
  }
  for (std::size_t page = 6; page <= 8; ++page) {
    ExpectSameBytes(ours, theirs, page * ps, 12, "index root " + std::to_string(page));
  }
  ExpectSameBytes(ours, theirs, 9 * ps, ps, "data page");
}

TEST(CreateFile, OldFormatMatchesAnEngineMadeEmptyFile) {
  KEZ_NEEDS_SAMPLES("doclife/F16.DAT");
  const Bytes theirs = Sample("doclife/F16.DAT");
  std::unique_ptr<File> real;
  ASSERT_TRUE(File::OpenBytes(theirs, "F16.DAT", &real).ok());
  Bytes ours;
  ASSERT_TRUE(BuildEmptyFile(PlanFromLayout(real->layout()), &ours).ok());
  ASSERT_EQ(ours.size(), theirs.size());
  ExpectSameBytes(ours, theirs, 0x08, 2, "page size");
  ExpectSameBytes(ours, theirs, 0x0C, 0x1C, "free lists, lengths, counts, last data page");
  ExpectSameBytes(ours, theirs, 0x2A, 2, "free bytes of the last data page");
  ExpectSameBytes(ours, theirs, 0x110, 30, "key segment description");
  ExpectSameBytes(ours, theirs, 4096, 12, "index root");
  ExpectSameBytes(ours, theirs, 2 * 4096, 4096, "data page");
}

TEST(CreateFile, SpecsThatCannotBeFilesGiveTheirStatus) {
  FilePlan plan;
  plan.record_length = 20;
  plan.keys.push_back({{{18, 4, 0, kTypeInteger, 0, -1}}});
  Bytes image;
  EXPECT_EQ(BuildEmptyFile(plan, &image).code(), kInvalidKeyPosition);
  plan.keys[0].segments[0] = {0, 3, 0, kTypeInteger, 0, -1};
  EXPECT_EQ(BuildEmptyFile(plan, &image).code(), kKeyTypeError);
  plan.keys[0].segments[0] = {0, 4, kKeyAlternateCollation, kTypeString, 0, 0};
  EXPECT_EQ(BuildEmptyFile(plan, &image).code(), kInvalidAcs);
  plan.keys[0].segments[0] = {0, 4, 0, kTypeString, 0, -1};
  plan.page_size = 1000;
  EXPECT_EQ(BuildEmptyFile(plan, &image).code(), kPageSizeError);
  plan.page_size = 512;
  plan.record_length = 600;
  EXPECT_EQ(BuildEmptyFile(plan, &image).code(), kInvalidRecordLength);

  kez::testing::TempDir dir;
  plan.record_length = 20;
  ASSERT_TRUE(CreateFile(dir / "a.dat", plan, false).ok());
  EXPECT_EQ(CreateFile(dir / "a.dat", plan, false).code(), kFileAlreadyExists);
}

TEST(CreateFile, ManyPagesSpanSeveralAllocationTables) {
  // 512-byte pages: each allocation table maps 126 pages, so a few hundred records need several.
  FilePlan plan;
  plan.page_size = 512;
  plan.record_length = 200;
  plan.keys.push_back({{{0, 4, 0, kTypeInteger, 0, -1}}});
  Bytes image;
  ASSERT_TRUE(BuildEmptyFile(plan, &image).ok());
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::OpenBytes(image, "big", &file).ok());
  ASSERT_TRUE(file->BeginBulk().ok());
  for (std::uint32_t i = 0; i < 800; ++i) {
    Bytes record(200, static_cast<std::uint8_t>(i));
    StoreU32(record.data(), i * 7919 % 100003);
    ASSERT_TRUE(file->Insert(0, &record).ok()) << i;
  }
  ASSERT_TRUE(file->EndBulk().ok());
  std::unique_ptr<File> reopened;
  ASSERT_TRUE(File::OpenBytes(file->Snapshot(), "big", &reopened).ok());
  EXPECT_GT(reopened->layout().page_count, 3u * 126u);
  const FileCheck check = CheckFile(*reopened);
  EXPECT_TRUE(check.ok()) << check.keys[0].problem;
  EXPECT_EQ(check.live_records, 800u);
}

TEST(Dictionary, WrittenDictionaryReadsBackAndCreatesItsTables) {
  kez::testing::TempDir dir;
  TableDef items;
  items.name = "ITEMS";
  items.location = "Items.dat";
  items.fields = {{0, "Number", kTypeInteger, 0, 4, 0, 0},
                  {1, "Name", kTypeString, 4, 20, 0, 0},
                  {2, "Price", kTypeCurrency, 24, 8, 4, 0}};
  items.index = {{0, 0, 0, 0}, {1, 0, 1, 0x0001 | 0x0002}};
  ASSERT_TRUE(WriteDictionary(dir.path(), {items}).ok());

  Dictionary dictionary;
  ASSERT_TRUE(Dictionary::Load(dir.path(), &dictionary).ok());
  ASSERT_EQ(dictionary.tables().size(), 4u);  // the dictionary's own three tables and ITEMS
  const TableDef* read = dictionary.FindTable("items");
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->fields.size(), 3u);
  EXPECT_EQ(read->fields[2].name, "Price");
  EXPECT_EQ(read->fields[2].type, kTypeCurrency);
  ASSERT_EQ(read->index.size(), 2u);
  EXPECT_EQ(read->index[1].key, 1);

  Table table;
  table.set_dictionary_location(dir.path());
  table.set_table_name("ITEMS");
  ASSERT_EQ(table.Perform(kOpCreate), 0) << table.last_status().ToString();
  EXPECT_EQ(table.Perform(kOpCreate), kFileAlreadyExists);
  ASSERT_EQ(table.Perform(kOpOpen), 0) << table.last_status().ToString();
  for (int i = 3; i >= 1; --i) {
    ASSERT_TRUE(table.SetField(0, std::int64_t{i}).ok());
    ASSERT_TRUE(table.SetField("name", std::string("item ") + std::to_string(i)).ok());
    ASSERT_TRUE(table.SetField(2, std::string("1.25")).ok());
    ASSERT_EQ(table.Perform(kOpInsert), 0) << table.last_status().ToString();
  }
  table.set_key_number(0);
  ASSERT_EQ(table.Perform(kOpGetFirst), 0);
  EXPECT_EQ(std::get<std::int64_t>(table.GetField(0).value), 1);
  EXPECT_EQ(std::get<Currency>(table.GetField(2).value), Currency{12500});
  ASSERT_TRUE(table.SetField(1, std::string("renamed")).ok());
  ASSERT_EQ(table.Perform(kOpUpdate), 0) << table.last_status().ToString();
  table.set_key_number(1);
  ASSERT_TRUE(table.SetField(1, std::string("renamed")).ok());
  ASSERT_EQ(table.Perform(kOpGetEqual), 0);
  EXPECT_EQ(std::get<std::int64_t>(table.GetField(0).value), 1);
  ASSERT_EQ(table.Perform(kOpDelete), 0);
  EXPECT_EQ(table.Perform(kOpGetEqual), kKeyNotFound);
}

}  // namespace
}  // namespace btrieve
