// Where the program's own files lie (AppDir): the program's folder when files can be made there;
// otherwise (an install in /usr/bin or Program Files) a folder of the user's own, given the
// installed files at the first start; --app-dir or KEZ_APP_DIR before either.
#ifndef KEZ_APP_APP_DIR_H_
#define KEZ_APP_APP_DIR_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace kez {

// The environment variable that names AppDir when no --app-dir option does.
inline constexpr const char* kAppDirVariable = "KEZ_APP_DIR";
// The name of the per-user program folder inside the user's data folder.
#ifdef _WIN32
inline constexpr const char* kUserAppDirName = "KEZ Data Aggregator";
#else
inline constexpr const char* kUserAppDirName = "kez-data-aggregator";
#endif

// Why AppDir is where it is.
enum class AppDirSource { kOption, kEnvironment, kProgramFolder, kUserFolder };

struct AppDirChoice {
  std::filesystem::path folder;
  AppDirSource source = AppDirSource::kProgramFolder;
};

// The first that applies: `option` (--app-dir) when not empty, `environment` (KEZ_APP_DIR, may be
// null) when not empty, `program_folder` when `program_folder_writable` or no user folder is
// known, else `user_data_folder` / kUserAppDirName.
AppDirChoice ChooseAppDir(std::string_view option, const char* environment,
                          const std::filesystem::path& program_folder, bool program_folder_writable,
                          const std::filesystem::path& user_data_folder);

// Where a system install (the Debian package, `cmake --install` to a prefix) puts the program's
// default files: <prefix>/share/kez-data-aggregator beside <prefix>/bin. Empty on Windows, where
// they lie beside the program.
std::filesystem::path InstalledDefaultsFolder(const std::filesystem::path& program_folder);

// Makes a per-user AppDir ready: the folder is created, and each of the program's installed files
// (KEZDataAggregator.ini, the engine status texts, upper.alt) that it lacks is copied from
// InstalledDefaultsFolder(program_folder) when it holds the file, else from `program_folder`. The
// user's own copies are never replaced. Other choices are left alone.
void PrepareAppDir(const AppDirChoice& choice, const std::filesystem::path& program_folder);

// ChooseAppDir for this process (its KEZ_APP_DIR, program folder and user data folder), without
// preparing the folder. A system install's program folder is never used for the program's files,
// even by a user who could write there.
AppDirChoice ChooseAppDir(std::string_view option);

// ChooseAppDir for this process, then PrepareAppDir; the folder chosen.
std::filesystem::path ResolveAppDir(std::string_view option);

// One line for --version output: the folder and why it is used.
std::string DescribeAppDir(const AppDirChoice& choice);

}  // namespace kez

#endif  // KEZ_APP_APP_DIR_H_
