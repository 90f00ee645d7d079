// The state that lives from start-up to the end of the process, in one place: created by the
// front end (tray program, kezagg, a test) and passed by reference to every operation that needs
// it. Each test builds its own, so nothing is shared between tests.
#ifndef KEZ_APP_APP_CONTEXT_H_
#define KEZ_APP_APP_CONTEXT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "settings/cls_settings.h"

namespace kez {

// The FTP account that the POS suite keeps in KEZ.INI's "EXPORT FTP" section.
struct ExportFtpAccount {
  std::string address;
  std::string username;
  std::string password;
  std::string directory;
  std::string port;
};

struct AppContext {
  explicit AppContext(Host& host_in) : host(host_in) {}

  // Message boxes, the clock, the progress display and the end of the process.
  Host& host;

  // The folder of the program's own files: KEZDataAggregator.ini, KEZDataAggregator.log and the
  // engine status texts. See ResolveAppDir.
  std::filesystem::path AppDir;

  // The save-log flag: when false the activity log writes nothing. Off until
  // LoadAggregatorSettings has read KEZDataAggregator.ini.
  bool save_log = false;

  // The export state: set from the current report before each job and advanced by the extracts.
  std::string StoreNumber;  // five digits
  std::string LastInvoice;  // seven characters once a job has run
  std::string ExportDate;   // short date (M/D/YYYY) text
  // Written to KEZ.INI's "EXPORT FTP" section only when present, so that the suite's own account
  // is never blanked.
  std::optional<ExportFtpAccount> export_ftp;

  // The two report records (kMarketingPortalReport, kSymphonyIriReport), filled at start-up by
  // LoadReportSettings.
  std::vector<clsSettings> ReportSettings;
};

}  // namespace kez

#endif  // KEZ_APP_APP_CONTEXT_H_
