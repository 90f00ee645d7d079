// The subcommands of kezagg. Each Add... function registers one subcommand on the application;
// when it runs, it stores the process exit code in `exit_code`.
#ifndef KEZ_CLI_COMMANDS_H_
#define KEZ_CLI_COMMANDS_H_

#include <CLI/CLI.hpp>

#include "cli/global_options.h"

namespace kez::cli {

void AddCheckCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
#ifndef _WIN32
void AddDaemonCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
#endif
void AddDataPathCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddDumpCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddExtractCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddLogCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddOutboxCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddRebuildCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddResendCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddRunCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddSampleCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddSettingsCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddTickCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddTrustCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);
void AddUploadCommand(CLI::App& app, const GlobalOptions& global, int& exit_code);

}  // namespace kez::cli

#endif  // KEZ_CLI_COMMANDS_H_
