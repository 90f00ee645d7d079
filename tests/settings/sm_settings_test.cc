#include "settings/sm_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "settings/portal_xml.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;
using Outcome = ReportSettingsLoad::Outcome;

const LocalDateTime kNow{2026, 1, 5, 9, 30, 15, 250};

class SmSettingsTest : public ::testing::Test {
 protected:
  void WriteFile(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  std::string ReadFile(const fs::path& file) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(file, &bytes, &error)) << error;
    return bytes;
  }

  testing::TempDir data_;
  fs::path portal_ = PortalFilePath(data_.path());
  fs::path bad_ = DamagedPortalFilePath(data_.path());
  std::vector<clsSettings> records_;
};

TEST_F(SmSettingsTest, FirstStartWritesTheInitialSettingsOfBothReports) {
  const ReportSettingsLoad load = LoadReportSettings(data_.path(), kNow, records_);
  EXPECT_EQ(load.outcome, Outcome::kCreated);
  EXPECT_TRUE(load.notes.empty());
  const std::string expected_report =
      "<FTPRunDailyOrWeekly>True</FTPRunDailyOrWeekly><FTPRunWeeklySun>False</FTPRunWeeklySun>"
      "<FTPRunWeeklyMon>False</FTPRunWeeklyMon><FTPRunWeeklyTue>False</FTPRunWeeklyTue>"
      "<FTPRunWeeklyWed>False</FTPRunWeeklyWed><FTPRunWeeklyThu>False</FTPRunWeeklyThu>"
      "<FTPRunWeeklyFri>False</FTPRunWeeklyFri><FTPRunWeeklySat>False</FTPRunWeeklySat>"
      "<StartTimeTime>12:00:00 PM</StartTimeTime>"
      "<StartTimeOnceDailyOrEvery>True</StartTimeOnceDailyOrEvery>"
      "<StartTimeOnceDailyTime>0</StartTimeOnceDailyTime><FTPEnable>True</FTPEnable>"
      "<FTPAddress/><FTPLogin/><FTPPassword/><FTPPort/><FTPDirectory/>"
      "<FTPMode>False</FTPMode><FTPTransfeMode>False</FTPTransfeMode>"
      "<StoreNumber>00001</StoreNumber><StartDate>1/5/2026 9:30:15 AM</StartDate>"
      "<Invoice>00001</Invoice><Run>False</Run><FTPUseForAll>False</FTPUseForAll></Report>";
  EXPECT_EQ(ReadFile(portal_),
            "<?xml version=\"1.0\"?><settings><Report><SettingName>Backup</SettingName>" +
                expected_report + "<Report><SettingName>SymphonyIRI</SettingName>" +
                expected_report + "</settings>\r\n");
  ASSERT_EQ(records_.size(), 2u);
  EXPECT_EQ(records_[kSymphonyIriReport].SettingName, "SymphonyIRI");
}

TEST_F(SmSettingsTest, DamagedFilesAreKeptAsBadAndReplacedByInitialSettings) {
  const std::string three_reports =
      "<settings><Report><SettingName>Backup</SettingName><FTPPassword>secret</FTPPassword>"
      "</Report><Report><SettingName>SymphonyIRI</SettingName></Report><Report><SettingName>X"
      "</SettingName></Report></settings>";
  for (const std::string& damaged :
       {three_reports, std::string("<settings><Report><SettingName>Backup</Sett"),
        std::string("<settings><Report/></settings>")}) {
    WriteFile(portal_, damaged);
    std::vector<clsSettings> records;
    const ReportSettingsLoad load = LoadReportSettings(data_.path(), kNow, records);
    EXPECT_EQ(load.outcome, Outcome::kReplaced);
    EXPECT_EQ(ReadFile(bad_), damaged);
    ASSERT_EQ(load.notes.size(), 1u);
    EXPECT_NE(load.notes[0].find("kept as portal.xml.bad and replaced by initial settings"),
              std::string::npos)
        << load.notes[0];
    std::vector<clsSettings> written;
    EXPECT_TRUE(ReadPortalXml(ReadFile(portal_), written, kNow).damage.empty());
    EXPECT_EQ(written, records);
    EXPECT_EQ(records[0].FTPPassword, "");
  }
}

