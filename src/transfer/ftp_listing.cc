#include "transfer/ftp_listing.h"

#include <array>
#include <charconv>

#include "transfer/ftp_dir_list.h"

namespace kez {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

template <typename Number>
bool ReadNumber(std::string_view digits, Number* value) {
  if (digits.empty()) return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
  return error == std::errc() && end == digits.data() + digits.size();
}

// "YYYYMMDDHHMMSS" with optional fractions of a second.
bool ReadMlsdTime(std::string_view text, UtcDateTime* time) {
  if (text.size() < 14) return false;
  return ReadNumber(text.substr(0, 4), &time->year) &&
         ReadNumber(text.substr(4, 2), &time->month) && ReadNumber(text.substr(6, 2), &time->day) &&
         ReadNumber(text.substr(8, 2), &time->hour) &&
         ReadNumber(text.substr(10, 2), &time->minute) &&
         ReadNumber(text.substr(12, 2), &time->second);
}

// Splits off the next run of non-blank characters; `rest` keeps what follows it.
std::string_view NextWord(std::string_view* rest) {
  std::size_t start = rest->find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    *rest = {};
    return {};
  }
  std::size_t end = rest->find_first_of(" \t", start);
  if (end == std::string_view::npos) end = rest->size();
  const std::string_view word = rest->substr(start, end - start);
  rest->remove_prefix(end);
  return word;
}

// What stays after the single run of blanks that separates the date from the name.
std::string_view NameAfterBlanks(std::string_view rest) {
  const std::size_t start = rest.find_first_not_of(" \t");
  return start == std::string_view::npos ? std::string_view() : rest.substr(start);
}

