// The scheduler's rules with the clock moved minute by minute over whole days and weeks, the
// export state it sets before each job, and the guard against a second job.
#include "app/scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "context/activity_log.h"
#include "platform/date_text.h"
#include "settings/sm_settings.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

constexpr LocalDateTime kMonday{2026, 1, 5, 0, 0, 0, 0};

LocalDateTime TimeOfDay(int hour, int minute) { return {1899, 12, 30, hour, minute, 0, 0}; }

// "Mon 06:30" for a moment.
std::string WeekdayAndTime(const LocalDateTime& when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return std::string(kDays[Weekday(when) - 1]) + " " + FormatHourMinute(when);
}

class SchedulerTest : public ::testing::Test {
 protected:
  SchedulerTest() {
    context_.AppDir = app_dir_.path();
    context_.save_log = true;
    context_.pos.DataPath = data_.path().string();
    context_.ReportSettings = {NewReportSettings(kMonday), NewReportSettings(kMonday)};
  }

  clsSettings& Report(std::size_t index) { return context_.ReportSettings[index]; }

  // Every minute of `days` days from Monday 00:00 at which report `index` is due.
  std::vector<std::string> DueMinutes(int index, int days) {
    std::vector<std::string> due;
    host_.SetNow(kMonday);
    for (int minute = 0; minute < days * 24 * 60; ++minute) {
      if (IsReportDue(context_, index)) due.push_back(WeekdayAndTime(host_.Now()));
      host_.AdvanceSeconds(60);
    }
    return due;
  }

  std::vector<std::string> LogMessages() {
    const auto rows = ShowLogForDate(app_dir_.path(), FormatDateKey(host_.Now()));
    std::vector<std::string> messages;
    if (rows) {
      for (const LogRow& row : *rows) messages.push_back(row.message);
    }
    return messages;
  }

  TempDir app_dir_;
  TempDir data_;
  ScriptedHost host_;
  AppContext context_{host_};
};

TEST_F(SchedulerTest, ADailyReportOnceADayRunsAtItsStartTimeOnly) {
  Report(0).StartTimeTime = TimeOfDay(1, 0);
  // A repeat interval counts only for "every N hours"; Run and FTPEnable are not consulted.
  Report(0).StartTimeOnceDailyTime = 4;
  Report(0).Run = false;
  Report(0).FTPEnable = false;
  EXPECT_EQ(DueMinutes(0, 7),
            (std::vector<std::string>{"Mon 01:00", "Tue 01:00", "Wed 01:00", "Thu 01:00",
                                      "Fri 01:00", "Sat 01:00", "Sun 01:00"}));
  // The other report keeps its own (noon) schedule.
  EXPECT_EQ(DueMinutes(1, 2), (std::vector<std::string>{"Mon 12:00", "Tue 12:00"}));
}

TEST_F(SchedulerTest, EveryNHoursRepeatsFromTheStartTimeUntilTheDayEnds) {
  Report(0).StartTimeTime = TimeOfDay(6, 30);
  Report(0).StartTimeOnceDailyOrEvery = false;
  Report(0).StartTimeOnceDailyTime = 4;
  EXPECT_EQ(
      DueMinutes(0, 2),
      (std::vector<std::string>{"Mon 06:30", "Mon 10:30", "Mon 14:30", "Mon 18:30", "Mon 22:30",
                                "Tue 06:30", "Tue 10:30", "Tue 14:30", "Tue 18:30", "Tue 22:30"}));

  // A start late in the day has no repetition left before midnight.
  Report(0).StartTimeTime = TimeOfDay(22, 15);
  Report(0).StartTimeOnceDailyTime = 3;
  EXPECT_EQ(DueMinutes(0, 2), (std::vector<std::string>{"Mon 22:15", "Tue 22:15"}));

  // One hour: every hour from the start; 23 hours: the start and one more.
  Report(0).StartTimeTime = TimeOfDay(20, 0);
  Report(0).StartTimeOnceDailyTime = 1;
  EXPECT_EQ(DueMinutes(0, 1),
            (std::vector<std::string>{"Mon 20:00", "Mon 21:00", "Mon 22:00", "Mon 23:00"}));
  Report(0).StartTimeTime = TimeOfDay(0, 5);
  Report(0).StartTimeOnceDailyTime = 23;
  EXPECT_EQ(DueMinutes(0, 1), (std::vector<std::string>{"Mon 00:05", "Mon 23:05"}));
}

