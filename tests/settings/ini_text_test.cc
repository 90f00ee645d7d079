#include "settings/ini_text.h"

#include <gtest/gtest.h>

namespace kez {
namespace {

using Names = std::vector<std::string>;

// A file in the shape people write by hand: comments, blank lines, odd spacing, mixed line ends.
constexpr std::string_view kHandWritten =
    "; aggregator settings\r\n"
    "orphan=before any section\r\n"
    "\r\n"
    "[Log]\r\n"
    "  SaveLog = yes  \r\n"
    "; MailErrorLog=Y\r\n"
    "MailErrorLog=N\n"
    "\r\n"
    "[Backup Directory]\r\n"
    "Store Number=\"00042\"\r\n"
    "Export Date='1/5/2026'\r\n"
    "Last Invoice=\r\n"
    "flag without value\r\n"
    "[ log ]\r\n"
    "EmailLogTo=ops@example.com";

TEST(IniText, ParsingAndWritingBackChangesNoByte) {
  for (std::string_view bytes :
       {kHandWritten, std::string_view(""), std::string_view("\r"), std::string_view("\n\n\r\n"),
        std::string_view("\xEF\xBB\xBF[a]\r\nk=v"), std::string_view("x=\0y\r\n", 7)}) {
    EXPECT_EQ(IniText::Parse(bytes).Serialize(), bytes);
  }
}

TEST(IniText, ReadsNamesAndValuesAsTheProfileFunctionsDo) {
  const IniText ini = IniText::Parse(kHandWritten);
  EXPECT_EQ(ini.SectionNames(), (Names{"Log", "Backup Directory"}));
  // The two parts of "Log" are one section; the comment line is no key.
  EXPECT_EQ(ini.KeyNames("LOG"), (Names{"SaveLog", "MailErrorLog", "EmailLogTo"}));
  EXPECT_EQ(ini.Value("log", "savelog"), "yes");
  EXPECT_EQ(ini.Value("Log", "MailErrorLog"), "N");
  EXPECT_EQ(ini.Value("Log", "EmailLogTo"), "ops@example.com");
  EXPECT_EQ(ini.Value("Backup Directory", "Store Number"), "00042");
  EXPECT_EQ(ini.Value("Backup Directory", "Export Date"), "1/5/2026");
  EXPECT_EQ(ini.Value("Backup Directory", "Last Invoice"), "");
  EXPECT_EQ(ini.Value("Backup Directory", "flag without value"), "");
  EXPECT_EQ(ini.Value("Backup Directory", "Missing"), std::nullopt);
  EXPECT_EQ(ini.Value("Nowhere", "SaveLog"), std::nullopt);
  EXPECT_EQ(ini.Value("", "orphan"), std::nullopt);
}

TEST(IniText, ChangingAValueRewritesOnlyItsLine) {
  IniText ini = IniText::Parse(kHandWritten);
  ini.SetValue("LOG", "SAVELOG", "N");
  std::string expected(kHandWritten);
  expected.replace(expected.find("  SaveLog = yes  "), 17, "SaveLog=N");
  EXPECT_EQ(ini.Serialize(), expected);
}

TEST(IniText, NewKeysJoinTheirSectionAndNewSectionsTheEnd) {
  IniText ini = IniText::Parse("[EXPORT]\r\nExport Date=1/1/2024\r\n\r\n[Other]\r\nx=1");
  ini.SetValue("export", "Last Invoice", "0001234");
  ini.SetValue("EXPORT FTP", "Address", "ftp.example.com");
  EXPECT_EQ(ini.Serialize(),
            "[EXPORT]\r\nExport Date=1/1/2024\r\nLast Invoice=0001234\r\n\r\n"
            "[Other]\r\nx=1\r\n\r\n[EXPORT FTP]\r\nAddress=ftp.example.com\r\n");
  EXPECT_EQ(IniText::Parse("").Serialize(), "");
  IniText empty = IniText::Parse("");
  empty.SetValue("A", "k", "v");
  EXPECT_EQ(empty.Serialize(), "[A]\r\nk=v\r\n");
}

TEST(IniText, DeletingRemovesEveryEntryOrPartAndNothingElse) {
  IniText ini =
      IniText::Parse("; top\r\n[A]\r\nk=1\r\nK=2\r\nj=3\r\n[B]\r\nk=4\r\n[a]\r\nk=5\r\n; tail\r\n");
  EXPECT_TRUE(ini.DeleteKey("a", "k"));
  EXPECT_EQ(ini.Serialize(), "; top\r\n[A]\r\nj=3\r\n[B]\r\nk=4\r\n[a]\r\n; tail\r\n");
  EXPECT_FALSE(ini.DeleteKey("a", "k"));
  EXPECT_TRUE(ini.DeleteSection("A"));
  EXPECT_EQ(ini.Serialize(), "; top\r\n[B]\r\nk=4\r\n");
  EXPECT_FALSE(ini.DeleteSection("A"));
}

TEST(IniText, TheEmptyNamedSectionIsASectionLikeAnyOther) {
  IniText ini = IniText::Parse("lead=1\r\n[]\r\nx=1\r\n[ ]\r\ny=2\r\n[Log]\r\nSaveLog=Y\r\n");
  EXPECT_EQ(ini.KeyNames(""), (Names{"x", "y"}));
  EXPECT_TRUE(ini.DeleteSection(""));
  EXPECT_EQ(ini.Serialize(), "lead=1\r\n[Log]\r\nSaveLog=Y\r\n");
}

}  // namespace
}  // namespace kez
