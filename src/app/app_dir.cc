#include "app/app_dir.h"

#include <cstdlib>
#include <system_error>

#include "context/config_files.h"
#include "platform/program_folder.h"
#include "posdata/data_path_ops.h"
#include "posdata/pos_database.h"

namespace kez {

AppDirChoice ChooseAppDir(std::string_view option, const char* environment,
                          const std::filesystem::path& program_folder, bool program_folder_writable,
                          const std::filesystem::path& user_data_folder) {
  if (!option.empty()) return {std::filesystem::path(option), AppDirSource::kOption};
  if (environment != nullptr && *environment != '\0') {
    return {std::filesystem::path(environment), AppDirSource::kEnvironment};
  }
  if (program_folder_writable || user_data_folder.empty()) {
    return {program_folder, AppDirSource::kProgramFolder};
  }
  return {user_data_folder / kUserAppDirName, AppDirSource::kUserFolder};
}

std::filesystem::path InstalledDefaultsFolder(const std::filesystem::path& program_folder) {
#ifdef _WIN32
  (void)program_folder;
  return {};
#else
  return (program_folder / ".." / "share" / "kez-data-aggregator").lexically_normal();
#endif
}

void PrepareAppDir(const AppDirChoice& choice, const std::filesystem::path& program_folder) {
  if (choice.source != AppDirSource::kUserFolder) return;
  std::error_code code;
  std::filesystem::create_directories(choice.folder, code);
  const std::filesystem::path defaults = InstalledDefaultsFolder(program_folder);
  // A file that cannot be copied is missed at start-up as it would be beside the program, with
  // the same message; nothing more is to be done here.
  for (const char* name : {kAggregatorIniName, kErrorMessageFileName, kAlternateCollatingFile}) {
    std::filesystem::path installed = defaults / name;
    if (defaults.empty() || !std::filesystem::is_regular_file(installed, code)) {
      installed = program_folder / name;
    }
    if (!std::filesystem::is_regular_file(installed, code)) continue;
    std::filesystem::copy_file(installed, choice.folder / name,
                               std::filesystem::copy_options::skip_existing, code);
  }
}

AppDirChoice ChooseAppDir(std::string_view option) {
  const std::filesystem::path program_folder = ProgramFolder();
  const char* environment = std::getenv(kAppDirVariable);
  // The folder is tried only when it would be chosen: an option or KEZ_APP_DIR decides first.
  const bool decided = !option.empty() || (environment != nullptr && *environment != '\0');
  // Under a system install the program folder is shared (/usr/bin): even root keeps its files in
  // a folder of its own rather than there.
  const std::filesystem::path defaults = InstalledDefaultsFolder(program_folder);
  std::error_code code;
  const bool system_install = !defaults.empty() && std::filesystem::is_directory(defaults, code);
  return ChooseAppDir(option, environment, program_folder,
                      decided || (!system_install && CanCreateFilesIn(program_folder)),
                      UserDataFolder());
}

std::filesystem::path ResolveAppDir(std::string_view option) {
  const AppDirChoice choice = ChooseAppDir(option);
  PrepareAppDir(choice, ProgramFolder());
  return choice.folder;
}

std::string DescribeAppDir(const AppDirChoice& choice) {
  std::string line = "Program folder: " + choice.folder.string();
  switch (choice.source) {
    case AppDirSource::kOption:
      return line + " (--app-dir)";
    case AppDirSource::kEnvironment:
      return line + " (" + kAppDirVariable + ")";
    case AppDirSource::kProgramFolder:
      return line + " (the program's own folder)";
    case AppDirSource::kUserFolder:
      return line + " (per user: the program's own folder is read-only or the system's)";
  }
  return line;
}

}  // namespace kez
