#include "app/app_dir.h"

#include <cstdlib>

#include "platform/program_folder.h"

namespace kez {

std::filesystem::path ResolveAppDir(std::string_view option, const char* environment,
                                    const std::filesystem::path& program_folder) {
  if (!option.empty()) return std::filesystem::path(option);
  if (environment != nullptr && *environment != '\0') return std::filesystem::path(environment);
  return program_folder;
}

std::filesystem::path ResolveAppDir(std::string_view option) {
  return ResolveAppDir(option, std::getenv(kAppDirVariable), ProgramFolder());
}

}  // namespace kez
