#include "platform/date_text.h"

#include <cctype>
#include <chrono>

namespace kez {
namespace {

void AppendPadded(int number, int width, std::string& out) {
  std::string digits = std::to_string(number);
  if (digits.size() < static_cast<std::size_t>(width)) {
    out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  }
  out += digits;
}

bool IsMidnight(const LocalDateTime& value) {
  return value.hour == 0 && value.minute == 0 && value.second == 0;
}

bool IsNoDate(const LocalDateTime& value) {
  return value.year == kNoDate.year && value.month == kNoDate.month && value.day == kNoDate.day;
}

// A cursor over the text being parsed.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  void SkipBlanks() {
    while (!AtEnd() && text_[pos_] == ' ') ++pos_;
  }
  // Reads 1..max_digits decimal digits; false (nothing consumed) when there are none.
  bool Number(int max_digits, int& value, int* digit_count = nullptr) {
    int count = 0;
    value = 0;
    while (!AtEnd() && count < max_digits &&
           std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++count;
    }
    if (digit_count != nullptr) *digit_count = count;
    return count > 0;
  }
  bool Literal(char c) {
    if (AtEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // Reads "AM" or "PM" in any letter case.
  std::optional<bool> Meridiem() {
    if (text_.size() - pos_ < 2) return std::nullopt;
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
    const char second =
        static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_ + 1])));
    if (second != 'M' || (first != 'A' && first != 'P')) return std::nullopt;
    pos_ += 2;
    return first == 'P';
  }
  bool NextIsDateSeparatorAhead() const { return text_.find('/', pos_) != std::string_view::npos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool ParseDate(Scanner& scan, LocalDateTime& value) {
  int year_digits = 0;
  if (!scan.Number(2, value.month) || !scan.Literal('/') || !scan.Number(2, value.day) ||
      !scan.Literal('/') || !scan.Number(4, value.year, &year_digits) || year_digits != 4) {
    return false;
  }
  return IsRealDay(value.year, value.month, value.day);
}

bool ParseTime(Scanner& scan, LocalDateTime& value) {
  if (!scan.Number(2, value.hour) || !scan.Literal(':') || !scan.Number(2, value.minute)) {
    return false;
  }
  value.second = 0;
  if (scan.Literal(':') && !scan.Number(2, value.second)) return false;
  scan.SkipBlanks();
  if (scan.AtEnd()) {
    return value.hour <= 23 && value.minute <= 59 && value.second <= 59;
  }
  const std::optional<bool> afternoon = scan.Meridiem();
  if (!afternoon || value.hour < 1 || value.hour > 12) return false;
  value.hour = value.hour % 12 + (*afternoon ? 12 : 0);
  return value.minute <= 59 && value.second <= 59;
}

}  // namespace

bool IsRealDay(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int last = kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

std::string FormatDateKey(const LocalDateTime& value) {
  std::string out;
  AppendPadded(value.year, 4, out);
  AppendPadded(value.month, 2, out);
  AppendPadded(value.day, 2, out);
  return out;
}

std::string FormatHourMinute(const LocalDateTime& value) {
  std::string out;
  AppendPadded(value.hour, 2, out);
  out += ':';
  AppendPadded(value.minute, 2, out);
  return out;
}

std::string FormatHourDotMinute(const LocalDateTime& value) {
  std::string text;
  AppendPadded(value.hour, 2, text);
  text += '.';
  AppendPadded(value.minute, 2, text);
  return text;
}

std::string FormatShortDate(const LocalDateTime& value) {
  std::string out = std::to_string(value.month);
  out += '/';
  out += std::to_string(value.day);
  out += '/';
  AppendPadded(value.year, 4, out);
  return out;
}

std::string FormatLongTime(const LocalDateTime& value) {
  const int twelve_hour = value.hour % 12 == 0 ? 12 : value.hour % 12;
  std::string out = std::to_string(twelve_hour);
  out += ':';
  AppendPadded(value.minute, 2, out);
  out += ':';
  AppendPadded(value.second, 2, out);
  out += value.hour < 12 ? " AM" : " PM";
  return out;
}

std::string FormatDateValue(const LocalDateTime& value) {
  if (IsNoDate(value)) return FormatLongTime(value);
  if (IsMidnight(value)) return FormatShortDate(value);
  return FormatShortDate(value) + ' ' + FormatLongTime(value);
}

std::optional<LocalDateTime> ParseDateValue(std::string_view text) {
  Scanner scan(text);
  scan.SkipBlanks();
  LocalDateTime value = kNoDate;
  if (scan.NextIsDateSeparatorAhead()) {
    if (!ParseDate(scan, value)) return std::nullopt;
    scan.SkipBlanks();
    if (scan.AtEnd()) return value;
  }
  if (!ParseTime(scan, value)) return std::nullopt;
  scan.SkipBlanks();
  if (!scan.AtEnd()) return std::nullopt;
  return value;
}

std::optional<LocalDateTime> ParseDateKey(std::string_view key) {
  if (key.size() != 8) return std::nullopt;
  for (char c : key) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  LocalDateTime value = kNoDate;
  value.year = std::stoi(std::string(key.substr(0, 4)));
  value.month = std::stoi(std::string(key.substr(4, 2)));
  value.day = std::stoi(std::string(key.substr(6, 2)));
  if (!IsRealDay(value.year, value.month, value.day)) return std::nullopt;
  return value;
}

namespace {

std::chrono::sys_days DayNumber(const LocalDateTime& value) {
  return std::chrono::year_month_day{std::chrono::year{value.year},
                                     std::chrono::month{static_cast<unsigned>(value.month)},
                                     std::chrono::day{static_cast<unsigned>(value.day)}};
}

long long SecondOfDay(const LocalDateTime& value) {
  return value.hour * 3600LL + value.minute * 60LL + value.second;
}

LocalDateTime FromDayNumber(std::chrono::sys_days day, long long second_of_day, int millisecond) {
  const std::chrono::year_month_day ymd{day};
  LocalDateTime out;
  out.year = static_cast<int>(ymd.year());
  out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  out.hour = static_cast<int>(second_of_day / 3600);
  out.minute = static_cast<int>(second_of_day / 60 % 60);
  out.second = static_cast<int>(second_of_day % 60);
  out.millisecond = millisecond;
  return out;
}

}  // namespace

LocalDateTime AddDays(const LocalDateTime& value, int days) {
  return FromDayNumber(DayNumber(value) + std::chrono::days{days}, SecondOfDay(value),
                       value.millisecond);
}

LocalDateTime AddSeconds(const LocalDateTime& value, long long seconds) {
  const long long total = SecondOfDay(value) + seconds;
  long long whole_days = total / 86400;
  long long rest = total % 86400;
  if (rest < 0) {
    rest += 86400;
    --whole_days;
  }
  return FromDayNumber(DayNumber(value) + std::chrono::days{whole_days}, rest, value.millisecond);
}

int Weekday(const LocalDateTime& value) {
  return static_cast<int>(std::chrono::weekday{DayNumber(value)}.c_encoding()) + 1;
}

long long SecondsBetween(const LocalDateTime& from, const LocalDateTime& to) {
  const long long days = (DayNumber(to) - DayNumber(from)).count();
  return days * 86400 + SecondOfDay(to) - SecondOfDay(from);
}

}  // namespace kez