TEST_F(SmSettingsTest, AFileWithUnreadableValuesIsReadAndCopiedAsItWas) {
  const std::string bytes =
      "<settings><Report><SettingName>Backup</SettingName><FTPMode>perhaps</FTPMode></Report>"
      "<Report><SettingName>SymphonyIRI</SettingName></Report></settings>";
  WriteFile(portal_, bytes);
  const ReportSettingsLoad load = LoadReportSettings(data_.path(), kNow, records_);
  EXPECT_EQ(load.outcome, Outcome::kRead);
  EXPECT_EQ(load.notes.back(), "portal.xml was copied to portal.xml.bad as it was");
  EXPECT_EQ(ReadFile(portal_), bytes);
  EXPECT_EQ(ReadFile(bad_), bytes);
}

TEST_F(SmSettingsTest, AGoodFileIsReadWithoutNotesOrCopies) {
  std::vector<clsSettings> saved{NewReportSettings(kNow), NewReportSettings(kNow)};
  saved[0].FTPPassword = "p&ss<word";
  std::string error;
  ASSERT_TRUE(SaveReportSettings(data_.path(), saved, &error)) << error;
  const ReportSettingsLoad load = LoadReportSettings(data_.path(), kNow, records_);
  EXPECT_EQ(load.outcome, Outcome::kRead);
  EXPECT_TRUE(load.notes.empty());
  EXPECT_EQ(records_, saved);
  EXPECT_FALSE(fs::exists(bad_));
}

#ifndef _WIN32  // names that differ only in letter case are one file there
TEST_F(SmSettingsTest, AFileInAnotherLetterCaseIsReadAndReplacedInPlace) {
  std::vector<clsSettings> saved{NewReportSettings(kNow), NewReportSettings(kNow)};
  saved[1].FTPAddress = "upload.example";
  std::string error;
  ASSERT_TRUE(SaveReportSettings(data_.path(), saved, &error)) << error;
  fs::rename(portal_, data_ / "Portal.xml");
  EXPECT_EQ(PortalFilePath(data_.path()), data_ / "Portal.xml");

  const ReportSettingsLoad load = LoadReportSettings(data_.path(), kNow, records_);
  EXPECT_EQ(load.outcome, Outcome::kRead);
  EXPECT_EQ(records_, saved);
  records_[0].StoreNumber = "00777";
  ASSERT_TRUE(SaveReportSettings(data_.path(), records_, &error)) << error;
  EXPECT_FALSE(fs::exists(data_ / "portal.xml"));
  EXPECT_NE(ReadFile(data_ / "Portal.xml").find("00777"), std::string::npos);
}
#endif

TEST_F(SmSettingsTest, SavingFailsCleanlyAndLeavesTheOldFile) {
  std::string error;
  EXPECT_FALSE(SaveReportSettings(data_.path(), records_, &error));  // nothing loaded yet
  ASSERT_EQ(LoadReportSettings(data_.path(), kNow, records_).outcome, Outcome::kCreated);
  const std::string before = ReadFile(portal_);
  EXPECT_FALSE(SaveReportSettings(data_ / "missing", records_, &error));
  EXPECT_NE(error.find("portal.xml"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(portal_), before);
}

#ifndef _WIN32
TEST_F(SmSettingsTest, TheFileIsReadableByItsOwnerOnly) {
  ASSERT_EQ(LoadReportSettings(data_.path(), kNow, records_).outcome, Outcome::kCreated);
  EXPECT_EQ(fs::status(portal_).permissions(), fs::perms(0600));
}
#endif

}  // namespace
}  // namespace kez
