// The two INI files of the system. KEZDataAggregator.ini in AppDir is only read: it gives the
// save-log flag and the initial export state. KEZ.INI in the data path belongs to the POS suite:
// the system never reads it and writes its EXPORT sections after each customer extract. The keys
// are listed in docs/settings-files.md.
#ifndef KEZ_CONTEXT_CONFIG_FILES_H_
#define KEZ_CONTEXT_CONFIG_FILES_H_

#include <filesystem>

#include "context/app_context.h"

namespace kez {

inline constexpr const char* kAggregatorIniName = "KEZDataAggregator.ini";
inline constexpr const char* kSuiteIniName = "KEZ.INI";

// Reads KEZDataAggregator.ini from AppDir into the save-log flag and the export state. When the
// file cannot be used, shows "Unable to open KEZ Data Aggregator Settings File, <path>." (title
// "Error") and changes nothing.
void LoadAggregatorSettings(AppContext& context);

// Reads only the save-log flag from KEZDataAggregator.ini, quietly: start-up needs it before the
// report settings are loaded, so that what their loading reports reaches the activity log. A
// file that cannot be used leaves the flag as it is; LoadAggregatorSettings reports it later.
void LoadSaveLogSwitch(AppContext& context);

// Writes the export state into KEZ.INI in `data_path` ("EXPORT", and "EXPORT FTP" when the
// state holds that account). When the file cannot be used, shows "Unable to open KEZ Settings
// File, KEZ.INI." (title "Error") and returns false without writing.
bool SaveExportState(Host& host, const ExportState& state, const std::filesystem::path& data_path);

}  // namespace kez

#endif  // KEZ_CONTEXT_CONFIG_FILES_H_
