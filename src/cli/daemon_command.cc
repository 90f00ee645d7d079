// kezagg daemon: the program without a screen. It starts as the tray program does (one copy per
// machine, sharing its lock), then runs one scheduler tick at the start of every minute until
// SIGTERM or SIGINT (see stop_signals.h for how a running job ends). packaging/kezagg.service
// runs it as a systemd user service.
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/scheduler.h"
#include "app/start_up.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "cli/stop_signals.h"
#include "platform/exit_codes.h"

namespace kez::cli {
namespace {

bool SameMinute(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute;
}

// Milliseconds from `now` to the start of its next minute.
std::chrono::milliseconds UntilNextMinute(const LocalDateTime& now) {
  return std::chrono::milliseconds(60'000 - (now.second * 1000 + now.millisecond));
}

int RunDaemon(const GlobalOptions& global, const JobProgramOptions& options) {
  // Before anything can start a thread (libcurl's resolver does), so that every thread blocks the
  // stop signals.
  StopSignals stop;
  JobHost host(/*show_progress=*/false);
  ApplyGlobalOptions(global, host);
  // The minute the daemon started in counts as ticked, also when start-up (opening the store
  // files) carries the clock into the next minute: that minute still gets its tick.
  LocalDateTime last_tick = host.Now();
  AppContext context(host);
  context.engine_use = EngineOption(global);
  StartJobProgram(options, context);
  std::fprintf(stderr, "kezagg daemon: running on %s; a scheduler tick every minute\n",
               context.pos.DataPath.c_str());
  std::fflush(stderr);

  // The first tick comes at the start of the next minute. A minute in which the daemon was idle
  // gets its tick at once, also when a long job has just ended in it; minutes a job took whole
  // are not caught up, as the schedule wants.
  while (!stop.requested()) {
    const LocalDateTime now = host.Now();
    if (SameMinute(now, last_tick)) {
      stop.WaitFor(UntilNextMinute(now));
      continue;
    }
    last_tick = now;
    SchedulerTick(context);
  }
  std::fprintf(stderr, "kezagg daemon: stopped (%s)\n", stop.signal_name().c_str());
  std::fflush(stderr);
  EndProgram(context, kExitNormal);
}

}  // namespace

void AddDaemonCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "daemon",
      "Run the scheduler without a screen: a tick every minute until SIGTERM or SIGINT (one copy "
      "per machine, shared with the tray program)");
  auto options = std::make_shared<JobProgramOptions>();
  AddJobProgramOptions(command, *options);
  command->callback([options, &global, &exit_code] { exit_code = RunDaemon(global, *options); });
}

}  // namespace kez::cli
