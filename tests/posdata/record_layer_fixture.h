// A record layer over scripted table handles: a data path that exists, the program's own
// KEZBTERR.MSG in AppDir, the six table entries filled for file number 1.
#ifndef KEZ_TESTS_POSDATA_RECORD_LAYER_FIXTURE_H_
#define KEZ_TESTS_POSDATA_RECORD_LAYER_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/pos_database.h"
#include "posdata/scripted_table_handle.h"
#include "support/samples.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {

class RecordLayerTest : public ::testing::Test {
 protected:
  RecordLayerTest() {
    db_.new_handle = [this] {
      auto handle = std::make_unique<ScriptedTableHandle>();
      handles_.push_back(handle.get());
      return handle;
    };
    db_.app_dir = app_dir_.path();
    std::filesystem::copy_file(SourceDir() / "resources" / kErrorMessageFileName,
                               app_dir_ / kErrorMessageFileName);
    UseDataPath(db_, data_.path().string());
    db_.dictionary_location = db_.DataPath;
    DBSM_LoadTables(db_);
    for (int table = 0; table < kTableCount; ++table) {
      DBSM_FillTableEntry(db_, table, db_.DataPath, 1);
    }
  }

  ScriptedTableHandle& Handle(int table) { return *handles_[static_cast<std::size_t>(table)]; }
  DBSM_TableEntry& Entry(int table) { return db_.DBSM_Table[static_cast<std::size_t>(table)]; }
  RecordBuffer& Buffer(int table) { return db_.buffers[static_cast<std::size_t>(table)]; }
  // The one message shown so far; fails the test when there is not exactly one.
  const RecordedMessage& OnlyMessage() {
    EXPECT_EQ(host_.messages().size(), 1u);
    static const RecordedMessage kNone{};
    return host_.messages().empty() ? kNone : host_.messages().back();
  }

  TempDir app_dir_;
  TempDir data_;
  ScriptedHost host_;
  PosDatabase db_{host_};
  std::vector<ScriptedTableHandle*> handles_;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_POSDATA_RECORD_LAYER_FIXTURE_H_