TEST_F(SchedulerTest, AnIntervalBelowOneHourMeansTheStartTimeOnly) {
  Report(0).StartTimeTime = TimeOfDay(3, 45);
  Report(0).StartTimeOnceDailyOrEvery = false;
  for (const int interval : {0, -1, -32768}) {
    Report(0).StartTimeOnceDailyTime = static_cast<std::int16_t>(interval);
    EXPECT_EQ(DueMinutes(0, 1), (std::vector<std::string>{"Mon 03:45"})) << interval;
  }
}

TEST_F(SchedulerTest, AWeeklyReportRunsOnItsMarkedDaysOnly) {
  Report(0).FTPRunDailyOrWeekly = false;
  Report(0).FTPRunWeeklyMon = true;
  Report(0).FTPRunWeeklyFri = true;
  Report(0).StartTimeTime = TimeOfDay(9, 0);
  EXPECT_EQ(DueMinutes(0, 14),
            (std::vector<std::string>{"Mon 09:00", "Fri 09:00", "Mon 09:00", "Fri 09:00"}));

  // Repetitions keep to the marked days too; Sunday is weekday 1, Saturday 7.
  Report(0).FTPRunWeeklyMon = false;
  Report(0).FTPRunWeeklyFri = false;
  Report(0).FTPRunWeeklySun = true;
  Report(0).FTPRunWeeklySat = true;
  Report(0).StartTimeOnceDailyOrEvery = false;
  Report(0).StartTimeOnceDailyTime = 6;
  EXPECT_EQ(DueMinutes(0, 7), (std::vector<std::string>{"Sat 09:00", "Sat 15:00", "Sat 21:00",
                                                        "Sun 09:00", "Sun 15:00", "Sun 21:00"}));

  // The day flags do not matter to a daily report.
  Report(0).FTPRunDailyOrWeekly = true;
  Report(0).StartTimeOnceDailyOrEvery = true;
  EXPECT_EQ(DueMinutes(0, 7).size(), 7u);

  // Nothing marked: a weekly report never runs.
  Report(1).FTPRunDailyOrWeekly = false;
  EXPECT_TRUE(DueMinutes(1, 7).empty());
}

TEST_F(SchedulerTest, AReportTheListLacksIsNeverDueAndLeavesTheExportStateAlone) {
  context_.ReportSettings.resize(1);
  host_.SetNow({2026, 1, 5, 12, 0, 0, 0});
  EXPECT_FALSE(IsReportDue(context_, 1));
  EXPECT_FALSE(IsReportDue(context_, -1));
  context_.export_state.StoreNumber = "kept";
  LoadReportExportState(context_, 1);
  EXPECT_EQ(context_.export_state.StoreNumber, "kept");
}

TEST_F(SchedulerTest, TheExportStateIsPaddedOrCutFromTheLeft) {
  struct Case {
    std::string store, invoice, expected_store, expected_invoice;
  };
  const Case cases[] = {{"12", "4711", "00012", "0004711"},
                        {"1234567", "123456789", "34567", "3456789"},
                        {"12345", "1234567", "12345", "1234567"},
                        {"", "", "00000", "0000000"}};
  for (const Case& c : cases) {
    Report(1).StoreNumber = c.store;
    Report(1).Invoice = c.invoice;
    LoadReportExportState(context_, 1);
    EXPECT_EQ(context_.export_state.StoreNumber, c.expected_store) << c.store;
    EXPECT_EQ(context_.export_state.LastInvoice, c.expected_invoice) << c.invoice;
  }
}

