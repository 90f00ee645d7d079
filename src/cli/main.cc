// kezagg: the aggregator's jobs and support tools without a screen.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "app/app_dir.h"
#include "cli/commands.h"
#include "platform/host.h"

int main(int argc, char** argv) {
  CLI::App app{"KEZ Marketing Portal data aggregator, command line", "kezagg"};
  app.require_subcommand(1);
  // The folder is named because an install may use a per-user one instead of its own.
  app.set_version_flag("--version", [] {
    return std::string("kezagg ") + KEZ_VERSION + "\n" + kez::DescribeAppDir(kez::ChooseAppDir(""));
  });
  int exit_code = 0;
  kez::cli::GlobalOptions global;
  kez::cli::AddGlobalOptions(app, global);
  kez::cli::AddCheckCommand(app, global, exit_code);
#ifndef _WIN32
  kez::cli::AddDaemonCommand(app, global, exit_code);
#endif
  kez::cli::AddDataPathCommand(app, global, exit_code);
  kez::cli::AddDumpCommand(app, global, exit_code);
  kez::cli::AddExtractCommand(app, global, exit_code);
  kez::cli::AddLogCommand(app, global, exit_code);
  kez::cli::AddRebuildCommand(app, global, exit_code);
  kez::cli::AddOutboxCommand(app, global, exit_code);
  kez::cli::AddResendCommand(app, global, exit_code);
  kez::cli::AddRunCommand(app, global, exit_code);
  kez::cli::AddSampleCommand(app, global, exit_code);
  kez::cli::AddSettingsCommand(app, global, exit_code);
  kez::cli::AddTickCommand(app, global, exit_code);
  kez::cli::AddTrustCommand(app, global, exit_code);
  kez::cli::AddUploadCommand(app, global, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const kez::ProgramEnd& end) {
    return end.exit_code;
  }
  std::fflush(stdout);
  return exit_code;
}
