#include "settings/ini_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class IniServicesTest : public ::testing::Test {
 protected:
  // Writes `bytes` as the INI file and names it to the services.
  void Open(std::string_view bytes) {
    std::ofstream(file_, std::ios::binary) << bytes;
    ini_.File_Name(file_);
    ASSERT_TRUE(ini_.FileOpen());
  }
  std::string Bytes() const {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(file_, &bytes, &error)) << error;
    return bytes;
  }

  testing::TempDir dir_;
  fs::path file_ = dir_ / "KEZ.INI";
  testing::ScriptedHost host_;
  clsINI_Services ini_{host_};
};

TEST_F(IniServicesTest, GetValueGivesTheDefaultOnlyForAMissingKey) {
  Open("[EXPORT]\r\nStore Number=00042\r\nEmpty=\r\n");
  EXPECT_EQ(ini_.GetValue("EXPORT", "Store Number"), "00042");
  EXPECT_EQ(ini_.GetValue("EXPORT", "Missing"), "");
  EXPECT_EQ(ini_.GetValue("EXPORT", "Missing", "abc"), "abc");
  EXPECT_EQ(ini_.GetValue("EXPORT", "Missing", "abc   "), "abc");
  EXPECT_EQ(ini_.GetValue("EXPORT", "Empty", "abc"), "");
}

TEST_F(IniServicesTest, ValuesAndDefaultsAreCutTo254Characters) {
  const std::string long_value(300, 'v');
  Open("[A]\r\nk=" + long_value + "\r\nexact=" + std::string(254, 'e') + "\r\n");
  EXPECT_EQ(ini_.GetValue("A", "k"), std::string(254, 'v'));
  EXPECT_EQ(ini_.GetValue("A", "exact"), std::string(254, 'e'));
  EXPECT_EQ(ini_.GetValue("A", "missing", long_value), std::string(254, 'v'));
}

