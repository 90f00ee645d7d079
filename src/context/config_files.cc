#include "context/config_files.h"

#include <charconv>

#include "platform/file_names.h"
#include "platform/windows1252.h"
#include "settings/ini_services.h"

namespace kez {

namespace {

// The [Log] SaveLog key: on for a value that starts with "Y" or "y", and for a missing key.
bool SaveLogValue(clsINI_Services& ini) {
  const std::string save_log = ini.GetValue("Log", "SaveLog", "Y");
  return !save_log.empty() && ToUpper1252(save_log.front()) == 'Y';
}

// [Delivery] OutboxDays: how many days back a run sends files its server has not received; a
// missing or unreadable value keeps the default, and the value is held to 1..366.
int OutboxDaysValue(clsINI_Services& ini, int fallback) {
  const std::string text = ini.GetValue("Delivery", "OutboxDays", "");
  int days = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), days);
  if (text.empty() || code != std::errc() || end != text.data() + text.size()) return fallback;
  return days < 1 ? 1 : days > 366 ? 366 : days;
}

}  // namespace

void LoadAggregatorSettings(AppContext& context) {
  const std::filesystem::path file = context.AppDir / kAggregatorIniName;
  clsINI_Services ini(context.host);
  ini.File_Name(file);
  if (!ini.FileOpen()) {
    context.host.ShowMessage(
        "Unable to open KEZ Data Aggregator Settings File, " + PathText(file) + ".",
        MessageButtons::kOk, MessageIcon::kNone, "Error", MessageKind::kInformation);
    return;
  }
  context.save_log = SaveLogValue(ini);
  context.outbox_days = OutboxDaysValue(ini, context.outbox_days);
  context.export_state.StoreNumber = ini.GetValue("Backup Directory", "Store Number", "");
  context.export_state.ExportDate = ini.GetValue("Backup Directory", "Export Date", "");
  context.export_state.LastInvoice = ini.GetValue("Backup Directory", "Last Invoice", "");
}

void LoadSaveLogSwitch(AppContext& context) {
  clsINI_Services ini(context.host);
  ini.File_Name(context.AppDir / kAggregatorIniName);
  if (ini.FileOpen()) context.save_log = SaveLogValue(ini);
}

bool SaveExportState(Host& host, const ExportState& state, const std::filesystem::path& data_path) {
  clsINI_Services ini(host);
  ini.File_Name(FindFileAnyCase(data_path, kSuiteIniName));
  if (!ini.FileOpen()) {
    host.ShowMessage(std::string("Unable to open KEZ Settings File, ") + kSuiteIniName + ".",
                     MessageButtons::kOk, MessageIcon::kNone, "Error", MessageKind::kInformation);
    return false;
  }
  host.DoEvents();
  // Each write is checked by nobody: a key that cannot be written is written again after the next
  // customer extract.
  ini.WriteData("EXPORT", "Export Date", state.ExportDate);
  ini.WriteData("EXPORT", "Last Invoice", state.LastInvoice);
  ini.WriteData("EXPORT", "Store Number", state.StoreNumber);
  ini.WriteData("EXPORT", "Auto Shutdown", "No");
  if (state.export_ftp) {
    const ExportFtpAccount& ftp = *state.export_ftp;
    ini.WriteData("EXPORT FTP", "Address", ftp.address);
    ini.WriteData("EXPORT FTP", "Username", ftp.username);
    ini.WriteData("EXPORT FTP", "Password", ftp.password);
    ini.WriteData("EXPORT FTP", "Directory", ftp.directory);
    ini.WriteData("EXPORT FTP", "Port", ftp.port);
  }
  return true;
}

}  // namespace kez
