// kezagg tick: one scheduler tick at the current time (or --now), for a cron job or a systemd
// timer that starts kezagg once a minute instead of running the daemon.
#include <memory>

#include "app/scheduler.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "platform/exit_codes.h"
#include "posdata/dbsm_btrieve.h"

namespace kez::cli {
namespace {

int Tick(const GlobalOptions& global, const JobProgramOptions& options) {
  JobHost host(/*show_progress=*/false);
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  context.engine_use = EngineOption(global);
  context.announce_engine = false;
  StartJobProgram(options, context);
  SchedulerTick(context);
  DBSM_UnloadHolder(context.pos);
  return context.shortfall.Any() ? kExitStopped : kExitNormal;
}

}  // namespace

void AddTickCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "tick",
      "One scheduler tick: run the reports due this minute, then save portal.xml (exit status 1 "
      "unless every file it made was written and delivered)");
  auto options = std::make_shared<JobProgramOptions>();
  AddJobProgramOptions(command, *options);
  command->callback([options, &global, &exit_code] { exit_code = Tick(global, *options); });
}

}  // namespace kez::cli
