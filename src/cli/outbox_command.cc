// kezagg outbox: the files of each report that have not reached its server, the ones the report's
// next run sends, with when each was last tried and why it failed.
#include <cstdio>
#include <memory>
#include <vector>

#include "app/report_jobs.h"
#include "app/scheduler.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "platform/exit_codes.h"
#include "platform/windows1252.h"

namespace kez::cli {
namespace {

struct OutboxOptions {
  JobProgramOptions program;
  int report = -1;  // both
};

void PrintReport(AppContext& context, int report, const char* title) {
  LoadReportExportState(context, report);
  const std::vector<PendingFile> pending = report == kMarketingPortalReport
                                               ? PendingMarketingPortalFiles(context)
                                               : PendingSymphonyIriFiles(context);
  std::printf("%s: %zu file%s waiting (last %d days)\n", title, pending.size(),
              pending.size() == 1 ? "" : "s", context.outbox_days);
  for (const PendingFile& file : pending) {
    std::printf("  %s\t%s\t%s\n", PathText(file.file.filename()).c_str(),
                file.last_try.empty() ? "-" : file.last_try.c_str(), file.reason.c_str());
  }
}

int Outbox(const GlobalOptions& global, const OutboxOptions& options) {
  JobHost host(/*show_progress=*/false);
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  if (!StartUploadProgram(options.program, context)) return 2;
  if (options.report != kSymphonyIriReport) {
    PrintReport(context, kMarketingPortalReport, "Marketing Portal");
  }
  if (options.report != kMarketingPortalReport) {
    PrintReport(context, kSymphonyIriReport, "SymphonyIRI");
  }
  return kExitNormal;
}

}  // namespace

void AddOutboxCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "outbox",
      "List each report's files that have not reached its server: the next run of the report "
      "sends them, oldest first");
  auto options = std::make_shared<OutboxOptions>();
  command->add_option("--report", options->report, "0: Marketing Portal, 1: SymphonyIRI")
      ->check(CLI::Range(0, 1));
  AddJobProgramOptions(command, options->program);
  command->callback([options, &global, &exit_code] { exit_code = Outbox(global, *options); });
}

}  // namespace kez::cli
