// The program's start and end: StartUp makes sure only one copy runs, finds the POS data, loads
// the report settings, opens the POS tables and brings up the windows; EndProgram unloads the
// windows and ends the process.
#ifndef KEZ_APP_START_UP_H_
#define KEZ_APP_START_UP_H_

#include "context/app_context.h"
#include "platform/exit_codes.h"

namespace kez {

// The help file's name in AppDir.
inline constexpr const char* kHelpFileName = "KEZ Data Aggregator.chm";

// Runs once when the process starts, in this order: pending events; the single-instance lock (a
// second copy shows "KEZ Marketing Portal is already running." and ends with
// kExitAlreadyRunning); the data location (ends silently when none is defined); the log switch
// of KEZDataAggregator.ini and the report settings from portal.xml; the database and tables 1 to 5
// (a failure closes what was opened and ends the process); a short pause; the tray window and the
// settings window (without a settings window, KEZDataAggregator.ini is read here, as the window's
// load would); the help file. Returns only when the program is running; every early end throws
// ProgramEnd.
void StartUp(AppContext& context);

// Unloads every window (the holder of the table handles last, which resets the engine and closes
// the tables) and ends the process with `exit_code`. Never returns.
[[noreturn]] void EndProgram(AppContext& context, int exit_code = kExitNormal);

}  // namespace kez

#endif  // KEZ_APP_START_UP_H_
