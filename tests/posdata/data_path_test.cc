// The data location: the settings store's keys and defaults, the checks with their messages, and
// the start-up sequence (stored path clean-up, station limits, "upper.alt", the questions).
#include <gtest/gtest.h>

#include <fstream>

#include "platform/file_io.h"
#include "posdata/cls_data_path.h"
#include "posdata/data_path_ops.h"
#include "posdata/pos_database.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

class DataPathTest : public ::testing::Test {
 protected:
  DataPathTest() {
    db_.user_settings = std::make_unique<IniUserSettingsStore>(settings_.path());
    db_.app_dir = app_dir_.path();
  }

  UserSettingsStore& Store() { return *db_.user_settings; }
  void Stored(const char* key, std::string_view value) {
    ASSERT_TRUE(Store().Set("KEZ Settings", "DATABASE", key, value));
  }
  std::string SettingsFile() {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(settings_ / "KEZ Settings.ini", &bytes, &error)) << error;
    return bytes;
  }
  bool Open() { return gfbKEZ_DataPath_open(db_, false, 0, "", false); }

  TempDir settings_;
  TempDir app_dir_;
  TempDir data_;
  ScriptedHost host_;
  PosDatabase db_{host_};
};

TEST_F(DataPathTest, SaveWritesTheFiveKeysAsTextAndReadBringsThemBack) {
  clsDataPath path;
  path.AppLabel = "KEZ Settings";
  path.Station = "3";
  path.DataPath = "/srv/store";
  path.StationPath = "/srv/station";
  path.TestPath = "/srv/training";
  path.Network = true;
  ASSERT_TRUE(path.Save(Store()));
  EXPECT_EQ(SettingsFile(),
            "[DATABASE]\r\nNETWORK=True\r\nSTATION=3\r\nSTATIONPATH=/srv/station\r\n"
            "DATAPATH=/srv/store\r\nTESTDATA=/srv/training\r\n");
  EXPECT_EQ(path.StationLabel(), "Station 3 of 4");

  clsDataPath read;
  read.Read(Store(), true, "KEZ Settings");
  EXPECT_TRUE(read.Network);
  EXPECT_EQ(read.Station, "3");
  EXPECT_EQ(read.DataPath, "/srv/store");
  EXPECT_EQ(read.StationPath, "/srv/station");
  EXPECT_EQ(read.TestPath, "/srv/training");

  ASSERT_TRUE(read.Delete(Store()));
  EXPECT_EQ(SettingsFile(), "[DATABASE]\r\n");
}

TEST_F(DataPathTest, ValidationStopsAtTheFirstFailureWithItsMessage) {
  clsDataPath path;
  path.DataPath = (data_ / "missing").string();
  EXPECT_FALSE(path.Validate(false, &host_));
  EXPECT_EQ(path.FieldKey(), "DATAPATH");
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text,
            "Data Path Not Found.\r\nUse the Browse method to find a valid path.");
  EXPECT_EQ(host_.messages()[0].title, "KEZ Marketing Portal");

  path.DataPath = data_.path().string();
  path.StationPathEnabled = true;
  path.StationPath = data_.path().string();
  path.Station = "2";
  EXPECT_FALSE(path.Validate(true, &host_));
  EXPECT_EQ(path.FieldKey(), "STATIONPATH");
  EXPECT_EQ(path.ValidationMessage(),
            "Station 2 not in Station Path.\r\nSelect another Station or change the Station Path.");
  std::ofstream(data_ / "sta2.kez") << "";
  EXPECT_TRUE(path.Validate(true, &host_));

  path.CheckFile = "COMMON.KEZ";
  path.StationPathEnabled = false;
  EXPECT_FALSE(path.Validate(true, &host_));
  EXPECT_EQ(path.ValidationMessage(),
            "Primary Data File Not Found.\r\nThere is no 'COMMON.KEZ' file in the specified data "
            "path.");
  EXPECT_EQ(host_.messages().size(), 1u);
}

