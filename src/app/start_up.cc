#include "app/start_up.h"

#include <cstdlib>
#include <thread>

#include "context/activity_log.h"
#include "context/config_files.h"
#include "context/record_engine.h"
#include "context/report_settings_io.h"
#include "platform/app_titles.h"
#include "posdata/data_path_ops.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"

namespace kez {
namespace {

void TakeInstanceLock(AppContext& context) {
  const std::filesystem::path lock_file =
      context.instance_lock_file.empty() ? DefaultInstanceLockFile() : context.instance_lock_file;
  std::string error;
  const InstanceLock::Outcome outcome =
      InstanceLock::TryAcquire(lock_file, &context.instance_lock, &error);
  if (outcome == InstanceLock::Outcome::kHeldElsewhere) {
    context.host.ShowMessage(
        "KEZ Marketing Portal is already running.\rThis Program Can Only Be Runing Once On "
        "This Machine",
        MessageButtons::kOk, MessageIcon::kNone, kApplicationTitle, MessageKind::kInformation);
    context.host.EndProcess(kExitAlreadyRunning);
  }
  if (outcome == InstanceLock::Outcome::kFailed) {
    // Without a usable lock the program still runs; the user learns that a second copy would not
    // be stopped.
    context.host.ShowMessage(
        "The lock that keeps a second copy from running cannot be used: " + error,
        MessageButtons::kOk, MessageIcon::kExclamation, kApplicationTitle,
        MessageKind::kInformation);
  }
}

}  // namespace

void StartUp(AppContext& context) {
  PosDatabase& pos = context.pos;
  context.host.DoEvents();
  TakeInstanceLock(context);

  pos.app_dir = context.AppDir;
  pos.end_program = [&context](int exit_code) { EndProgram(context, exit_code); };
  pos.log_error = ActivityLogWriter(context);
  if (!gfbKEZ_DataPath_open(pos, false, 0, "", false)) context.host.EndProcess(kExitStopped);
  if (pos.DataPath.empty()) pos.DataPath = pos.DataPathSettings.DataPath;

  // The log switch first, so that what loading the report settings reports (a damaged file kept
  // as portal.xml.bad) reaches the activity log.
  LoadSaveLogSwitch(context);
  LoadReportSettings(context, pos.DataPath);

  // The engine before the first table opens: asked for and missing, it is a setting to correct,
  // not a reason to read the data another way.
  if (std::string error; !UseRecordEngine(context, &error)) {
    context.host.ShowMessage(error, MessageButtons::kOk, MessageIcon::kCritical, kApplicationTitle,
                             MessageKind::kInformation);
    context.host.EndProcess(kExitStopped);
  }

  // A run whose database cannot be opened would sit without a window or a timer, out of the
  // user's reach; it ends instead.
  if (!DBSM_OpenDatabase(pos)) context.host.EndProcess(kExitStopped);
  if (!DBSM_OpenAll(pos)) {
    DBSM_CloseAll(pos);
    // Without a screen the record layer has logged why; the jobs open the tables again when they
    // are due, so a daemon does not end and restart over a file that is being repaired.
    if (pos.end_on_fatal) context.host.EndProcess(kExitStopped);
  }

  std::this_thread::sleep_for(context.start_up_pause);
  if (context.windows.load_tray_window) context.windows.load_tray_window(context);
  if (context.windows.show_settings_window) {
    context.windows.show_settings_window(context);
  } else {
    LoadAggregatorSettings(context);
  }
  context.HelpFile = context.AppDir / kHelpFileName;
}

void EndProgram(AppContext& context, int exit_code) {
  if (context.windows.unload_windows) context.windows.unload_windows(context);
  DBSM_UnloadHolder(context.pos);
  context.host.EndProcess(exit_code);
  // EndProcess never returns, but a call through the interface is not seen as [[noreturn]].
  std::abort();
}

}  // namespace kez
