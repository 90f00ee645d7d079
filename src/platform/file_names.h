// Files named by the program whose letter case the disk may not share: a folder copied from
// Windows keeps whatever case its files were given there ("kez.ini", "Portal.xml").
#ifndef KEZ_PLATFORM_FILE_NAMES_H_
#define KEZ_PLATFORM_FILE_NAMES_H_

#include <filesystem>
#include <string_view>

namespace kez {

// The file `name` in `folder`: the exact name when it exists, else the first entry whose name
// matches without regard to ASCII letter case, else the exact name (for a file to be created).
std::filesystem::path FindFileAnyCase(const std::filesystem::path& folder, std::string_view name);

}  // namespace kez

#endif  // KEZ_PLATFORM_FILE_NAMES_H_
