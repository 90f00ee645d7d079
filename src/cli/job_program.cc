#include "cli/job_program.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "app/app_dir.h"
#include "app/start_up.h"
#include "cli/console_host.h"
#include "cli/data_path_option.h"
#include "context/config_files.h"
#include "context/report_settings_io.h"
#include "platform/date_text.h"
#include "platform/windows1252.h"
#include "posdata/cls_data_path.h"
#include "posdata/user_settings_store.h"

namespace kez::cli {
namespace {

// A settings store that holds one data location for this run and nothing else: --data-path must
// not change the location the user stored for the suite.
class RunOnlySettingsStore : public UserSettingsStore {
 public:
  explicit RunOnlySettingsStore(std::string data_path) {
    values_["DATAPATH"] = std::move(data_path);
  }
  std::optional<std::string> Get(std::string_view, std::string_view section,
                                 std::string_view key) override {
    if (section != "DATABASE") return std::nullopt;
    const auto found = values_.find(std::string(key));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  bool Set(std::string_view, std::string_view, std::string_view key,
           std::string_view value) override {
    values_[std::string(key)] = std::string(value);
    return true;
  }
  bool Remove(std::string_view, std::string_view, std::string_view key) override {
    values_.erase(std::string(key));
    return true;
  }
  std::string Location(std::string_view) const override { return "the --data-path option"; }

 private:
  std::map<std::string, std::string> values_;
};

void PrepareContext(const JobProgramOptions& options, AppContext& context) {
  context.AppDir = ResolveAppDir(options.app_dir);
  context.start_up_pause = std::chrono::milliseconds(0);
  // Without a screen nobody reads the message before the program would end: a damaged table
  // ends the job instead, which leaves its files unwritten and the exit status 1, and a daemon
  // tries again when the job is next due.
  context.pos.end_on_fatal = false;
  if (options.ftp_timeout_seconds > 0) {
    const std::chrono::seconds timeout(options.ftp_timeout_seconds);
    context.ftp_options.connect_timeout = timeout;
    context.ftp_options.response_timeout = timeout;
    context.ftp_options.stall_timeout = timeout;
  }
  if (!options.quiet) {
    context.log_echo = [&context](std::string_view message) {
      std::printf("%s %s\n", FormatHourMinute(context.host.Now()).c_str(),
                  ConsoleText(message).c_str());
      std::fflush(stdout);
    };
  }
}

}  // namespace

void AddJobProgramOptions(CLI::App* command, JobProgramOptions& options) {
  command->add_option("--data-path", options.data_path,
                      "Folder of the KEZ data and portal.xml for this run (default: the stored "
                      "data location)");
  command->add_option("--app-dir", options.app_dir,
                      "Folder of KEZDataAggregator.ini and .log (default: KEZ_APP_DIR, else the "
                      "program's folder, or the per-user one where that is not writable)");
  command
      ->add_option("--ftp-timeout", options.ftp_timeout_seconds,
                   "Seconds an FTP server may take to answer or to move data (default: 30 to "
                   "connect, 60 otherwise)")
      ->check(CLI::Range(1, 3600));
  command->add_flag("--quiet", options.quiet,
                    "Do not print the activity-log lines on standard output");
}

void StartJobProgram(const JobProgramOptions& options, AppContext& context) {
  PrepareContext(options, context);
  if (!options.data_path.empty()) {
    context.pos.user_settings =
        std::make_unique<RunOnlySettingsStore>(WithoutFinalSeparator(options.data_path));
  }
  StartUp(context);
}

bool StartUploadProgram(const JobProgramOptions& options, AppContext& context) {
  PrepareContext(options, context);
  std::string error;
  const std::optional<std::string> data_path = ResolveDataPath(options.data_path, &error);
  if (!data_path) {
    std::fprintf(stderr, "kezagg: %s\n", ConsoleText(error).c_str());
    return false;
  }
  UseDataPath(context.pos, *data_path);
  LoadSaveLogSwitch(context);
  LoadReportSettings(context, *data_path);
  LoadAggregatorSettings(context);
  return true;
}

}  // namespace kez::cli