int MonthNumber(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (EqualsNoCase(word, kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool ReadClock(std::string_view text, int* hour, int* minute) {
  const std::size_t colon = text.find(':');
  return colon != std::string_view::npos && ReadNumber(text.substr(0, colon), hour) &&
         ReadNumber(text.substr(colon + 1, 2), minute) && *hour < 24 && *minute < 60;
}

bool ParseUnixLine(std::string_view line, const UtcDateTime& today, ListingEntry* entry) {
  std::string_view rest = line;
  const std::string_view mode = NextWord(&rest);
  if (mode.size() < 10) return false;
  // Owner and group columns vary between servers: the size is the word before the month.
  std::string_view previous;
  std::string_view word = NextWord(&rest);
  int month = 0;
  while (!word.empty() && (month = MonthNumber(word)) == 0) {
    previous = word;
    word = NextWord(&rest);
  }
  ListingEntry parsed;
  UtcDateTime time;
  time.month = month;
  if (month == 0 || !ReadNumber(previous, &parsed.size) ||
      !ReadNumber(NextWord(&rest), &time.day)) {
    return false;
  }
  const std::string_view year_or_clock = NextWord(&rest);
  if (year_or_clock.find(':') != std::string_view::npos) {
    if (!ReadClock(year_or_clock, &time.hour, &time.minute)) return false;
    // Listings leave the year out for the last twelve months.
    time.year = today.year;
    const bool after_today =
        time.month > today.month || (time.month == today.month && time.day > today.day + 1);
    if (after_today) --time.year;
  } else if (!ReadNumber(year_or_clock, &time.year)) {
    return false;
  }
  std::string_view name = NameAfterBlanks(rest);
  if (mode[0] == 'l') name = name.substr(0, name.find(" -> "));
  if (name.empty()) return false;
  parsed.name = std::string(name);
  if (mode[0] == 'd') {
    parsed.attributes = kAttributeDirectory;
  } else {
    parsed.attributes = mode[2] == 'w' ? kAttributeNormal : kAttributeReadOnly;
  }
  parsed.modified = time;
  *entry = std::move(parsed);
  return true;
}

bool ParseDosLine(std::string_view line, ListingEntry* entry) {
  std::string_view rest = line;
  const std::string_view date = NextWord(&rest);
  const std::string_view clock = NextWord(&rest);
  const std::string_view size_or_dir = NextWord(&rest);
  UtcDateTime time;
  if (date.size() < 8 || date[2] != '-' || date[5] != '-' ||
      !ReadNumber(date.substr(0, 2), &time.month) || !ReadNumber(date.substr(3, 2), &time.day) ||
      !ReadNumber(date.substr(6), &time.year) || !ReadClock(clock, &time.hour, &time.minute)) {
    return false;
  }
  if (time.year < 100) time.year += time.year < 70 ? 2000 : 1900;
  const std::string_view half_day = clock.substr(clock.size() >= 2 ? clock.size() - 2 : 0);
  if (EqualsNoCase(half_day, "pm") && time.hour < 12) time.hour += 12;
  if (EqualsNoCase(half_day, "am") && time.hour == 12) time.hour = 0;
  ListingEntry parsed;
  if (size_or_dir == "<DIR>") {
    parsed.attributes = kAttributeDirectory;
  } else if (ReadNumber(size_or_dir, &parsed.size)) {
    parsed.attributes = kAttributeNormal;
  } else {
    return false;
  }
  const std::string_view name = NameAfterBlanks(rest);
  if (name.empty()) return false;
  parsed.name = std::string(name);
  parsed.modified = time;
  *entry = std::move(parsed);
  return true;
}

}  // namespace

std::vector<std::string_view> ListingLines(std::string_view listing) {
  std::vector<std::string_view> lines;
  while (!listing.empty()) {
    std::size_t end = listing.find('\n');
    std::string_view line = listing.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
    if (end == std::string_view::npos) break;
    listing.remove_prefix(end + 1);
  }
  return lines;
}

bool ParseMlsdLine(std::string_view line, ListingEntry* entry) {
  // Facts end at the first blank; the name is everything after it, blanks included.
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank + 1 >= line.size()) return false;
  ListingEntry parsed;
  parsed.name = std::string(line.substr(blank + 1));
  std::string_view facts = line.substr(0, blank);
  std::string_view type;
  std::string_view permissions;
  bool has_permissions = false;
  while (!facts.empty()) {
    const std::size_t end = facts.find(';');
    const std::string_view fact = facts.substr(0, end);
    facts.remove_prefix(end == std::string_view::npos ? facts.size() : end + 1);
    const std::size_t equals = fact.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = fact.substr(0, equals);
    const std::string_view value = fact.substr(equals + 1);
    UtcDateTime time;
    if (EqualsNoCase(key, "type")) {
      type = value;
    } else if (EqualsNoCase(key, "size")) {
      if (!ReadNumber(value, &parsed.size)) return false;
    } else if (EqualsNoCase(key, "modify") && ReadMlsdTime(value, &time)) {
      parsed.modified = time;
    } else if (EqualsNoCase(key, "create") && ReadMlsdTime(value, &time)) {
      parsed.created = time;
    } else if (EqualsNoCase(key, "perm")) {
      permissions = value;
      has_permissions = true;
    }
  }
  if (EqualsNoCase(type, "cdir") || EqualsNoCase(type, "pdir")) return false;
  if (EqualsNoCase(type, "dir")) {
    parsed.attributes = kAttributeDirectory;
  } else {
    const bool writable = !has_permissions || permissions.find_first_of("wW") != std::string::npos;
    parsed.attributes = writable ? kAttributeNormal : kAttributeReadOnly;
  }
  *entry = std::move(parsed);
  return true;
}

bool ParseListLine(std::string_view line, const UtcDateTime& today, ListingEntry* entry) {
  if (!line.empty() && line[0] >= '0' && line[0] <= '9') return ParseDosLine(line, entry);
  return ParseUnixLine(line, today, entry);
}

bool MatchesNamePattern(std::string_view pattern, std::string_view name) {
  if (pattern.empty() || pattern == "*.*") return true;
  // Greedy matching with one backtrack point: the most recent "*".
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_name = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kez
