// The old dictionary of a real application, and the table handle reading through it.
#include "btrieve/dictionary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "btrieve/operation.h"
#include "btrieve/table.h"
#include "support/samples.h"

namespace btrieve {
namespace {

// Table 23's name in the dictionary's code page (CP866).
const std::string kHistoryTable =
    "\x88\xe1\xe2\xae\xe0\xa8\xef\x5f\xe1\xe2\xa0\xe2\xec\xa8";  // "История_статьи"

// The dictionary's three files and the file of table 23, the one these tests read through it.
#define KEZ_NEEDS_DICTIONARY_SAMPLES() \
  KEZ_NEEDS_SAMPLES("doclife/FILE.DDF", "doclife/FIELD.DDF", "doclife/INDEX.DDF", "doclife/F23.DAT")

TEST(OldDictionary, TablesFieldsAndKeysOfEightySevenByteRecords) {
  KEZ_NEEDS_DICTIONARY_SAMPLES();
  Dictionary dictionary;
  ASSERT_TRUE(Dictionary::Load(kez::testing::SamplePath("doclife"), &dictionary).ok());
  EXPECT_EQ(dictionary.tables().size(), 30u);
  const TableDef* file = dictionary.FindTable("x$FILE");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->location, "file.ddf");
  ASSERT_EQ(file->fields.size(), 4u);
  EXPECT_EQ(file->fields[1].name, "Xf$Name");
  EXPECT_EQ(file->fields[1].offset, 2);
  EXPECT_EQ(file->fields[1].size, 20);

  const TableDef* history = dictionary.FindTable(kHistoryTable);
  ASSERT_NE(history, nullptr);
  ASSERT_EQ(history->fields.size(), 8u);
  EXPECT_EQ((std::vector<int>{history->fields[0].offset, history->fields[1].offset,
                              history->fields[2].offset}),
            (std::vector<int>{0, 13, 17}));
  EXPECT_EQ(
      (std::vector<int>{history->fields[0].type, history->fields[1].type, history->fields[2].type}),
      (std::vector<int>{0, 1, 3}));
  // Old dictionaries number keys and segments from 1; they read as 0-based.
  ASSERT_EQ(history->index.size(), 3u);
  for (int part = 0; part < 3; ++part) {
    EXPECT_EQ(history->index[part].key, 0);
    EXPECT_EQ(history->index[part].part, part);
  }
  EXPECT_EQ(history->index[2].field_id, history->fields[2].id);
  // The location is lower case, the file on disk upper case: the path found is that file's.
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(dictionary.DataFile(*history),
                                          kez::testing::SamplePath("doclife") / "F23.DAT", error))
      << error.message();
}

TEST(TableHandle, DecodesFieldsByIndexAndByName) {
  KEZ_NEEDS_DICTIONARY_SAMPLES();
  Table table;
  table.set_dictionary_location(kez::testing::SamplePath("doclife"));
  table.set_table_name(kHistoryTable);
  ASSERT_EQ(table.Perform(kOpOpen), 0) << table.last_status().ToString();
  table.set_key_number(0);
  ASSERT_EQ(table.Perform(kOpGetFirst), 0);
  // The first record in key order has an empty contract number and article 0.
  EXPECT_EQ(std::get<std::int64_t>(table.GetField(1).value), 0);
  EXPECT_EQ(std::get<std::string>(table.GetField(2).value), "1995-01-11");
  EXPECT_EQ(std::get<std::int64_t>(table.GetField(3).value), 1);
  const FieldResult by_name = table.GetField(table.definition()->fields[4].name);
  ASSERT_TRUE(by_name.status.ok());
  EXPECT_DOUBLE_EQ(std::get<double>(by_name.value), 153750000.0);
  int count = 1;
  while (table.Perform(kOpGetNext) == 0) ++count;
  EXPECT_EQ(table.status(), kEndOfFile);
  EXPECT_EQ(count, 82);
}

TEST(TableHandle, FieldsSetInTheImageFeedTheNextKeyedRead) {
  KEZ_NEEDS_DICTIONARY_SAMPLES();
  Table table;
  table.set_dictionary_location(kez::testing::SamplePath("doclife"));
  table.set_table_name(kHistoryTable);
  ASSERT_EQ(table.Perform(kOpOpen), 0);
  table.set_key_number(0);
  // The application stores its texts blank-padded with a closing zero byte.
  ASSERT_TRUE(table.SetField(0, std::string("09/000237   \0", 13)).ok());
  ASSERT_TRUE(table.SetField(1, std::int64_t{35}).ok());
  ASSERT_TRUE(table.SetField(2, std::string("1995-02-15")).ok());
  ASSERT_EQ(table.Perform(kOpGetEqual), 0) << table.last_status().ToString();
  EXPECT_EQ(std::get<std::int64_t>(table.GetField(3).value), 3);
  // One day later does not exist: Get Equal fails, Get Greater or Equal finds the next one.
  ASSERT_TRUE(table.SetField(2, std::string("19950216")).ok());
  EXPECT_EQ(table.Perform(kOpGetEqual), kKeyNotFound);
  EXPECT_EQ(table.Perform(kOpGetGreaterOrEqual), 0);
}

TEST(TableHandle, UnknownFieldsAndUnopenedTablesFailClearly) {
  KEZ_NEEDS_DICTIONARY_SAMPLES();
  Table table;
  EXPECT_EQ(table.Perform(kOpGetFirst), kFileNotOpen);
  table.set_dictionary_location(kez::testing::SamplePath("doclife"));
  table.set_table_name("NO SUCH TABLE");
  EXPECT_EQ(table.Perform(kOpOpen), kFileNotFound);
  table.set_table_name("X$Index");
  ASSERT_EQ(table.Perform(kOpOpen), 0);
  const FieldResult missing = table.GetField(40);
  EXPECT_FALSE(missing.status.ok());
  EXPECT_NE(missing.status.detail().find("FieldIndex"), std::string::npos);
  EXPECT_NE(table.GetField("Xi$Nothing").status.detail().find("FieldIndex"), std::string::npos);
  EXPECT_TRUE(table.GetField("xi$file").status.ok());
}

TEST(OldDictionary, AFolderWithoutDictionaryOrWithTextNamedLikeOne) {
  KEZ_NEEDS_SAMPLES("wbtrv32");
  Dictionary dictionary;
  EXPECT_EQ(Dictionary::Load(kez::testing::SamplePath("wbtrv32"), &dictionary).code(),
            kFileNotFound);
}

}  // namespace
}  // namespace btrieve
