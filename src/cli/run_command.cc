// kezagg run: the settings window's "Run Now" without a window: the named reports at once,
// whatever their schedules, with their progress on standard error and their activity-log lines on
// standard output.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/scheduler.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "context/report_record.h"
#include "platform/exit_codes.h"
#include "posdata/dbsm_btrieve.h"

namespace kez::cli {
namespace {

constexpr const char* kMarketingPortalName = "marketing-portal";
constexpr const char* kSymphonyIriName = "symphonyiri";

struct RunOptions {
  JobProgramOptions program;
  std::vector<std::string> reports;
};

int Run(const GlobalOptions& global, const RunOptions& options) {
  JobHost host(/*show_progress=*/true);
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  context.engine_use = EngineOption(global);
  StartJobProgram(options.program, context);

  bool marketing_portal = false;
  bool symphony_iri = false;
  for (const std::string& report : options.reports) {
    marketing_portal = marketing_portal || report == kMarketingPortalName;
    symphony_iri = symphony_iri || report == kSymphonyIriName;
  }
  if (options.reports.empty()) {
    // The reports chosen in the settings window's list.
    marketing_portal = FindReportRecord(context, kMarketingPortalReport) != nullptr &&
                       FindReportRecord(context, kMarketingPortalReport)->Run;
    symphony_iri = FindReportRecord(context, kSymphonyIriReport) != nullptr &&
                   FindReportRecord(context, kSymphonyIriReport)->Run;
  }
  if (!marketing_portal && !symphony_iri) {
    std::fprintf(stderr,
                 "kezagg run: no report has its Run setting on; name the reports to run: %s, %s\n",
                 kMarketingPortalName, kSymphonyIriName);
    DBSM_UnloadHolder(context.pos);
    return 2;
  }
  RunReportsNow(context, marketing_portal, symphony_iri);
  DBSM_UnloadHolder(context.pos);
  return context.shortfall.Any() ? kExitStopped : kExitNormal;
}

}  // namespace

void AddRunCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand("run",
                                     "Run reports now, whatever their schedules (exit status 1 "
                                     "unless every file was written and delivered; see the "
                                     "activity-log lines)");
  auto options = std::make_shared<RunOptions>();
  command
      ->add_option("reports", options->reports,
                   "marketing-portal and/or symphonyiri (default: the reports whose Run setting "
                   "is on)")
      ->transform(CLI::IsMember({kMarketingPortalName, kSymphonyIriName}, CLI::ignore_case));
  AddJobProgramOptions(command, options->program);
  command->callback([options, &global, &exit_code] { exit_code = Run(global, *options); });
}

}  // namespace kez::cli
