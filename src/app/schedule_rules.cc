// The schedule tests of the scheduler and the export state it sets before each job.
#include <string>

#include "app/scheduler.h"
#include "context/report_record.h"
#include "platform/date_text.h"

namespace kez {
namespace {

// `text` padded with leading zeros to `width`, or its rightmost `width` characters.
std::string FitToWidth(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  if (text.size() > width) text.erase(0, text.size() - width);
  return text;
}

bool WeekdayFlag(const clsSettings& report, int weekday) {
  switch (weekday) {
    case 1:
      return report.FTPRunWeeklySun;
    case 2:
      return report.FTPRunWeeklyMon;
    case 3:
      return report.FTPRunWeeklyTue;
    case 4:
      return report.FTPRunWeeklyWed;
    case 5:
      return report.FTPRunWeeklyThu;
    case 6:
      return report.FTPRunWeeklyFri;
    case 7:
      return report.FTPRunWeeklySat;
  }
  return false;
}

}  // namespace

void LoadReportExportState(AppContext& context, int index) {
  const clsSettings* report = FindReportRecord(context, index);
  if (report == nullptr) return;
  context.export_state.StoreNumber = FitToWidth(report->StoreNumber, 5);
  context.export_state.LastInvoice = FitToWidth(report->Invoice, 7);
  context.export_state.ExportDate = FormatDateValue(AddDays(report->StartDate, -1));
}

bool IsStartTimeNow(const AppContext& context, int index, const LocalDateTime& now) {
  const clsSettings* report = FindReportRecord(context, index);
  return report != nullptr && now.hour == report->StartTimeTime.hour &&
         now.minute == report->StartTimeTime.minute;
}

bool IsEveryHoursDue(const AppContext& context, int index, const LocalDateTime& now) {
  const clsSettings* report = FindReportRecord(context, index);
  if (report == nullptr) return false;
  const int interval = report->StartTimeOnceDailyTime;
  // An interval below one hour would never pass hour 23: only the start time counts then.
  if (interval < 1) return false;
  int hour = report->StartTimeTime.hour;
  if (now.minute != report->StartTimeTime.minute || hour > now.hour) return false;
  for (; hour <= 23; hour += interval) {
    if (hour + interval == now.hour) return true;
  }
  return false;
}

bool IsRunDay(const AppContext& context, int index, const LocalDateTime& now) {
  const clsSettings* report = FindReportRecord(context, index);
  return report != nullptr && WeekdayFlag(*report, Weekday(now));
}

bool IsReportDue(const AppContext& context, int index, const LocalDateTime& now) {
  const clsSettings* report = FindReportRecord(context, index);
  if (report == nullptr) return false;
  if (!report->FTPRunDailyOrWeekly && !IsRunDay(context, index, now)) return false;
  if (IsStartTimeNow(context, index, now)) return true;
  if (!report->StartTimeOnceDailyOrEvery) return IsEveryHoursDue(context, index, now);
  return false;
}

bool IsReportDue(AppContext& context, int index) {
  return IsReportDue(context, index, context.host.Now());
}
bool IsStartTimeNow(AppContext& context, int index) {
  return IsStartTimeNow(context, index, context.host.Now());
}
bool IsEveryHoursDue(AppContext& context, int index) {
  return IsEveryHoursDue(context, index, context.host.Now());
}
bool IsRunDay(AppContext& context, int index) {
  return IsRunDay(context, index, context.host.Now());
}

}  // namespace kez
