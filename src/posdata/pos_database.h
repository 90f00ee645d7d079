// PosDatabase: the POS data state of the run, from start-up to the end of the process: the data
// location, the record layer's table entries and handles, its flags, and the six record buffers.
// The application context holds one; tests build their own.
#ifndef KEZ_POSDATA_POS_DATABASE_H_
#define KEZ_POSDATA_POS_DATABASE_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "btrieve/engine.h"
#include "platform/coarse_clock.h"
#include "platform/host.h"
#include "posdata/cls_data_path.h"
#include "posdata/record_buffer.h"
#include "posdata/table_handle.h"
#include "posdata/user_settings_store.h"

namespace kez {

// The name of the engine status text file in AppDir.
inline constexpr const char* kErrorMessageFileName = "KEZBTERR.MSG";

// One table entry (DBSM_Table): which table of the dictionary, which data file, and how the last
// operation on it went.
struct DBSM_TableEntry {
  std::string TableName;  // the dictionary name ("COMMON")
  std::string FileName;   // the data file's full path
  bool IsOpen = false;
  bool VariableLength = false;  // creation flag for a missing file; every table sets it false
  // The engine status of the last operation: 0 success. 1000 while the lock question of this
  // table is on screen, and afterwards when the user declined to try again.
  std::int16_t Status = 0;
};

// Members that the program's own documents name (DataPathSettings, DataPath, VATable, DBSM_Table)
// keep those names, so that a reader can find them there; the rest follow our style.
struct PosDatabase {
  explicit PosDatabase(Host& host_in);
  PosDatabase(const PosDatabase&) = delete;
  PosDatabase& operator=(const PosDatabase&) = delete;

  // Message boxes, the clock and the end of the process.
  Host& host;

  // The folder of the program's own files (AppDir): KEZBTERR.MSG and the "upper.alt" that a data
  // path without one receives.
  std::filesystem::path app_dir;
  // Ends the program as EndProgram does (windows unloaded, then the process ends with the code);
  // it must not return. Without it the process ends at once.
  std::function<void(int exit_code)> end_program;
  // Shows the path dialog (modal) for the data location, which it may change and save; without it
  // (no screen) nothing is shown and the data location stays as it is.
  std::function<void(clsDataPath&)> show_data_path_dialog;
  // The record engine that serves the data path (built-in until start-up chooses); every handle
  // that new_handle makes opens its files and reads the dictionary through it.
  std::shared_ptr<btrieve::Engine> engine;
  // Makes a table handle; the record engine's unless a test stands in for it.
  std::function<std::unique_ptr<TableHandle>()> new_handle;

  // The per-user settings store that holds the data location; the platform's by default.
  std::unique_ptr<UserSettingsStore> user_settings;
  // The data location object of the run.
  clsDataPath DataPathSettings;
  // The data path as the catalogue, the extracts and the settings file use it: taken once at
  // start-up.
  std::string DataPath;
  // Set by the availability check when the data path is the local copy and cannot be reached;
  // stays set for the run.
  bool local_mode = false;
  // The availability check's last finding of a present data path: a walk over a table runs
  // thousands of operations a second, and a folder seen a moment ago needs no second look.
  std::string data_path_seen;
  CoarseClock::time_point data_path_seen_at;

  // The record layer (kezDBSM_Btrieve).
  std::string dictionary_location;                    // the data path, given to every handle
  std::vector<std::unique_ptr<TableHandle>> VATable;  // handle per table number
  std::vector<DBSM_TableEntry> DBSM_Table;            // entry per table number
  bool fatal = false;  // set by DBSM_ReportError for the statuses that end the program
  // Whether those statuses end the program (the tray program, whose user has seen the message)
  // or only the reading that met them: a program without a screen lets the job end with its
  // files unwritten and decides its exit status itself, and a daemon tries again when the job is
  // next due.
  bool end_on_fatal = true;
  // The statuses that would have ended the program while end_on_fatal is off. A job compares
  // the count before and after its reads.
  int fatal_statuses = 0;
  // Receives each error the record layer reports, as one line (the activity log); empty: none.
  std::function<void(std::string_view message)> log_error;
  bool conflict_seen = false;  // a status 80 has been passed over silently
  int lock_start_second = 0;   // clock seconds (0-59) when the current locking operation began

  // The record buffer of each table, by table number.
  std::vector<RecordBuffer> buffers;
};

// Makes `data_path` the run's data path: the shared text and the data location object's.
void UseDataPath(PosDatabase& db, std::string data_path);

// Whether a status that ends reading has come up since `mark` (db.fatal_statuses taken before
// the reads): what was read since is incomplete.
inline bool ReadingFailed(const PosDatabase& db, int mark) { return db.fatal_statuses != mark; }

// Ends the program for the record layer: EndProgram when the front end set it, otherwise the
// process ends at once. Never returns.
[[noreturn]] void EndProgramFromRecordLayer(PosDatabase& db);

}  // namespace kez

#endif  // KEZ_POSDATA_POS_DATABASE_H_
