#include "posdata/data_path_ops.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "btrieve/dictionary.h"
#include "platform/app_titles.h"
#include "platform/coarse_clock.h"
#include "platform/exit_codes.h"
#include "platform/windows1252.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

constexpr int kLeastMaxStations = 50;

// Gives the data path the program's "upper.alt" when it has none (letter case aside). A copy that
// fails leaves the data path as it was: the engine then sorts without it, as before.
void CopyAlternateCollatingFile(const PosDatabase& db) {
  std::error_code code;
  const fs::path data = db.DataPathSettings.DataPath;
  if (fs::exists(btrieve::ResolvePath(data, kAlternateCollatingFile), code)) return;
  const fs::path own = btrieve::ResolvePath(db.app_dir, kAlternateCollatingFile);
  if (!fs::is_regular_file(own, code)) return;
  fs::copy_file(own, data / kAlternateCollatingFile, fs::copy_options::skip_existing, code);
}

}  // namespace

bool gfbKEZ_DataPath_open(PosDatabase& db, bool bStationPathEnabled, int iMaxStations,
                          std::string_view sAltDefaultPath, bool bStationNumberEnabled) {
  clsDataPath& path = db.DataPathSettings;
  path.AppLabel = kSuiteSettingsLabel;
  path.CreatePath = false;
  path.DefaultNetwork = false;
  path.StationNumberEnabled = bStationNumberEnabled;
  path.StationPathEnabled = bStationPathEnabled;
  path.MaxStations = static_cast<std::int16_t>(std::clamp(iMaxStations, kLeastMaxStations, 32767));
  path.SupressFileCheck = bStationPathEnabled;
  path.DefaultStation = "1";
  const std::string default_path =
      sAltDefaultPath.empty() ? std::string(kDefaultDataFolder) : std::string(sAltDefaultPath);
  path.DefaultStationPath = default_path;
  path.DefaultDataPath = default_path;
  path.DataPath.clear();

  path.Read(*db.user_settings, false);
  path.StationPath = WithoutFinalSeparator(path.StationPath);
  path.DataPath = WithoutFinalSeparator(path.DataPath);

  if (!path.DataPath.empty()) {
    if (FolderExists(kLocalDataFolder)) DataPathAvailable(db);
    if (path.Validate(true, nullptr)) {
      CopyAlternateCollatingFile(db);
    } else {
      path.DataPath.clear();
    }
  }
  if (!path.DataPath.empty()) return true;

  if (path.Network) {
    db.host.ShowMessage(
        "The network is currently down or is not set up properly. Please contact your network "
        "administrator for help.",
        MessageButtons::kOk, MessageIcon::kExclamation, "Network Not Found",
        MessageKind::kInformation);
    return false;
  }
  const MessageAnswer answer = db.host.ShowMessage(
      "A path to the KEZ Data Files has not been defined\r\rDo you want to define it now?",
      MessageButtons::kYesNo, MessageIcon::kQuestion, kProductName, MessageKind::kDecision);
  if (answer != MessageAnswer::kYes) return false;
  path.CreatePath = true;
  if (db.show_data_path_dialog) db.show_data_path_dialog(path);
  return !path.DataPath.empty();
}

bool DataPathAvailable(PosDatabase& db) {
  const std::string& data_path = db.DataPathSettings.DataPath;
  const auto now = CoarseClock::now();
  if (data_path == db.data_path_seen && now - db.data_path_seen_at < kDataPathRecheckInterval) {
    return true;
  }
  for (;;) {
    std::error_code code;
    const fs::file_status status = fs::status(fs::path(data_path), code);
    // Only a folder that is surely not there stops the operation; a check that cannot be made
    // lets it go on.
    if (code && code != std::errc::no_such_file_or_directory &&
        code != std::errc::not_a_directory) {
      return true;
    }
    if (fs::is_directory(status)) {
      db.data_path_seen = data_path;
      db.data_path_seen_at = now;
      return true;
    }
    if (db.local_mode) return true;
    if (EqualsIgnoreCase1252(data_path, kLocalDataFolder)) {
      db.local_mode = true;
      return false;
    }
    const MessageAnswer answer = db.host.ShowMessage(
        "Server not found. Check Server and Network Connections.\r\n Retry?",
        MessageButtons::kYesNo, MessageIcon::kQuestion, "Network Error", MessageKind::kRetry);
    if (answer != MessageAnswer::kYes) db.host.EndProcess(kExitStopped);
  }
}

}  // namespace kez