TEST_F(SchedulerTest, TheExportDateIsTheDayBeforeStartDate) {
  const std::pair<LocalDateTime, std::string> cases[] = {
      {{2024, 3, 1, 0, 0, 0, 0}, "2/29/2024"},
      {{2023, 3, 1, 0, 0, 0, 0}, "2/28/2023"},
      {{2000, 3, 1, 0, 0, 0, 0}, "2/29/2000"},
      {{1900, 3, 1, 0, 0, 0, 0}, "2/28/1900"},
      {{2026, 1, 1, 0, 0, 0, 0}, "12/31/2025"},
      // A StartDate kept with its time of day keeps it, as every date value's text does.
      {{2024, 3, 1, 15, 4, 5, 0}, "2/29/2024 3:04:05 PM"}};
  for (const auto& [start, expected] : cases) {
    Report(0).StartDate = start;
    LoadReportExportState(context_, 0);
    EXPECT_EQ(context_.export_state.ExportDate, expected) << expected;
  }
}

TEST_F(SchedulerTest, ATickSavesTheSettingsWhetherOrNotAJobRan) {
  host_.SetNow({2026, 1, 5, 0, 1, 0, 0});  // nothing is due
  Report(0).StoreNumber = "00777";
  SchedulerTick(context_);
  std::vector<clsSettings> saved;
  LoadReportSettings(data_.path(), host_.Now(), saved);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].StoreNumber, "00777");
  EXPECT_TRUE(LogMessages().empty());
}

TEST_F(SchedulerTest, NoTickOrRunStartsWhileAJobRuns) {
  context_.job_running = true;
  host_.SetNow({2026, 1, 5, 12, 0, 0, 0});  // both reports are due at noon
  SchedulerTick(context_);
  EXPECT_FALSE(RunReportsNow(context_, true, true));
  EXPECT_FALSE(fs::exists(data_ / "portal.xml"));
  EXPECT_TRUE(context_.job_running);
  EXPECT_TRUE(host_.progress().empty());
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"Scheduler - Skipped this minute: a job is still running",
                                      "Run Now - Skipped: a job is still running"}));
  // The tick kept the minute of both reports for when the job ends.
  EXPECT_EQ(context_.skipped_ticks.due[0], std::optional<LocalDateTime>(host_.Now()));
  EXPECT_EQ(context_.skipped_ticks.due[1], std::optional<LocalDateTime>(host_.Now()));
  // This job was made up by the test and ends without the scheduler: nothing is left to run.
  context_.skipped_ticks = {};

  // Once the job has ended, a run with no report chosen still saves the settings.
  context_.job_running = false;
  EXPECT_TRUE(RunReportsNow(context_, false, false));
  EXPECT_FALSE(context_.job_running);
  EXPECT_FALSE(host_.busy());
  EXPECT_TRUE(fs::exists(data_ / "portal.xml"));
}

TEST_F(SchedulerTest, TicksWhileAJobWaitsRememberEachDueReportAndLogTheSkipOnce) {
  // A job waits on a message box from 11:58 to 12:02; report 0 is due at 12:00 and, every hour
  // from then, at 13:00; report 1 is not due.
  Report(0).StartTimeTime = TimeOfDay(12, 0);
  Report(0).StartTimeOnceDailyOrEvery = false;
  Report(0).StartTimeOnceDailyTime = 1;
  Report(1).StartTimeTime = TimeOfDay(3, 0);
  context_.job_running = true;
  host_.SetNow({2026, 1, 5, 11, 58, 0, 0});
  for (int minute = 0; minute < 4; ++minute) {
    SchedulerTick(context_);
    host_.AdvanceSeconds(60);
  }
  EXPECT_EQ(context_.skipped_ticks.due[0],
            std::optional<LocalDateTime>(LocalDateTime{2026, 1, 5, 12, 0, 0, 0}));
  EXPECT_FALSE(context_.skipped_ticks.due[1]);
  // A later due minute of the same report while it is still waiting runs it once, not twice.
  host_.SetNow({2026, 1, 5, 13, 0, 0, 0});
  SchedulerTick(context_);
  EXPECT_EQ(context_.skipped_ticks.due[0]->hour, 12);
  EXPECT_EQ(LogMessages(),
            std::vector<std::string>{"Scheduler - Skipped this minute: a job is still running"});
  EXPECT_FALSE(fs::exists(data_ / "portal.xml"));
  // What runs when the job ends is shown with a real store and server in the whole-job tests.
  context_.job_running = false;
  context_.skipped_ticks = {};
}

}  // namespace
}  // namespace kez::testing
