// The options every kezagg command shares. They are registered on the application before the
// subcommands, so their values are known when a command runs.
#ifndef KEZ_CLI_GLOBAL_OPTIONS_H_
#define KEZ_CLI_GLOBAL_OPTIONS_H_

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/console_host.h"
#include "context/record_engine.h"
#include "platform/host.h"

namespace kez::cli {

struct GlobalOptions {
  // --now "YYYY-MM-DD hh:mm[:ss]": the program's clock starts at this moment and runs on from it,
  // for file names, logs and schedules alike.
  std::string now;
  // --engine auto|built-in|installed: the record engine for this run, in place of [Engine] Use=
  // in KEZDataAggregator.ini; empty: as the INI says.
  std::string engine;
};

// Registers the shared options on `app`.
void AddGlobalOptions(CLI::App& app, GlobalOptions& options);

// Reads "YYYY-MM-DD hh:mm" or "YYYY-MM-DD hh:mm:ss"; nullopt for any other text or a moment that
// does not exist.
std::optional<LocalDateTime> ParseNowOption(const std::string& text);

// Reads a day written "YYYY-MM-DD"; nullopt for any other text or a day that does not exist.
std::optional<LocalDateTime> ParseIsoDay(const std::string& text);

// The program's clock for a short command: the --now moment when given, otherwise the current
// local time.
LocalDateTime ProgramNow(const GlobalOptions& options);

// Sets `host`'s clock from the options (a valid --now is checked when it is parsed).
void ApplyGlobalOptions(const GlobalOptions& options, ConsoleHost& host);

// The --engine choice, when given (it is checked when it is parsed).
std::optional<EngineUse> EngineOption(const GlobalOptions& options);

}  // namespace kez::cli

#endif  // KEZ_CLI_GLOBAL_OPTIONS_H_
