// The scheduler: once a minute it decides from each report's schedule whether its job is due and
// runs it, then saves the report settings. The run-now operation runs chosen jobs at once.
#ifndef KEZ_APP_SCHEDULER_H_
#define KEZ_APP_SCHEDULER_H_

#include "app/app_context.h"

namespace kez {

// One tick at the host's current time: report 0's job when due, then report 1's, then the report
// settings are saved. A tick that arrives while a job of an earlier tick or run is still going
// (the FTP client lets events through) runs nothing and says so in the activity log.
void SchedulerTick(AppContext& context);

// The export state from report `index`: the store number padded or cut to 5 digits, the invoice
// to 7, the export date the day before the report's StartDate.
void LoadReportExportState(AppContext& context, int index);

bool IsReportDue(AppContext& context, int index);
bool IsStartTimeNow(AppContext& context, int index);
bool IsEveryHoursDue(AppContext& context, int index);
bool IsRunDay(AppContext& context, int index);

// The settings window's run command without its window steps: the chosen jobs at once, whatever
// their schedules, with the busy pointer meanwhile; SymphonyIRI's StartDate moves on 7 days when
// it was today; then the report settings are saved. Returns false, running nothing, when a job is
// already running.
bool RunReportsNow(AppContext& context, bool marketing_portal, bool symphony_iri);

}  // namespace kez

#endif  // KEZ_APP_SCHEDULER_H_
