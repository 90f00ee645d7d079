// What the kezagg commands that run report jobs (run, tick, daemon, resend) share: their options
// and a start like the tray program's, without windows.
#ifndef KEZ_CLI_JOB_PROGRAM_H_
#define KEZ_CLI_JOB_PROGRAM_H_

#include <CLI/CLI.hpp>
#include <string>

#include "context/app_context.h"

namespace kez::cli {

struct JobProgramOptions {
  std::string data_path;        // empty: the stored data location
  std::string app_dir;          // empty: as ResolveAppDir chooses
  int ftp_timeout_seconds = 0;  // 0: the FTP client's own timeouts
  bool quiet = false;           // no activity-log lines on standard output
};

// Registers --data-path, --app-dir, --ftp-timeout and --quiet on `command`.
void AddJobProgramOptions(CLI::App* command, JobProgramOptions& options);

// Prepares `context` from the options (AppDir; the data path, which --data-path gives for this
// run only, never storing it; the FTP timeouts; every activity-log message echoed on standard
// output as "hh:mm message" unless quiet), then runs StartUp: the single-instance lock, the data
// location, KEZDataAggregator.ini, portal.xml and the POS tables. Like StartUp it throws
// ProgramEnd when the program cannot run (exit codes in platform/exit_codes.h).
void StartJobProgram(const JobProgramOptions& options, AppContext& context);

// Prepares `context` like StartJobProgram but without the lock and the POS tables, for work that
// only sends files: AppDir, the data path, KEZDataAggregator.ini and portal.xml. False, having
// said why on standard error, when there is no data path.
bool StartUploadProgram(const JobProgramOptions& options, AppContext& context);

}  // namespace kez::cli

#endif  // KEZ_CLI_JOB_PROGRAM_H_
