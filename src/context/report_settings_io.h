// The report records of the context and their file: loaded at start-up and saved after each
// scheduler tick and by the settings window, with anything that went wrong written to the
// activity log.
#ifndef KEZ_CONTEXT_REPORT_SETTINGS_IO_H_
#define KEZ_CONTEXT_REPORT_SETTINGS_IO_H_

#include <filesystem>

#include "context/app_context.h"

namespace kez {

// Fills context.ReportSettings from portal.xml in `data_path` (see the settings-level
// LoadReportSettings for what happens to a missing or damaged file) and writes its notes to the
// activity log.
void LoadReportSettings(AppContext& context, const std::filesystem::path& data_path);

// Writes context.ReportSettings to portal.xml in `data_path`. When that fails, the old file stays,
// the reason goes to the activity log, and the result is false.
bool SaveReportSettings(AppContext& context, const std::filesystem::path& data_path);

}  // namespace kez

#endif  // KEZ_CONTEXT_REPORT_SETTINGS_IO_H_
