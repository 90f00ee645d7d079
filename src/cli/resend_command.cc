// kezagg resend: sends one day's files of a report again with the report's FTP settings, as the
// job's upload step does, so that a day whose upload failed is not lost (the jobs keep the files).
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/report_jobs.h"
#include "app/scheduler.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "platform/date_text.h"
#include "platform/exit_codes.h"

namespace kez::cli {
namespace {

struct ResendOptions {
  JobProgramOptions program;
  int report = 0;
  std::string date;
};

int Resend(const GlobalOptions& global, const ResendOptions& options) {
  const std::optional<LocalDateTime> day = ParseIsoDay(options.date);
  if (!day) {
    std::fprintf(stderr, "kezagg resend: --date %s is not a day (YYYY-MM-DD)\n",
                 options.date.c_str());
    return 2;
  }
  JobHost host(/*show_progress=*/true);
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  if (!StartUploadProgram(options.program, context)) return 2;
  LoadReportExportState(context, options.report);
  const UploadOutcome outcome = options.report == kMarketingPortalReport
                                    ? ResendMarketingPortal(context, *day)
                                    : ResendSymphonyIRI(context, *day);
  std::fprintf(stderr, "kezagg resend: %d sent, %d refused, %d not found%s\n", outcome.sent,
               outcome.failed, outcome.missing, outcome.connected ? "" : " (no connection)");
  return outcome.AllSent() && !context.shortfall.Any() ? kExitNormal : kExitStopped;
}

}  // namespace

void AddResendCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "resend",
      "Upload one day's files of a report again with its FTP settings (exit status 1 unless "
      "every file found was sent)");
  auto options = std::make_shared<ResendOptions>();
  command->add_option("--report", options->report, "0: Marketing Portal, 1: SymphonyIRI")
      ->required()
      ->check(CLI::Range(0, 1));
  command
      ->add_option("--date", options->date,
                   "The day in the files' names, YYYY-MM-DD: the Marketing Portal run's day, or "
                   "the SymphonyIRI run date")
      ->required();
  AddJobProgramOptions(command, options->program);
  command->callback([options, &global, &exit_code] { exit_code = Resend(global, *options); });
}

}  // namespace kez::cli
