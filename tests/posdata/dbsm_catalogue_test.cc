// The catalogue over real data folders: file names from COMMON field 52, the start-up sequence,
// a folder without a dictionary, and missing data files.
#include "posdata/dbsm_catalogue.h"

#include <gtest/gtest.h>

#include "btrieve/operation.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/store_files.h"
#include "support/engines.h"
#include "support/samples.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

class CatalogueTest : public ::testing::TestWithParam<Backend> {
 protected:
  CatalogueTest() {
    db_.app_dir = SourceDir() / "resources";
    db_.engine = EngineFor(GetParam());
    UseDataPath(db_, data_.path().string());
  }

  const DBSM_TableEntry& Entry(int table) {
    return db_.DBSM_Table[static_cast<std::size_t>(table)];
  }
  std::string FileOf(int table) { return fs::path(Entry(table).FileName).filename().string(); }

  TempDir data_;
  ScriptedHost host_;
  PosDatabase db_{host_};
};

KEZ_ON_BOTH_ENGINES(CatalogueTest);

TEST_P(CatalogueTest, FieldFiftyTwoNamesTheNumberedFiles) {
  for (int file_number : {3, 0}) {
    WriteStore(data_.path(), file_number, {CommonRecord(file_number)});
    ASSERT_TRUE(DBSM_OpenDatabase(db_));
    const std::string n = std::to_string(file_number);
    EXPECT_EQ(FileOf(kCommon), "COMMON.KEZ");
    EXPECT_EQ(FileOf(kInventory), "invt" + n + ".KEZ");
    EXPECT_EQ(FileOf(kSalesHead), "SaleHead" + n + ".KEZ");
    EXPECT_EQ(FileOf(kUpc), "UPC" + n + ".KEZ");
    EXPECT_EQ(FileOf(kSalesItem), "SaleItem" + n + ".KEZ");
    EXPECT_EQ(FileOf(kNames), "name.KEZ");
    EXPECT_EQ(fs::path(Entry(kUpc).FileName).parent_path(), data_.path());
    EXPECT_TRUE(host_.messages().empty());
  }
}

TEST_P(CatalogueTest, AfterStartUpOnlyTheDataTablesAreOpenAndReadable) {
  RecordBuffer head(kSalesHead);
  head.SetInteger(0, 41);
  head.SetText(1, "20260102");
  head.SetText(4, "123");
  WriteStore(data_.path(), 1, {CommonRecord(1), head});
  ASSERT_TRUE(DBSM_OpenDatabase(db_));
  ASSERT_TRUE(DBSM_OpenAll(db_));
  for (int table = 0; table < kTableCount; ++table) {
    EXPECT_EQ(Entry(table).IsOpen, table != kCommon) << table;
  }
  // The common record stays in its buffer for the run.
  EXPECT_EQ(db_.buffers[kCommon].Integer(52), 1);

  RecordBuffer& buffer = db_.buffers[kSalesHead];
  buffer.Clear();
  buffer.SetText(4, "123");
  EXPECT_EQ(buffer.Text(4), "123    ");
  ASSERT_TRUE(DBSM_TableOp(db_, kSalesHead, btrieve::kOpGetEqual, 4));
  EXPECT_EQ(buffer.Integer(0), 41);
  EXPECT_EQ(buffer.Text(1), "20260102");
  EXPECT_FALSE(DBSM_TableOp(db_, kSalesHead, btrieve::kOpGetNext, -1));
  EXPECT_EQ(Entry(kSalesHead).Status, btrieve::kEndOfFile);
  EXPECT_TRUE(host_.messages().empty());

  EXPECT_FALSE(DBSM_TableOp(db_, kCommon, btrieve::kOpStepFirst, 0));
  EXPECT_EQ(Entry(kCommon).Status, btrieve::kFileNotOpen);
  DBSM_CloseAll(db_);
  for (int table = 0; table < kTableCount; ++table) EXPECT_FALSE(Entry(table).IsOpen);
}

TEST_P(CatalogueTest, TheProgramsEndResetsTheEngineOnceAndLeavesNoFileOpen) {
  WriteStore(data_.path(), 1, {CommonRecord(1)});
  ASSERT_TRUE(DBSM_OpenDatabase(db_));
  ASSERT_TRUE(DBSM_OpenAll(db_));
  const bool installed = GetParam() == Backend::kInstalled;
  // The five data tables, each in its own position block.
  EXPECT_EQ(ShimOpenFiles(), installed ? 5 : 0);
  const int resets = ShimResets();
  DBSM_UnloadHolder(db_);
  EXPECT_EQ(ShimResets(), resets + (installed ? 1 : 0));
  EXPECT_EQ(ShimOpenFiles(), 0);
  for (int table = 0; table < kTableCount; ++table) EXPECT_FALSE(Entry(table).IsOpen) << table;
  // Handles closed after the reset leave the engine alone.
  db_.VATable.clear();
  EXPECT_EQ(ShimResets(), resets + (installed ? 1 : 0));
}

TEST_P(CatalogueTest, WithoutADictionaryEveryOpenSucceedsAndTheFirstReadFailsWithStatus3) {
  WriteStore(data_.path(), 1, {CommonRecord(1)});
  for (const char* name : {"FILE.DDF", "FIELD.DDF", "INDEX.DDF"}) fs::remove(data_ / name);
  ASSERT_TRUE(DBSM_OpenDatabase(db_));
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text,
            "DATABASE ERROR: The data file is not open.\r\rOperation: Step First\rFile: " +
                (data_ / "COMMON.KEZ").string() + "\r\rCannot Access Data From This Table.");
  EXPECT_TRUE(DBSM_OpenAll(db_));
  for (int table = 0; table < kTableCount; ++table) EXPECT_FALSE(Entry(table).IsOpen);
  EXPECT_FALSE(DBSM_TableOp(db_, kSalesHead, btrieve::kOpGetFirst, 0));
  EXPECT_EQ(Entry(kSalesHead).Status, btrieve::kFileNotOpen);
  EXPECT_EQ(host_.messages().size(), 2u);
}

TEST_P(CatalogueTest, AMissingDataFileOpensAsAnEmptyTable) {
  WriteStore(data_.path(), 2, {CommonRecord(2)});
  fs::remove(data_ / "UPC2.KEZ");
  ASSERT_TRUE(DBSM_OpenDatabase(db_));
  ASSERT_TRUE(DBSM_OpenAll(db_));
  EXPECT_TRUE(fs::exists(data_ / "UPC2.KEZ"));
  EXPECT_FALSE(DBSM_TableOp(db_, kUpc, btrieve::kOpGetFirst, 0));
  EXPECT_EQ(Entry(kUpc).Status, btrieve::kEndOfFile);
  EXPECT_TRUE(host_.messages().empty());
}

TEST_P(CatalogueTest, AnEmptyCommonTableLeavesTheDataTablesUnnamedAndTheirOpenEndsTheProgram) {
  WriteStore(data_.path(), 1, {});
  ASSERT_TRUE(DBSM_OpenDatabase(db_));
  EXPECT_TRUE(Entry(kInventory).FileName.empty());
  EXPECT_THROW(DBSM_OpenAll(db_), ProgramEnd);
}

}  // namespace
}  // namespace kez::testing
