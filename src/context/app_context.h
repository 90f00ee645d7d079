// The state that lives from start-up to the end of the process, in one place: created by the
// front end (tray program, kezagg, a test) and passed by reference to every operation that needs
// it. Each test builds its own, so nothing is shared between tests.
#ifndef KEZ_CONTEXT_APP_CONTEXT_H_
#define KEZ_CONTEXT_APP_CONTEXT_H_

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "context/export_state.h"
#include "context/movement_data.h"
#include "context/record_engine.h"
#include "platform/host.h"
#include "platform/instance_lock.h"
#include "posdata/pos_database.h"
#include "settings/cls_settings.h"
#include "transfer/ftp_options.h"

namespace kez {

struct AppContext;

// The files the report jobs could not write, those they wrote but could not deliver (a file made
// elsewhere and missing here is neither), the uploads that could not start (no connection, no
// such directory), and the extracts that could not read the store's tables to their end (a
// damaged file). Counts add up over the jobs of the process.
struct JobShortfall {
  int not_written = 0;
  int not_delivered = 0;
  int uploads_not_started = 0;
  int tables_not_read = 0;
  bool Any() const {
    return not_written > 0 || not_delivered > 0 || uploads_not_started > 0 || tables_not_read > 0;
  }
};

// The windows of the tray program, as start-up and EndProgram drive them. A front end without a
// screen leaves them empty.
struct WindowHooks {
  // Loads the hidden tray window: it puts the icon in the tray and starts the one-minute timer.
  std::function<void(AppContext&)> load_tray_window;
  // Shows the main settings window; its load reads the data location and the program's INI file.
  std::function<void(AppContext&)> show_settings_window;
  // Unloads every loaded window, letting pending events run after each.
  std::function<void(AppContext&)> unload_windows;
};

// Members that the program's own documents name (HelpFile, AppDir, ReportSettings, and the export
// state's texts) keep those names, so that a reader can find them there; the rest follow our style.
struct AppContext {
  explicit AppContext(Host& host_in) : host(host_in), pos(host_in) {}
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // Message boxes, the clock, the progress display and the end of the process.
  Host& host;

  // The POS data: data location, table entries and handles, record buffers, local-mode flag.
  PosDatabase pos;

  // The windows that start-up loads and EndProgram unloads.
  WindowHooks windows;
  // The single-instance lock file; empty for DefaultInstanceLockFile().
  std::filesystem::path instance_lock_file;
  // Held from start-up to the end of the process.
  std::unique_ptr<InstanceLock> instance_lock;
  // The pause between opening the tables and loading the tray window.
  std::chrono::milliseconds start_up_pause{300};
  // The application's help file, set by start-up.
  std::filesystem::path HelpFile;

  // The folder of the program's own files: KEZDataAggregator.ini, KEZDataAggregator.log and the
  // engine status texts. See ResolveAppDir.
  std::filesystem::path AppDir;

  // Which record engine serves the data path: set by a front end's option for its run, otherwise
  // read from KEZDataAggregator.ini at start-up (record_engine.h). The chosen engine itself
  // lives in pos.engine.
  std::optional<EngineUse> engine_use;
  // The engine's library file exactly, in place of [Engine] Library=; empty: the INI's.
  std::string engine_library;
  // Whether start-up names the chosen engine in the activity log. A tick that cron starts every
  // minute leaves it out, or the log would hold one such line a minute.
  bool announce_engine = true;

  // The save-log flag: when false the activity log writes nothing. Off until
  // LoadAggregatorSettings has read KEZDataAggregator.ini.
  bool save_log = false;

  // The export state: set from the current report before each job and advanced by the extracts.
  ExportState export_state;

  // The two report records (kMarketingPortalReport, kSymphonyIriReport), filled at start-up by
  // LoadReportSettings.
  std::vector<clsSettings> ReportSettings;

  // The SymphonyIRI report's movement rows, start key and file, from the last collection.
  MovementData movement;

  // How the report jobs' FTP clients wait for a server; tests shorten the timeouts.
  FtpOptions ftp_options;
  // How many days back a report's run looks for its files that the server has not received
  // ([Delivery] OutboxDays in KEZDataAggregator.ini).
  int outbox_days = 14;
  // What the report jobs of this process left undone; a front end turns it into its exit status.
  JobShortfall shortfall;
  // True while a report job runs. The FTP client lets events through during a transfer, so a
  // scheduler tick or a run request can arrive meanwhile; it is then skipped (see scheduler.h).
  bool job_running = false;
  // What the ticks skipped while a job ran: the moment each report fell due (by position), run
  // when the job ends, and whether the skip has been logged for this job.
  struct SkippedTicks {
    std::array<std::optional<LocalDateTime>, 2> due;
    bool logged = false;
  } skipped_ticks;
  // Receives every activity-log message, also while the save-log flag is off, for a front end
  // that shows the log as it grows (kezagg prints it). Empty: nobody is told.
  std::function<void(std::string_view message)> log_echo;
};

}  // namespace kez

#endif  // KEZ_CONTEXT_APP_CONTEXT_H_
