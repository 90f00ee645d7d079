#include "context/report_settings_io.h"

#include "context/activity_log.h"
#include "settings/sm_settings.h"

namespace kez {

void LoadReportSettings(AppContext& context, const std::filesystem::path& data_path) {
  const ReportSettingsLoad load =
      LoadReportSettings(data_path, context.host.Now(), context.ReportSettings);
  for (const std::string& note : load.notes) WriteLog(context, note);
}

bool SaveReportSettings(AppContext& context, const std::filesystem::path& data_path) {
  std::string error;
  if (SaveReportSettings(data_path, context.ReportSettings, &error)) return true;
  WriteLog(context, "Report settings could not be saved: " + error);
  return false;
}

}  // namespace kez
