#include "context/report_settings_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "context/activity_log.h"
#include "settings/sm_settings.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

class ReportSettingsIoTest : public ::testing::Test {
 protected:
  ReportSettingsIoTest() {
    context_.AppDir = app_dir_.path();
    context_.save_log = true;
  }

  testing::TempDir app_dir_;
  testing::TempDir data_;
  testing::ScriptedHost host_;
  AppContext context_{host_};
};

TEST_F(ReportSettingsIoTest, ADamagedFileIsReportedInTheActivityLog) {
  std::ofstream(PortalFilePath(data_.path()), std::ios::binary) << "<settings>";
  LoadReportSettings(context_, data_.path());
  ASSERT_EQ(context_.ReportSettings.size(), 2u);
  EXPECT_EQ(context_.ReportSettings[0].StartDate, (LocalDateTime{2026, 1, 5, 9, 0, 0, 0}));
  const std::optional<std::vector<LogRow>> rows = ShowLogForDate(app_dir_.path(), "20260105");
  ASSERT_TRUE(rows && rows->size() == 1u);
  EXPECT_NE(rows->at(0).message.find("kept as portal.xml.bad"), std::string::npos);
  EXPECT_TRUE(fs::exists(DamagedPortalFilePath(data_.path())));
}

}  // namespace
}  // namespace kez