TEST_F(DataPathTest, AStoredPathLosesItsBlanksAndFinalSeparator) {
  for (const char* final : {"\\", "/"}) {
    Stored("DATAPATH", "  " + data_.path().string() + final + "  ");
    ASSERT_TRUE(Open());
    EXPECT_EQ(db_.DataPathSettings.DataPath, data_.path().string());
  }
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(DataPathTest, AtLeastFiftyStationsAndAStationAboveTheLimitBecomesOne) {
  Stored("DATAPATH", data_.path().string());
  Stored("STATION", "60");
  ASSERT_TRUE(gfbKEZ_DataPath_open(db_, false, 10, "", false));
  EXPECT_EQ(db_.DataPathSettings.MaxStations, 50);
  EXPECT_EQ(db_.DataPathSettings.Station, "1");
  EXPECT_EQ(db_.DataPathSettings.FieldKey(), "STATION");

  Stored("STATION", "60");
  ASSERT_TRUE(gfbKEZ_DataPath_open(db_, false, 51, "", false));
  EXPECT_EQ(db_.DataPathSettings.MaxStations, 51);
  EXPECT_EQ(db_.DataPathSettings.Station, "1");
  Stored("STATION", "50");
  ASSERT_TRUE(Open());
  EXPECT_EQ(db_.DataPathSettings.Station, "50");
}

TEST_F(DataPathTest, UpperAltIsCopiedOnlyWhenMissingAndAvailable) {
  Stored("DATAPATH", data_.path().string());
  ASSERT_TRUE(Open());
  EXPECT_FALSE(fs::exists(data_ / "upper.alt"));

  std::ofstream(app_dir_ / "upper.alt") << "ours";
  ASSERT_TRUE(Open());
  std::string bytes;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(data_ / "upper.alt", &bytes, &error)) << error;
  EXPECT_EQ(bytes, "ours");

  fs::remove(data_ / "upper.alt");
  std::ofstream(data_ / "UPPER.ALT") << "theirs";
  ASSERT_TRUE(Open());
  // The store's own file stays alone and as it was (on Windows both names are that one file).
  int alternates = 0;
  for (const auto& entry : fs::directory_iterator(data_.path())) {
    alternates += entry.path().filename() == "upper.alt" || entry.path().filename() == "UPPER.ALT";
  }
  EXPECT_EQ(alternates, 1);
  ASSERT_TRUE(ReadWholeFile(data_ / "UPPER.ALT", &bytes, &error)) << error;
  EXPECT_EQ(bytes, "theirs");
}

TEST_F(DataPathTest, AnUndefinedPathOffersTheDialogAndNoEndsTheStart) {
  host_.Answer(MessageAnswer::kNo);
  EXPECT_FALSE(Open());
  ASSERT_EQ(host_.messages().size(), 1u);
  const RecordedMessage& question = host_.messages()[0];
  EXPECT_EQ(question.text,
            "A path to the KEZ Data Files has not been defined\r\rDo you want to define it now?");
  EXPECT_EQ(question.title, "KEZ Data Aggregator");
  EXPECT_EQ(question.icon, MessageIcon::kQuestion);
  EXPECT_EQ(question.buttons, MessageButtons::kYesNo);

  bool create_path = false;
  db_.show_data_path_dialog = [&](clsDataPath& path) {
    create_path = path.CreatePath;
    path.DataPath = data_.path().string();
  };
  EXPECT_TRUE(Open());
  EXPECT_TRUE(create_path);
}

TEST_F(DataPathTest, OnTheNetworkAnUnreachablePathIsReportedAsNetworkNotFound) {
  Stored("DATAPATH", (data_ / "server" / "share").string());
  Stored("NETWORK", "True");
  EXPECT_FALSE(Open());
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text,
            "The network is currently down or is not set up properly. Please contact your network "
            "administrator for help.");
  EXPECT_EQ(host_.messages()[0].title, "Network Not Found");
  EXPECT_TRUE(db_.DataPathSettings.DataPath.empty());
}

}  // namespace
}  // namespace kez::testing
