#include "context/activity_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

class ActivityLogTest : public ::testing::Test {
 protected:
  ActivityLogTest() {
    context_.AppDir = dir_.path();
    context_.save_log = true;
    host_.SetNow({2024, 1, 31, 7, 5, 42, 0});
  }
  std::string LogText() {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(LogFilePath(dir_.path()), &bytes, &error)) << error;
    return bytes;
  }
  std::vector<LogRow> Day(std::string_view key) {
    std::optional<std::vector<LogRow>> rows = ShowLogForDate(dir_.path(), key);
    EXPECT_TRUE(rows.has_value());
    return rows.value_or(std::vector<LogRow>{});
  }

  testing::TempDir dir_;
  testing::ScriptedHost host_;
  AppContext context_{host_};
};

TEST_F(ActivityLogTest, EachLineIsDateTimeAndMessageEndedByCrLf) {
  WriteLog(context_, "Marketing Portal - Complete");
  WriteLog(context_, "second in the same minute");
  EXPECT_EQ(LogText(),
            "20240131^07:05^Marketing Portal - Complete\r\n"
            "20240131^07:05^second in the same minute\r\n");
}

TEST_F(ActivityLogTest, WritesNothingWhileTheLogIsSwitchedOff) {
  WriteLog(context_, "kept");
  context_.save_log = false;
  WriteLog(context_, "dropped");
  EXPECT_EQ(LogText(), "20240131^07:05^kept\r\n");
  fs::remove(LogFilePath(dir_.path()));
  WriteLog(context_, "dropped");
  EXPECT_FALSE(fs::exists(LogFilePath(dir_.path())));
}

TEST_F(ActivityLogTest, ShowsTheLinesOfOneDayInOrder) {
  host_.SetNow({2024, 1, 30, 23, 59, 0, 0});
  WriteLog(context_, "day before");
  host_.SetNow({2024, 1, 31, 0, 1, 0, 0});
  WriteLog(context_, "Marketing Portal - Error: ^detail for the file only");
  WriteLog(context_, "Marketing Portal - Complete");
  host_.SetNow({2024, 2, 1, 6, 0, 0, 0});
  WriteLog(context_, "next day");

  const std::vector<LogRow> rows = Day("20240131");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].time, "00:01");
  EXPECT_EQ(rows[0].message, "Marketing Portal - Error: ");
  EXPECT_EQ(rows[1].message, "Marketing Portal - Complete");
  EXPECT_NE(LogText().find("Error: ^detail for the file only\r\n"), std::string::npos);
  EXPECT_TRUE(Day("20240115").empty());
}

TEST_F(ActivityLogTest, ADayNamedInsideAnEarlierMessageStillShowsItsOwnLines) {
  std::ofstream(LogFilePath(dir_.path()), std::ios::binary)
      << "20240130^10:00^Uploaded KEZSalesExtract0000120240131.csv\r\n"
         "20240131^08:00^first\n"
         "20240131^08:01^no caret fields\r\r\n"
         "20240131\r\n"
         "20240201^09:00^later";
  const std::vector<LogRow> rows = Day("20240131");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].message, "first");
  EXPECT_EQ(rows[1].message, "no caret fields");
  EXPECT_EQ(rows[2].time, "");
}

TEST_F(ActivityLogTest, AMissingFileLeavesTheListAsItWas) {
  EXPECT_EQ(ShowLogForDate(dir_.path(), "20240131"), std::nullopt);
}

TEST_F(ActivityLogTest, PurgeDeletesTheFileAndTheNextLineStartsANewOne) {
  std::string error;
  EXPECT_EQ(PurgeLog(dir_.path(), &error), PurgeResult::kNoFile);
  WriteLog(context_, "old");
  EXPECT_EQ(PurgeLog(dir_.path(), &error), PurgeResult::kDeleted);
  EXPECT_EQ(ShowLogForDate(dir_.path(), "20240131"), std::nullopt);
  WriteLog(context_, "new");
  EXPECT_EQ(LogText(), "20240131^07:05^new\r\n");
}

}  // namespace
}  // namespace kez
