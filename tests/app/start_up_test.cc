// The program's start: one copy per machine, the order of the start-up steps, and its early ends.
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <fstream>

#include "posdata/dbsm_btrieve.h"
#include "posdata/scripted_table_handle.h"
#include "posdata/store_files.h"
#include "support/samples.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

class StartUpTest : public ::testing::Test {
 protected:
  StartUpTest() {
    // The program's folder as installed, in a folder of the test's own: the program writes its
    // activity log there.
    for (const char* name : {"KEZBTERR.MSG", "KEZDataAggregator.ini"}) {
      fs::copy_file(SourceDir() / "resources" / name, app_dir_ / name);
    }
    context_.AppDir = app_dir_.path();
    context_.instance_lock_file = lock_ / "instance.lock";
    context_.start_up_pause = std::chrono::milliseconds(0);
    context_.pos.user_settings = std::make_unique<IniUserSettingsStore>(settings_.path());
    context_.windows.load_tray_window = [this](AppContext&) { windows_.push_back("tray"); };
    context_.windows.show_settings_window = [this](AppContext&) { windows_.push_back("settings"); };
    context_.windows.unload_windows = [this](AppContext&) { windows_.push_back("unloaded"); };
  }

  void StoreDataPath() {
    ASSERT_TRUE(context_.pos.user_settings->Set("KEZ Settings", "DATABASE", "DATAPATH",
                                                data_.path().string()));
  }
  // Runs StartUp and returns the exit code it ended with, or -1 when the program runs.
  int Start() {
    try {
      StartUp(context_);
    } catch (const ProgramEnd& end) {
      return end.exit_code;
    }
    return -1;
  }
  bool IsOpen(int table) { return context_.pos.DBSM_Table[static_cast<std::size_t>(table)].IsOpen; }

  TempDir app_dir_;
  TempDir lock_;
  TempDir settings_;
  TempDir data_;
  ScriptedHost host_;
  AppContext context_{host_};
  std::vector<std::string> windows_;
};

TEST_F(StartUpTest, AStoreStartsWithTheDataTablesOpenAndTheWindowsLoaded) {
  WriteStore(data_.path(), 3, {CommonRecord(3)});
  StoreDataPath();
  EXPECT_EQ(Start(), -1);
  EXPECT_EQ(context_.pos.DataPath, data_.path().string());
  for (int table = 0; table < kTableCount; ++table) EXPECT_EQ(IsOpen(table), table != kCommon);
  EXPECT_EQ(windows_, (std::vector<std::string>{"tray", "settings"}));
  EXPECT_EQ(context_.HelpFile, context_.AppDir / "KEZ Data Aggregator.chm");
  EXPECT_EQ(context_.ReportSettings.size(), 2u);
  EXPECT_TRUE(fs::exists(data_ / "portal.xml"));
  EXPECT_TRUE(host_.messages().empty());

  // A fatal record status ends the program through EndProgram: windows first, then the tables.
  context_.pos.DBSM_Table[kSalesHead].Status = 22;
  EXPECT_THROW(DBSM_ReportError(context_.pos, kSalesHead, 6), ProgramEnd);
  EXPECT_EQ(windows_.back(), "unloaded");
  EXPECT_FALSE(IsOpen(kSalesHead));
}

TEST_F(StartUpTest, ASecondCopyIsRefusedWithTheTwoLineMessage) {
  std::unique_ptr<InstanceLock> first;
  std::string error;
  ASSERT_EQ(InstanceLock::TryAcquire(context_.instance_lock_file, &first, &error),
            InstanceLock::Outcome::kAcquired);
  EXPECT_EQ(Start(), kExitAlreadyRunning);
  ASSERT_EQ(host_.messages().size(), 1u);
  const RecordedMessage& message = host_.messages()[0];
  EXPECT_EQ(message.text,
            "KEZ Marketing Portal is already running.\rThis Program Can Only Be Runing Once On "
            "This Machine");
  EXPECT_EQ(message.buttons, MessageButtons::kOk);
  EXPECT_EQ(message.icon, MessageIcon::kNone);
  EXPECT_EQ(message.title, "KEZ Marketing Portal");
  EXPECT_TRUE(windows_.empty());
  EXPECT_TRUE(context_.pos.DBSM_Table.empty());
}

TEST_F(StartUpTest, WithoutADataPathTheStartEndsAfterTheQuestion) {
  host_.Answer(MessageAnswer::kNo);
  EXPECT_EQ(Start(), kExitStopped);
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].title, "KEZ Data Aggregator");
  EXPECT_TRUE(windows_.empty());
  EXPECT_FALSE(fs::exists(data_ / "portal.xml"));
}

TEST_F(StartUpTest, ATableThatFailsToOpenClosesTheOpenedOnesAndEndsTheProcess) {
  // Handle 0 (the holder's) serves COMMON, then tables 1 to 5 in order.
  std::vector<std::unique_ptr<ScriptedTableHandle>> prepared;
  std::vector<ScriptedTableHandle*> handles;
  for (int table = 0; table < kTableCount; ++table) {
    prepared.push_back(std::make_unique<ScriptedTableHandle>());
    handles.push_back(prepared.back().get());
  }
  std::size_t next = 0;
  context_.pos.new_handle = [&] {
    return std::unique_ptr<TableHandle>(std::move(prepared[next++]));
  };
  std::ofstream(data_ / "FILE.DDF") << "";  // the open's dictionary check looks for one
  StoreDataPath();
  handles[kCommon]->fields[52] = std::int64_t{1};
  handles[kUpc]->open_statuses = {btrieve::kAccessDenied};

  EXPECT_EQ(Start(), kExitStopped);
  EXPECT_EQ(handles[kInventory]->opens, 1);
  EXPECT_EQ(handles[kSalesHead]->opens, 1);
  EXPECT_EQ(handles[kUpc]->opens, 1);
  EXPECT_EQ(handles[kSalesItem]->opens, 0);
  EXPECT_EQ(handles[kNames]->opens, 0);
  for (int table = 0; table < kTableCount; ++table) EXPECT_FALSE(IsOpen(table)) << table;
  EXPECT_EQ(handles[kInventory]->closes, 1);
  EXPECT_EQ(handles[kSalesHead]->closes, 1);
  EXPECT_TRUE(windows_.empty());
}

TEST_F(StartUpTest, WhatLoadingTheSettingsFileReportsReachesTheActivityLog) {
  // The log switch is read before portal.xml, whose damage is otherwise reported to a log that
  // is still off.
  TempDir app_dir;
  std::ofstream(app_dir / "KEZDataAggregator.ini", std::ios::binary) << "[Log]\r\nSaveLog=Y\r\n";
  context_.AppDir = app_dir.path();
  WriteStore(data_.path(), 3, {CommonRecord(3)});
  std::ofstream(data_ / "portal.xml") << "<portal><unfinished";
  StoreDataPath();
  EXPECT_EQ(Start(), -1);
  std::ifstream log(app_dir / "KEZDataAggregator.log", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(log), {}};
  EXPECT_NE(text.find("it was kept as portal.xml.bad and replaced by initial settings\r\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(fs::exists(data_ / "portal.xml.bad"));
}

}  // namespace
}  // namespace kez::testing
