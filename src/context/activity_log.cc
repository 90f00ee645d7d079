#include "context/activity_log.h"

#include <fstream>
#include <system_error>

#include "platform/date_text.h"
#include "platform/file_io.h"

namespace kez {
namespace {

// The position of the first line that begins with `key`, or npos.
std::size_t FirstLineStartingWith(std::string_view text, std::string_view key) {
  std::size_t line = 0;
  while (line < text.size()) {
    if (text.substr(line, key.size()) == key) return line;
    const std::size_t end = text.find('\n', line);
    if (end == std::string_view::npos) break;
    line = end + 1;
  }
  return std::string_view::npos;
}

// Field `index` of a "^"-separated line, empty when it has fewer fields.
std::string_view Field(std::string_view line, std::size_t index) {
  for (std::size_t i = 0; i < index; ++i) {
    const std::size_t caret = line.find('^');
    if (caret == std::string_view::npos) return {};
    line.remove_prefix(caret + 1);
  }
  return line.substr(0, line.find('^'));
}

}  // namespace

std::filesystem::path LogFilePath(const std::filesystem::path& app_dir) {
  return app_dir / kLogFileName;
}

void WriteLog(AppContext& context, std::string_view message) {
  if (context.log_echo) context.log_echo(message);
  if (!context.save_log) return;
  const LocalDateTime now = context.host.Now();
  std::string line = FormatDateKey(now) + '^' + FormatHourMinute(now) + '^';
  line += message;
  line += "\r\n";
  std::ofstream out(LogFilePath(context.AppDir), std::ios::binary | std::ios::app);
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

LogWriter ActivityLogWriter(AppContext& context) {
  return [&context](std::string_view message) { WriteLog(context, message); };
}

std::optional<std::vector<LogRow>> ShowLogForDate(const std::filesystem::path& app_dir,
                                                  std::string_view date_key) {
  const std::filesystem::path file = LogFilePath(app_dir);
  std::error_code code;
  if (!std::filesystem::exists(file, code)) return std::nullopt;
  std::vector<LogRow> rows;
  std::string text;
  std::string error;
  if (date_key.empty() || !ReadWholeFile(file, &text, &error)) return rows;

  std::size_t pos = FirstLineStartingWith(text, date_key);
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    std::erase(line, '\r');
    pos = end + 1;
    if (std::string_view(line).substr(0, date_key.size()) != date_key) break;
    rows.push_back({std::string(Field(line, 1)), std::string(Field(line, 2))});
  }
  return rows;
}

PurgeResult PurgeLog(const std::filesystem::path& app_dir, std::string* error) {
  std::error_code code;
  if (std::filesystem::remove(LogFilePath(app_dir), code)) return PurgeResult::kDeleted;
  if (!code) return PurgeResult::kNoFile;
  *error = code.message();
  return PurgeResult::kFailed;
}

bool ViewLog(AppContext& context) {
  context.host.DoEvents();
  return context.host.OpenWithViewer(LogFilePath(context.AppDir));
}

}  // namespace kez
