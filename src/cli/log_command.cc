// kezagg log: one day of the activity log, and its purge.
#include <cstdio>
#include <memory>
#include <string>

#include "app/app_dir.h"
#include "cli/commands.h"
#include "context/activity_log.h"
#include "platform/date_text.h"
#include "platform/program_folder.h"
#include "platform/windows1252.h"

namespace kez::cli {
namespace {

struct LogOptions {
  std::string app_dir;
  std::string date;
  bool purge = false;
  LocalDateTime now;  // gives the default day
};

int ShowLog(const LogOptions& options) {
  const std::string date = options.date.empty() ? FormatDateKey(options.now) : options.date;
  if (!ParseDateKey(date)) {
    std::fprintf(stderr, "log: \"%s\" is not a day in the form YYYYMMDD\n", date.c_str());
    return 2;
  }
  const std::filesystem::path app_dir = ResolveAppDir(options.app_dir);
  if (options.purge) {
    std::string error;
    if (PurgeLog(app_dir, &error) == PurgeResult::kFailed) {
      std::fprintf(stderr, "log: %s cannot be deleted: %s\n",
                   Utf8FromWindows1252(PathText(LogFilePath(app_dir))).c_str(), error.c_str());
      return 1;
    }
  }
  const auto rows = ShowLogForDate(app_dir, date);
  if (!rows) {
    std::fprintf(stderr, "log: there is no activity log at %s\n",
                 Utf8FromWindows1252(PathText(LogFilePath(app_dir))).c_str());
    return 0;
  }
  for (const LogRow& row : *rows) {
    std::printf("%s\t%s\n", row.time.c_str(), Utf8FromWindows1252(row.message).c_str());
  }
  return 0;
}

}  // namespace

void AddLogCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand("log", "Print one day of the activity log (time, message)");
  auto options = std::make_shared<LogOptions>();
  command->add_option("--date", options->date, "The day, YYYYMMDD (default: today)");
  command->add_flag("--purge", options->purge, "Delete the log file first");
  command->add_option("--app-dir", options->app_dir,
                      "Folder of KEZDataAggregator.log (default: KEZ_APP_DIR, else the program's "
                      "folder, or the per-user one where that is not writable)");
  command->callback([options, &global, &exit_code] {
    options->now = ProgramNow(global);
    exit_code = ShowLog(*options);
  });
}

}  // namespace kez::cli
