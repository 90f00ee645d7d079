#include "cli/global_options.h"

#include <cstdio>

#include "platform/date_text.h"
#include "platform/program_folder.h"

namespace kez::cli {

std::optional<LocalDateTime> ParseNowOption(const std::string& text) {
  LocalDateTime value;
  int consumed = 0;
  const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%n", &value.year, &value.month,
                                 &value.day, &value.hour, &value.minute, &consumed);
  if (fields != 5) return std::nullopt;
  std::size_t at = static_cast<std::size_t>(consumed);
  if (at < text.size()) {
    int second_length = 0;
    if (std::sscanf(text.c_str() + at, ":%2d%n", &value.second, &second_length) != 1) {
      return std::nullopt;
    }
    at += static_cast<std::size_t>(second_length);
  }
  if (at != text.size() || text.size() < 16 || !IsRealDay(value.year, value.month, value.day) ||
      value.hour > 23 || value.minute > 59 || value.second > 59 || value.hour < 0 ||
      value.minute < 0 || value.second < 0) {
    return std::nullopt;
  }
  return value;
}

std::optional<LocalDateTime> ParseIsoDay(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  return ParseDateKey(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2));
}

void AddGlobalOptions(CLI::App& app, GlobalOptions& options) {
  app.add_option("--now", options.now,
                 "Run the program's clock from this moment: \"YYYY-MM-DD hh:mm[:ss]\"")
      ->check([](const std::string& text) -> std::string {
        return ParseNowOption(text) ? std::string{}
                                    : "expected \"YYYY-MM-DD hh:mm\" or \"YYYY-MM-DD hh:mm:ss\"";
      });
  app.add_option("--engine", options.engine,
                 "Record engine for the data: auto (the installed engine when one is found), "
                 "built-in or installed (default: [Engine] Use= in KEZDataAggregator.ini, else "
                 "auto)")
      ->check([](const std::string& text) -> std::string {
        return ParseEngineUse(text) ? std::string{} : "expected auto, built-in or installed";
      });
}

std::optional<EngineUse> EngineOption(const GlobalOptions& options) {
  if (options.engine.empty()) return std::nullopt;
  return ParseEngineUse(options.engine);
}

LocalDateTime ProgramNow(const GlobalOptions& options) {
  if (const auto start = ParseNowOption(options.now)) return *start;
  return CurrentLocalDateTime();
}

void ApplyGlobalOptions(const GlobalOptions& options, ConsoleHost& host) {
  if (const auto start = ParseNowOption(options.now)) host.StartClockAt(*start);
}

}  // namespace kez::cli
