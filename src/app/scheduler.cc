// The scheduler tick and the run-now operation: the two ways the report jobs are started.
#include "app/scheduler.h"

#include <optional>
#include <utility>

#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "context/report_settings_io.h"
#include "platform/date_text.h"
#include "posdata/dbsm_catalogue.h"

namespace kez {
namespace {

// Marks the context as running a job for as long as it lives, also when the program ends
// (ProgramEnd) on the way. The tables stay open for the next job, but give back the pages the
// job read: the program sits in the tray all day, and the next job is hours away.
class JobRunning {
 public:
  explicit JobRunning(AppContext& context) : context_(context) { context_.job_running = true; }
  ~JobRunning() {
    ReleaseTableMemory(context_.pos);
    context_.job_running = false;
  }
  JobRunning(const JobRunning&) = delete;
  JobRunning& operator=(const JobRunning&) = delete;

 private:
  AppContext& context_;
};

bool SameDay(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Runs the reports due at `now` (both judged by that moment), then saves the report settings.
void RunDueReports(AppContext& context, const LocalDateTime& now, bool portal_due, bool iri_due) {
  const JobRunning running(context);
  LoadReportExportState(context, kMarketingPortalReport);
  if (portal_due) RunMarketingPortal(context);
  LoadReportExportState(context, kSymphonyIriReport);
  if (iri_due) RunSymphonyIRI(context, now);
  SaveReportSettings(context, context.pos.DataPath);
}

// After a job: the reports whose minute came while it ran, each for the moment it fell due. A
// tick during these runs can leave more behind; they are run in turn.
void RunSkippedReports(AppContext& context) {
  AppContext::SkippedTicks& skipped = context.skipped_ticks;
  skipped.logged = false;
  while (skipped.due[kMarketingPortalReport] || skipped.due[kSymphonyIriReport]) {
    const auto portal = std::exchange(skipped.due[kMarketingPortalReport], std::nullopt);
    const auto iri = std::exchange(skipped.due[kSymphonyIriReport], std::nullopt);
    WriteLog(context, "Scheduler - Running the reports that fell due while a job was running");
    RunDueReports(context, iri ? *iri : *portal, portal.has_value(), iri.has_value());
    skipped.logged = false;
  }
}

}  // namespace

void SchedulerTick(AppContext& context) {
  const LocalDateTime now = context.host.Now();
  if (context.job_running) {
    // The minute is remembered, not lost: a job can wait on a message box for a long time.
    AppContext::SkippedTicks& skipped = context.skipped_ticks;
    for (const int index : {kMarketingPortalReport, kSymphonyIriReport}) {
      auto& due = skipped.due[static_cast<std::size_t>(index)];
      if (!due && IsReportDue(context, index, now)) due = now;
    }
    if (!skipped.logged) {
      WriteLog(context, "Scheduler - Skipped this minute: a job is still running");
      skipped.logged = true;
    }
    return;
  }
  RunDueReports(context, now, IsReportDue(context, kMarketingPortalReport, now),
                IsReportDue(context, kSymphonyIriReport, now));
  RunSkippedReports(context);
}

bool RunReportsNow(AppContext& context, bool marketing_portal, bool symphony_iri) {
  if (context.job_running) {
    WriteLog(context, "Run Now - Skipped: a job is still running");
    return false;
  }
  {
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
  }
  RunSkippedReports(context);
  return true;
}

}  // namespace kez
