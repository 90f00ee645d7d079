// Where the program's own files lie (AppDir): the program's folder, unless an install points
// elsewhere because that folder is read-only, or a test does.
#ifndef KEZ_APP_APP_DIR_H_
#define KEZ_APP_APP_DIR_H_

#include <filesystem>
#include <string_view>

namespace kez {

// The environment variable that names AppDir when no --app-dir option does.
inline constexpr const char* kAppDirVariable = "KEZ_APP_DIR";

// The first that is not empty: `option` (--app-dir), `environment` (KEZ_APP_DIR, may be null),
// `program_folder`.
std::filesystem::path ResolveAppDir(std::string_view option, const char* environment,
                                    const std::filesystem::path& program_folder);

// ResolveAppDir with this process's KEZ_APP_DIR and program folder.
std::filesystem::path ResolveAppDir(std::string_view option);

}  // namespace kez

#endif  // KEZ_APP_APP_DIR_H_