TEST_F(IniServicesTest, TheFileCheckFailsForAMissingFileOrFolder) {
  ini_.File_Name(dir_ / "absent.ini");
  EXPECT_FALSE(ini_.FileOpen());
  ini_.File_Name(dir_ / "no such folder" / "KEZ.INI");
  EXPECT_FALSE(ini_.FileOpen());
  EXPECT_TRUE(ini_.File().empty());
  // Nothing is written while the check has failed, not even a new file.
  EXPECT_FALSE(ini_.WriteData("EXPORT", "Store Number", "1"));
  EXPECT_EQ(ini_.GetAllSections(), Names{});
  EXPECT_FALSE(fs::exists(dir_ / "no such folder"));
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(IniServicesTest, TheFileCheckDeletesTheEmptyNamedSectionOnly) {
  Open("; kept\r\n[]\r\njunk=1\r\n[Log]\r\nSaveLog=Y\r\n");
  EXPECT_EQ(Bytes(), "; kept\r\n[Log]\r\nSaveLog=Y\r\n");
  EXPECT_EQ(ini_.File(), file_);
}

TEST_F(IniServicesTest, WritingKeepsEverythingElseInTheFile) {
  const std::string before =
      "; POS suite settings\r\n[STATION]\r\nNumber = 3\r\n\r\n"
      "[EXPORT]\r\nExport Date=1/1/2024\r\n; note\r\nAuto Shutdown=Yes\r\n\r\n[Z]\n z = 1\n";
  Open(before);
  EXPECT_TRUE(ini_.WriteData("export", "auto shutdown", "No"));
  EXPECT_TRUE(ini_.WriteData("EXPORT", "Store Number", "00042"));
  EXPECT_EQ(Bytes(),
            "; POS suite settings\r\n[STATION]\r\nNumber = 3\r\n\r\n"
            "[EXPORT]\r\nExport Date=1/1/2024\r\n; note\r\nAuto Shutdown=No\r\n"
            "Store Number=00042\r\n\r\n[Z]\n z = 1\n");
  EXPECT_EQ(ini_.GetValue("Export", "STORE NUMBER"), "00042");
}

TEST_F(IniServicesTest, WritingRefusesTextThatWouldBreakTheLineStructure) {
  Open("[A]\r\nk=1\r\n");
  EXPECT_FALSE(ini_.WriteData("A", "k", "1\r\n[B]"));
  EXPECT_FALSE(ini_.WriteData("A", "k=x", "1"));
  EXPECT_FALSE(ini_.WriteData("A]", "k", "1"));
  EXPECT_FALSE(ini_.WriteData("A", "", "1"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
}

TEST_F(IniServicesTest, ListsComeBackAsArraysWithAnEmptyFirstElementWhenThereIsNothing) {
  Open("[Log]\r\nSaveLog=Y\r\nEmailLogTo=\r\n[Empty]\r\n[Backup Directory]\r\nStore Number=1\r\n");
  EXPECT_EQ(ini_.GetAllSections(), (Names{"Log", "Empty", "Backup Directory"}));
  EXPECT_EQ(ini_.GetAllKeysInSection("log"), (Names{"SaveLog", "EmailLogTo"}));
  EXPECT_EQ(ini_.GetAllKeysInSection("Empty"), Names{""});
  EXPECT_EQ(ini_.GetAllKeysInSection("Missing"), Names{""});
  const std::vector<IniKeyValue> rows = ini_.GetAllKeysValuesInSection("Log");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].key, "SaveLog");
  EXPECT_EQ(rows[0].value, "Y");
  EXPECT_EQ(rows[1].value, "");
}

TEST_F(IniServicesTest, ListsLongerThanTheBufferAreCut) {
  // 30 keys of 9 characters need 300 characters with their NULs. The list is cut to 253
  // characters, three into the 26th name, and the walk over the buffer drops the last of those.
  std::string text = "[Many]\r\n";
  for (int i = 10; i < 40; ++i) text += "key_" + std::to_string(i) + "_xx=1\r\n";
  Open(text);
  const Names keys = ini_.GetAllKeysInSection("Many");
  ASSERT_EQ(keys.size(), 26u);
  EXPECT_EQ(keys[24], "key_34_xx");
  EXPECT_EQ(keys[25], "ke");
}

TEST_F(IniServicesTest, SearchesIgnoreLetterCaseAndRequireTheWholeText) {
  Open(
      "[Report]\r\nstorenumber=00001\r\nInvoice=ABC\r\n[Other]\r\nStoreNumber=abc\r\n"
      "Code=abcd\r\n");
  EXPECT_TRUE(ini_.FindKeyInSection("REPORT", "StoreNumber"));
  EXPECT_FALSE(ini_.FindKeyInSection("Report", "Store"));
  EXPECT_EQ(ini_.FindKeyInFile("STORENUMBER"), (Names{"Report", "Other"}));
  EXPECT_EQ(ini_.FindValueInSection("Other", "ABC"), Names{"StoreNumber"});
  const std::vector<IniSectionKey> found = ini_.FindValueInFile("abc");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].section, "Report");
  EXPECT_EQ(found[0].key, "Invoice");
  EXPECT_EQ(found[1].section, "Other");
  EXPECT_EQ(found[1].key, "StoreNumber");
}

TEST_F(IniServicesTest, RenamingMovesKeysInOrderAndLeavesNoPlaceholder) {
  Open("[Old]\r\nb=2\r\na=1\r\n[Empty]\r\n[Keep]\r\nk=v\r\n");
  EXPECT_TRUE(ini_.RenameSection("old", "New"));
  EXPECT_TRUE(ini_.RenameSection("Empty", "Hollow"));
  EXPECT_TRUE(ini_.RenameKey("Keep", "K", "renamed"));
  EXPECT_EQ(Bytes(), "[Keep]\r\nrenamed=v\r\n\r\n[New]\r\nb=2\r\na=1\r\n\r\n[Hollow]\r\n");
}

TEST(IniErrorText, LaysOutNumberDescriptionAndLabel) {
  EXPECT_EQ(IniErrorText(7, "Out of memory", "Get Value Class ini"),
            "Error Number: 7\r\nOut of memory\r\n\r\nGet Value Class ini");
  EXPECT_EQ(IniErrorText(7, "Out of memory", ""), "Error Number: 7\r\nOut of memory");
}

}  // namespace
}  // namespace kez
