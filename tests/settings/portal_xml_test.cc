#include "settings/portal_xml.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/setting_fields.h"

namespace kez {
namespace {

const LocalDateTime kNow{2026, 1, 5, 9, 30, 15, 0};

std::string Element(std::string_view name, std::string_view value) {
  return "<" + std::string(name) + ">" + std::string(value) + "</" + std::string(name) + ">";
}

// A file in the shape the program writes, then edited by hand: no indentation, Sunday's
// switch after Saturday's, the first report without FTPLogin and the second with two, and a
// password that needs escaping.
std::string HandWrittenFile() {
  std::string report0 =
      Element("SettingName", "Backup") + Element("FTPRunDailyOrWeekly", "False") +
      Element("FTPRunWeeklyMon", "True") + Element("FTPRunWeeklyTue", "False") +
      Element("FTPRunWeeklyWed", "0") + Element("FTPRunWeeklyThu", "false") +
      Element("FTPRunWeeklyFri", "-1") + Element("FTPRunWeeklySat", "False") +
      Element("FTPRunWeeklySun", "TRUE") + Element("StartTimeTime", "2:30:00 AM") +
      Element("StartTimeOnceDailyOrEvery", "True") + Element("StartTimeOnceDailyTime", "-15") +
      Element("FTPEnable", "True") + Element("FTPAddress", "ftp.portal.example") +
      Element("FTPPassword", "p&amp;ss&lt;word") + Element("FTPPort", "21") + "<FTPDirectory />" +
      Element("FTPMode", "False") + Element("FTPTransfeMode", "True") +
      Element("StoreNumber", "00042") + Element("StartDate", "12/31/2012") +
      Element("Invoice", "0001234") + Element("Run", "True") + Element("FTPUseForAll", "False");
  std::string report1 =
      Element("SettingName", "SymphonyIRI") + Element("FTPLogin", "first login") +
      Element("FTPLogin", "second login") + Element("FTPRunDailyOrWeekly", "True") +
      Element("FTPRunWeeklySun", "False") + Element("FTPRunWeeklyMon", "False") +
      Element("FTPRunWeeklyTue", "False") + Element("FTPRunWeeklyWed", "False") +
      Element("FTPRunWeeklyThu", "False") + Element("FTPRunWeeklyFri", "False") +
      Element("FTPRunWeeklySat", "True") + Element("StartTimeTime", "12:00:00 PM") +
      Element("StartTimeOnceDailyOrEvery", "False") + Element("StartTimeOnceDailyTime", "30") +
      Element("FTPEnable", "False") + Element("FTPAddress", "iri.example") +
      Element("FTPPassword", "caf\xC3\xA9") + Element("FTPPort", "") +
      Element("FTPDirectory", "/in") + Element("FTPMode", "True") +
      Element("FTPTransfeMode", "False") + Element("StoreNumber", "00042") +
      Element("StartDate", "1/5/2026 9:00:00 AM") + Element("Invoice", "00001") +
      Element("Run", "False") + Element("FTPUseForAll", "True");
  return "<?xml version=\"1.0\"?>\r\n<settings><Report>" + report0 + "</Report><Report>" + report1 +
         "</Report></settings>\r\n";
}

TEST(PortalXml, ReadsAHandWrittenFileByPositionAcrossReports) {
  std::vector<clsSettings> records;
  const PortalXmlRead read = ReadPortalXml(HandWrittenFile(), records, kNow);
  ASSERT_TRUE(read.damage.empty()) << read.damage;
  EXPECT_TRUE(read.problems.empty());
  ASSERT_EQ(records.size(), 2u);
  const clsSettings& mp = records[0];
  const clsSettings& iri = records[1];
  EXPECT_EQ(mp.SettingName, "Backup");
  EXPECT_FALSE(mp.FTPRunDailyOrWeekly);
  EXPECT_TRUE(mp.FTPRunWeeklyMon);
  EXPECT_FALSE(mp.FTPRunWeeklyWed);
  EXPECT_FALSE(mp.FTPRunWeeklyThu);
  EXPECT_TRUE(mp.FTPRunWeeklyFri);
  EXPECT_TRUE(mp.FTPRunWeeklySun);
  EXPECT_EQ(mp.StartTimeTime, (LocalDateTime{1899, 12, 30, 2, 30, 0, 0}));
  EXPECT_EQ(mp.StartTimeOnceDailyTime, -15);
  EXPECT_EQ(mp.FTPPassword, "p&ss<word");
  EXPECT_EQ(mp.FTPDirectory, "");
  EXPECT_TRUE(mp.FTPTransfeMode);
  EXPECT_EQ(mp.StartDate, (LocalDateTime{2012, 12, 31, 0, 0, 0, 0}));
  EXPECT_EQ(mp.Invoice, "0001234");
  // The first report has no login of its own: it takes the first of the second report's two.
  EXPECT_EQ(mp.FTPLogin, "first login");
  EXPECT_EQ(iri.FTPLogin, "second login");
  EXPECT_EQ(iri.SettingName, "SymphonyIRI");
  EXPECT_TRUE(iri.FTPRunWeeklySat);
  EXPECT_EQ(iri.FTPPassword, "caf\xE9");  // single-byte in memory
  EXPECT_EQ(iri.StartDate, (LocalDateTime{2026, 1, 5, 9, 0, 0, 0}));
  EXPECT_TRUE(iri.FTPUseForAll);
}

TEST(PortalXml, SavingAfterLoadingWritesTheSameValuesInFileOrder) {
  std::vector<clsSettings> records;
  ASSERT_TRUE(ReadPortalXml(HandWrittenFile(), records, kNow).damage.empty());
  const std::string saved = WritePortalXml(records);
  EXPECT_EQ(saved.find("<?xml version=\"1.0\"?><settings><Report><SettingName>Backup</SettingName>"
                       "<FTPRunDailyOrWeekly>False</FTPRunDailyOrWeekly>"
                       "<FTPRunWeeklySun>True</FTPRunWeeklySun>"
                       "<FTPRunWeeklyMon>True</FTPRunWeeklyMon>"),
            0u)
      << saved;
  EXPECT_NE(saved.find("<FTPPassword>p&amp;ss&lt;word</FTPPassword>"), std::string::npos);
  EXPECT_NE(saved.find("<FTPPassword>caf\xC3\xA9</FTPPassword>"), std::string::npos);
  EXPECT_NE(saved.find("<StartTimeTime>2:30:00 AM</StartTimeTime>"), std::string::npos);
  EXPECT_NE(saved.find("<StartDate>12/31/2012</StartDate>"), std::string::npos);
  EXPECT_NE(saved.find("<StartDate>1/5/2026 9:00:00 AM</StartDate>"), std::string::npos);
  EXPECT_NE(saved.find("<FTPDirectory/>"), std::string::npos);

  std::vector<clsSettings> again;
  ASSERT_TRUE(ReadPortalXml(saved, again, kNow).damage.empty());
  EXPECT_EQ(again, records);
  EXPECT_EQ(WritePortalXml(again), saved);
}

TEST(PortalXml, KeepsEveryTextExactlyThroughWriteAndRead) {
  std::vector<clsSettings> records{NewReportSettings(kNow), NewReportSettings(kNow)};
  records[0].FTPPassword = "  <&>\"' \t]]>\x01\r\n";
  records[0].FTPLogin = " ";
  records[1].FTPDirectory = "\x80\x81\xFF";
  std::vector<clsSettings> back;
  ASSERT_TRUE(ReadPortalXml(WritePortalXml(records), back, kNow).damage.empty());
  EXPECT_EQ(back, records);
}

TEST(PortalXml, DocumentsWithoutExactlyTwoNamesAreDamagedAndChangeNothing) {
  const std::string three =
      "<settings><Report><SettingName>a</SettingName></Report>"
      "<Report><SettingName>b</SettingName></Report>"
      "<Report><SettingName>c</SettingName></Report></settings>";
  for (const std::string& bytes :
       {three, std::string("<settings></settings>"), std::string("<settings><Report>"),
        std::string(""), std::string("not xml at all")}) {
    std::vector<clsSettings> records{NewReportSettings(kNow)};
    const PortalXmlRead read = ReadPortalXml(bytes, records, kNow);
    EXPECT_FALSE(read.damage.empty()) << bytes;
    EXPECT_EQ(records.size(), 1u);
  }
  std::vector<clsSettings> records;
  EXPECT_EQ(ReadPortalXml(three, records, kNow).damage,
            "it holds 3 SettingName elements instead of 2");
}

TEST(PortalXml, ValuesThatCannotBeTakenKeepTheCurrentValueAndAreReported) {
  const std::string bytes =
      "<settings><Report><SettingName>Backup</SettingName><FTPMode>maybe</FTPMode>"
      "<StartTimeOnceDailyTime>40000</StartTimeOnceDailyTime><StartDate>2/30/2024</StartDate>"
      "<FTPLogin>\xE4\xB8\xAD</FTPLogin></Report>"
      "<Report><SettingName>SymphonyIRI</SettingName><FTPMode>1</FTPMode></Report></settings>";
  std::vector<clsSettings> records;
  const PortalXmlRead read = ReadPortalXml(bytes, records, kNow);
  ASSERT_TRUE(read.damage.empty());
  const clsSettings initial = NewReportSettings(kNow);
  EXPECT_EQ(records[0].FTPMode, initial.FTPMode);
  EXPECT_EQ(records[0].StartTimeOnceDailyTime, 0);
  EXPECT_EQ(records[0].StartDate, initial.StartDate);
  EXPECT_EQ(records[0].FTPLogin, "");
  EXPECT_TRUE(records[1].FTPMode);
  // Four values that cannot be taken, and one line for each of the 43 missing ones.
  EXPECT_EQ(read.problems.size(), 4u + 43u);
  EXPECT_THAT(read.problems,
              ::testing::Contains(
                  "portal.xml: report 0 has an unreadable StartTimeOnceDailyTime, so its current "
                  "value stays (the file says \"40000\")"));
  EXPECT_THAT(
      read.problems,
      ::testing::Contains("portal.xml: report 1 has no StartDate, so its current value stays"));
}

}  // namespace
}  // namespace kez
