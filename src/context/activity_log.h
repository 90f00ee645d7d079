// The activity log: one line per job step in KEZDataAggregator.log in AppDir, "YYYYMMDD^hh:mm^"
// followed by the message, each line ended by CR LF. The file is opened, appended and closed for
// every line, so another program may read or delete it between lines; only purge removes it.
#ifndef KEZ_CONTEXT_ACTIVITY_LOG_H_
#define KEZ_CONTEXT_ACTIVITY_LOG_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "context/app_context.h"

namespace kez {

inline constexpr const char* kLogFileName = "KEZDataAggregator.log";

// app_dir + "KEZDataAggregator.log".
std::filesystem::path LogFilePath(const std::filesystem::path& app_dir);

// Appends one line for `message` with the host's current date and time, creating the file when
// absent, after handing the message to context.log_echo when set. Writes nothing while the
// save-log flag is off. A line that cannot be written is dropped:
// the log is where failures are reported, so there is nowhere else to report it.
void WriteLog(AppContext& context, std::string_view message);

// Writes one activity-log line: all that a piece of work which only reports needs of the context.
using LogWriter = std::function<void(std::string_view message)>;

// A writer of `context`'s activity log, through WriteLog. It refers to the context.
LogWriter ActivityLogWriter(AppContext& context);

// One row of the settings window's log list.
struct LogRow {
  std::string time;     // "hh:mm"
  std::string message;  // the message up to its first "^"
};

// The rows of the day `date_key` ("YYYYMMDD") in file order: from the first line that begins with
// the key, every following line until one that does not. Line ends and stray CRs are dropped; a
// line with too few "^" fills the columns it can. Returns nullopt when the log file does not
// exist (the window then keeps the rows it shows); an empty list when the day has no lines.
//
// Only a line's start counts: a message that names a later day's date must not hide that day.
std::optional<std::vector<LogRow>> ShowLogForDate(const std::filesystem::path& app_dir,
                                                  std::string_view date_key);

enum class PurgeResult { kDeleted, kNoFile, kFailed };

// Deletes the log file, without a question. On kFailed `error` says why.
PurgeResult PurgeLog(const std::filesystem::path& app_dir, std::string* error);

// Lets pending events run, then opens the log file in the system's viewer. False when the viewer
// could not be started.
bool ViewLog(AppContext& context);

}  // namespace kez

#endif  // KEZ_CONTEXT_ACTIVITY_LOG_H_
