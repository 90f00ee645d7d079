#include "settings/setting_fields.h"

#include <cctype>
#include <charconv>
#include <optional>

#include "platform/date_text.h"
#include "platform/windows1252.h"

namespace kez {
namespace {

template <typename... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An optionally signed decimal number with an optional fraction: is it zero? nullopt when the
// text is no such number.
std::optional<bool> IsZeroNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  bool any_digit = false;
  bool zero = true;
  bool seen_point = false;
  for (char c : text) {
    if (c == '.' && !seen_point) {
      seen_point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      any_digit = true;
      zero = zero && c == '0';
    } else {
      return std::nullopt;
    }
  }
  if (!any_digit) return std::nullopt;
  return zero;
}

std::optional<bool> ParseBoolean(std::string_view text) {
  text = TrimBlanks(text);
  if (EqualsIgnoreCase1252(text, "True")) return true;
  if (EqualsIgnoreCase1252(text, "False")) return false;
  const std::optional<bool> zero = IsZeroNumber(text);
  if (!zero) return std::nullopt;
  return !*zero;
}

std::optional<std::int16_t> ParseInt16(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int16_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

const std::array<SettingField, kSettingFieldCount>& SettingFieldsInFileOrder() {
  static const std::array<SettingField, kSettingFieldCount> kFields = {{
      {"SettingName", &clsSettings::SettingName},
      {"FTPRunDailyOrWeekly", &clsSettings::FTPRunDailyOrWeekly},
      {"FTPRunWeeklySun", &clsSettings::FTPRunWeeklySun},
      {"FTPRunWeeklyMon", &clsSettings::FTPRunWeeklyMon},
      {"FTPRunWeeklyTue", &clsSettings::FTPRunWeeklyTue},
      {"FTPRunWeeklyWed", &clsSettings::FTPRunWeeklyWed},
      {"FTPRunWeeklyThu", &clsSettings::FTPRunWeeklyThu},
      {"FTPRunWeeklyFri", &clsSettings::FTPRunWeeklyFri},
      {"FTPRunWeeklySat", &clsSettings::FTPRunWeeklySat},
      {"StartTimeTime", &clsSettings::StartTimeTime},
      {"StartTimeOnceDailyOrEvery", &clsSettings::StartTimeOnceDailyOrEvery},
      {"StartTimeOnceDailyTime", &clsSettings::StartTimeOnceDailyTime},
      {"FTPEnable", &clsSettings::FTPEnable},
      {"FTPAddress", &clsSettings::FTPAddress},
      {"FTPLogin", &clsSettings::FTPLogin},
      {"FTPPassword", &clsSettings::FTPPassword},
      {"FTPPort", &clsSettings::FTPPort},
      {"FTPDirectory", &clsSettings::FTPDirectory},
      {"FTPMode", &clsSettings::FTPMode},
      {"FTPTransfeMode", &clsSettings::FTPTransfeMode},
      {"StoreNumber", &clsSettings::StoreNumber},
      {"StartDate", &clsSettings::StartDate},
      {"Invoice", &clsSettings::Invoice},
      {"Run", &clsSettings::Run},
      {"FTPUseForAll", &clsSettings::FTPUseForAll},
  }};
  return kFields;
}

const SettingField* FindSettingField(std::string_view name) {
  for (const SettingField& field : SettingFieldsInFileOrder()) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

std::string_view SettingKindName(const SettingField& field) {
  return std::visit(Overloaded{
                        [](std::string clsSettings::*) { return std::string_view("text"); },
                        [](bool clsSettings::*) { return std::string_view("boolean"); },
                        [](std::int16_t clsSettings::*) { return std::string_view("number"); },
                        [](LocalDateTime clsSettings::*) { return std::string_view("date"); },
                    },
                    field.member);
}

std::string SettingText(const clsSettings& record, const SettingField& field) {
  return std::visit(
      Overloaded{
          [&](std::string clsSettings::*m) { return record.*m; },
          [&](bool clsSettings::*m) { return std::string(record.*m ? "True" : "False"); },
          [&](std::int16_t clsSettings::*m) { return std::to_string(record.*m); },
          [&](LocalDateTime clsSettings::*m) { return FormatDateValue(record.*m); },
      },
      field.member);
}

bool SetSettingFromText(clsSettings& record, const SettingField& field, std::string_view text) {
  return std::visit(Overloaded{
                        [&](std::string clsSettings::*m) {
                          record.*m = std::string(text);
                          return true;
                        },
                        [&](bool clsSettings::*m) {
                          const std::optional<bool> value = ParseBoolean(text);
                          if (value) record.*m = *value;
                          return value.has_value();
                        },
                        [&](std::int16_t clsSettings::*m) {
                          const std::optional<std::int16_t> value = ParseInt16(text);
                          if (value) record.*m = *value;
                          return value.has_value();
                        },
                        [&](LocalDateTime clsSettings::*m) {
                          const std::optional<LocalDateTime> value = ParseDateValue(text);
                          if (value) record.*m = *value;
                          return value.has_value();
                        },
                    },
                    field.member);
}

}  // namespace kez
