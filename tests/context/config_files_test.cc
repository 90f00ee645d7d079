#include "context/config_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

class ConfigFilesTest : public ::testing::Test {
 protected:
  ConfigFilesTest() { context_.AppDir = app_dir_.path(); }

  void WriteAggregatorIni(std::string_view bytes) {
    std::ofstream(app_dir_ / "KEZDataAggregator.ini", std::ios::binary) << bytes;
  }
  std::string SuiteIni() {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(data_ / "KEZ.INI", &bytes, &error)) << error;
    return bytes;
  }

  testing::TempDir app_dir_;
  testing::TempDir data_;
  testing::ScriptedHost host_;
  AppContext context_{host_};
};

TEST_F(ConfigFilesTest, SaveLogIsOnForValuesStartingWithYAndForAMissingKey) {
  const std::pair<std::string, bool> cases[] = {{"[Log]\r\nSaveLog=Y\r\n", true},
                                                {"[Log]\r\nSaveLog=yes\r\n", true},
                                                {"[Log]\r\nSaveLog=N\r\n", false},
                                                {"[Log]\r\nSaveLog=no\r\n", false},
                                                {"[Log]\r\nSaveLog=\r\n", false},
                                                {"[Log]\r\nMailErrorLog=N\r\n", true},
                                                {"", true}};
  for (const auto& [ini, expected] : cases) {
    WriteAggregatorIni(ini);
    context_.save_log = !expected;
    LoadAggregatorSettings(context_);
    EXPECT_EQ(context_.save_log, expected) << ini;
  }
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(ConfigFilesTest, ExportStateIsTakenVerbatimFromBackupDirectory) {
  WriteAggregatorIni(
      "[Log]\r\nSaveLog=Y\r\n[Backup Directory]\r\nStore Number=00042\r\n"
      "Export Date=1/5/2026\r\nLast Invoice=0001234\r\n[EXPORT]\r\nStore Number=99999\r\n");
  LoadAggregatorSettings(context_);
  EXPECT_EQ(context_.export_state.StoreNumber, "00042");
  EXPECT_EQ(context_.export_state.ExportDate, "1/5/2026");
  EXPECT_EQ(context_.export_state.LastInvoice, "0001234");
}

TEST_F(ConfigFilesTest, AMissingFileIsReportedAndLeavesTheLogOff) {
  context_.export_state.StoreNumber = "kept";
  LoadAggregatorSettings(context_);
  EXPECT_FALSE(context_.save_log);
  EXPECT_EQ(context_.export_state.StoreNumber, "kept");
  ASSERT_EQ(host_.messages().size(), 1u);
  const testing::RecordedMessage& message = host_.messages()[0];
  EXPECT_EQ(message.text, "Unable to open KEZ Data Aggregator Settings File, " +
                              (app_dir_ / "KEZDataAggregator.ini").string() + ".");
  EXPECT_EQ(message.title, "Error");
  EXPECT_EQ(message.buttons, MessageButtons::kOk);
}

TEST_F(ConfigFilesTest, ExportStateGoesToTheSuitesIniInOrderKeepingTheRest) {
  std::ofstream(data_ / "KEZ.INI", std::ios::binary)
      << "[STATION]\r\nNumber=3\r\n[EXPORT FTP]\r\nAddress=suite.example\r\nPort=2121\r\n";
  context_.export_state.ExportDate = "1/5/2026";
  context_.export_state.LastInvoice = "0001234";
  context_.export_state.StoreNumber = "00042";
  EXPECT_TRUE(SaveExportState(host_, context_.export_state, data_.path()));
  EXPECT_EQ(host_.do_events_calls(), 1);
  // Without an export FTP account of its own the system leaves the suite's one alone.
  EXPECT_EQ(SuiteIni(),
            "[STATION]\r\nNumber=3\r\n[EXPORT FTP]\r\nAddress=suite.example\r\nPort=2121\r\n\r\n"
            "[EXPORT]\r\nExport Date=1/5/2026\r\nLast Invoice=0001234\r\nStore Number=00042\r\n"
            "Auto Shutdown=No\r\n");

  context_.export_state.export_ftp = ExportFtpAccount{"ftp.example", "user", "pw", "/up", "21"};
  EXPECT_TRUE(SaveExportState(host_, context_.export_state, data_.path()));
  EXPECT_NE(SuiteIni().find("[EXPORT FTP]\r\nAddress=ftp.example\r\nPort=21\r\nUsername=user\r\n"
                            "Password=pw\r\nDirectory=/up\r\n"),
            std::string::npos)
      << SuiteIni();
}

TEST_F(ConfigFilesTest, AMissingSuiteIniIsReportedAndNothingIsWritten) {
  EXPECT_FALSE(SaveExportState(host_, context_.export_state, data_.path()));
  EXPECT_FALSE(fs::exists(data_ / "KEZ.INI"));
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text, "Unable to open KEZ Settings File, KEZ.INI.");
  EXPECT_EQ(host_.messages()[0].title, "Error");
}

TEST_F(ConfigFilesTest, TheSuitesIniIsFoundWhateverItsLetterCase) {
  // A data folder copied from Windows: the suite's file in lower case, and no second one made.
  std::ofstream(data_ / "kez.ini", std::ios::binary) << "[STATION]\r\nNumber=3\r\n";
  context_.export_state.StoreNumber = "00042";
  EXPECT_TRUE(SaveExportState(host_, context_.export_state, data_.path()));
  EXPECT_TRUE(host_.messages().empty());
  std::string bytes;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(data_ / "kez.ini", &bytes, &error)) << error;
  EXPECT_NE(bytes.find("[STATION]\r\nNumber=3\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Store Number=00042"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(data_.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace kez
