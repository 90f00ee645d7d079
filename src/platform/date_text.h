// The date and time texts of the system, all in one place: date keys "YYYYMMDD", the activity
// log's "hh:mm", and the short date (M/D/YYYY) and long time (h:mm:ss AM/PM) of an English
// (United States) setting, which the system uses wherever a date value becomes text.
#ifndef KEZ_PLATFORM_DATE_TEXT_H_
#define KEZ_PLATFORM_DATE_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kez {

// The day that stands for "no date": a date value on it is a time of day alone. A date value at
// midnight is a date alone.
inline constexpr LocalDateTime kNoDate{1899, 12, 30, 0, 0, 0, 0};

// "20240131": year, month and day, eight digits.
std::string FormatDateKey(const LocalDateTime& value);
// "07:05": hour (24-hour) and minute, two digits each.
std::string FormatHourMinute(const LocalDateTime& value);
// "07.05": hour (24-hour) and minute, two digits each, joined by a full stop.
std::string FormatHourDotMinute(const LocalDateTime& value);
// "1/31/2024": month and day without leading zeros, four-digit year.
std::string FormatShortDate(const LocalDateTime& value);
// "7:05:00 AM": 12-hour clock, hour without leading zero, minutes and seconds with one.
std::string FormatLongTime(const LocalDateTime& value);

// The text of a date value: the long time when its day is kNoDate, the short date when its time
// is midnight, otherwise both separated by one blank. Milliseconds are not shown.
std::string FormatDateValue(const LocalDateTime& value);

// Reads a date value: a date (M/D/YYYY), a time (h:mm or h:mm:ss, followed by AM or PM in any
// letter case, or in 24-hour form without them), or a date, blanks and a time; blanks around the
// whole are ignored. A date alone gives midnight, a time alone the day kNoDate. Returns nullopt
// when the text is no such value or names a day or time that does not exist.
std::optional<LocalDateTime> ParseDateValue(std::string_view text);

// Reads an eight-digit date key; nullopt when it is not a real day.
std::optional<LocalDateTime> ParseDateKey(std::string_view key);

// True when year, month and day name a real day (years 100 to 9999).
bool IsRealDay(int year, int month, int day);

// The calendar arithmetic of the system. Each REQUIRES a real day and keeps what it does not move.
// `value` moved by whole days; the time of day stays.
LocalDateTime AddDays(const LocalDateTime& value, int days);
// `value` moved by seconds, across midnight and month ends as the calendar goes; milliseconds
// stay.
LocalDateTime AddSeconds(const LocalDateTime& value, long long seconds);
// The weekday counted with Sunday as 1 and Saturday as 7.
int Weekday(const LocalDateTime& value);
// Seconds from `from` to `to` (negative when `to` is earlier), milliseconds ignored.
long long SecondsBetween(const LocalDateTime& from, const LocalDateTime& to);

}  // namespace kez

#endif  // KEZ_PLATFORM_DATE_TEXT_H_
