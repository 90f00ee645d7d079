// The scheduler: once a minute it decides from each report's schedule whether its job is due and
// runs it, then saves the report settings. The run-now operation runs chosen jobs at once.
#ifndef KEZ_APP_SCHEDULER_H_
#define KEZ_APP_SCHEDULER_H_

#include "context/app_context.h"

namespace kez {

// One tick at the host's current time: report 0's job when due, then report 1's, then the report
// settings are saved to the data path. Both reports are judged by the moment the tick began, so a
// long first job does not make the second miss its minute. A tick that arrives while a job of an
// earlier tick or run is still going (the FTP client lets events through, a message box waits for
// the user) runs nothing and saves nothing; it remembers each report due in its minute, and logs
// the skip once per job. When that job ends, the remembered reports run, each judged by its own
// minute, with one line in the activity log.
void SchedulerTick(AppContext& context);

// The export state from report `index`: the store number padded with leading zeros or cut to its
// rightmost 5 characters, the invoice likewise to 7, the export date the day before the report's
// StartDate. Does nothing when the list has no position `index`.
void LoadReportExportState(AppContext& context, int index);

// Whether report `index` is due in the minute of `now`: on a run day (every day, or the marked
// weekdays of a weekly report), at the start time's hour and minute, or, for a repeating report,
// at that minute of each hour start + N, start + 2N, ... up to 23 (N = StartTimeOnceDailyTime;
// N below 1 repeats nothing). False for a position the list lacks. Without `now`, the host's
// current time.
bool IsReportDue(AppContext& context, int index);
bool IsReportDue(const AppContext& context, int index, const LocalDateTime& now);
// The hour and minute of `now` are those of the report's start time.
bool IsStartTimeNow(AppContext& context, int index);
bool IsStartTimeNow(const AppContext& context, int index, const LocalDateTime& now);
// `now` is a repetition after the start time (the start time itself is not one).
bool IsEveryHoursDue(AppContext& context, int index);
bool IsEveryHoursDue(const AppContext& context, int index, const LocalDateTime& now);
// The weekday flag of `now`'s weekday is set.
bool IsRunDay(AppContext& context, int index);
bool IsRunDay(const AppContext& context, int index, const LocalDateTime& now);

// The settings window's run command without its window steps: the chosen jobs at once, whatever
// their schedules, with the busy pointer meanwhile; SymphonyIRI runs for its report's StartDate,
// which then moves on 7 days when it is today's date; then the report settings are saved, and the
// reports whose minute came meanwhile run as after a tick. Returns
// false, running nothing and with an activity-log line, when a job is already running.
bool RunReportsNow(AppContext& context, bool marketing_portal, bool symphony_iri);

}  // namespace kez

#endif  // KEZ_APP_SCHEDULER_H_
