// The scheduler tick and the run-now operation: the two ways the report jobs are started.
#include "app/scheduler.h"

#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "context/report_settings_io.h"
#include "platform/date_text.h"

namespace kez {
namespace {

// Marks the context as running a job for as long as it lives, also when the program ends
// (ProgramEnd) on the way.
class JobRunning {
 public:
  explicit JobRunning(AppContext& context) : context_(context) { context_.job_running = true; }
  ~JobRunning() { context_.job_running = false; }
  JobRunning(const JobRunning&) = delete;
  JobRunning& operator=(const JobRunning&) = delete;

 private:
  AppContext& context_;
};

bool SameDay(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

void SchedulerTick(AppContext& context) {
  if (context.job_running) {
    WriteLog(context, "Scheduler - Skipped this minute: a job is still running");
    return;
  }
  const JobRunning running(context);
  const LocalDateTime now = context.host.Now();

  LoadReportExportState(context, kMarketingPortalReport);
  if (IsReportDue(context, kMarketingPortalReport, now)) RunMarketingPortal(context);
  LoadReportExportState(context, kSymphonyIriReport);
  if (IsReportDue(context, kSymphonyIriReport, now)) RunSymphonyIRI(context, now);
  SaveReportSettings(context, context.pos.DataPath);
}

bool RunReportsNow(AppContext& context, bool marketing_portal, bool symphony_iri) {
  if (context.job_running) {
    WriteLog(context, "Run Now - Skipped: a job is still running");
    return false;
  }
  const JobRunning running(context);
  context.host.SetBusy(true);

  LoadReportExportState(context, kMarketingPortalReport);
  if (marketing_portal) RunMarketingPortal(context);
  LoadReportExportState(context, kSymphonyIriReport);
  if (symphony_iri) {
    // A copy: the job sets the report's StartDate from its argument.
    const LocalDateTime run_date = ReportRecord(context, kSymphonyIriReport).StartDate;
    RunSymphonyIRI(context, run_date);
    // Only the day counts: a StartDate kept with a time of day is still today's.
    clsSettings& report = ReportRecord(context, kSymphonyIriReport);
    if (SameDay(report.StartDate, context.host.Now())) {
      report.StartDate = AddDays(report.StartDate, 7);
    }
  }

  context.host.SetBusy(false);
  SaveReportSettings(context, context.pos.DataPath);
  return true;
}

}  // namespace kez
