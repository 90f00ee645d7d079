// Whole-file reads, and the safe replacement of files that the system writes anew: the new
// content goes to a temporary file in the same folder, which is then renamed over the old one, so
// that a reader (or a crash) sees the old file or the new one, never a part.
#ifndef KEZ_PLATFORM_FILE_IO_H_
#define KEZ_PLATFORM_FILE_IO_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace kez {

// Who may read a replaced file.
enum class FileAccess {
  kShared,     // keeps the permissions of the file it replaces; new files get the default ones
  kOwnerOnly,  // readable and writable by its owner only (POSIX; on Windows the folder decides)
};

// Reads the whole file into `bytes`. Returns false, with `error` saying why and naming the file,
// when it cannot be opened or read.
[[nodiscard]] bool ReadWholeFile(const std::filesystem::path& file, std::string* bytes,
                                 std::string* error);

// Makes `bytes` the whole content of `file` through a temporary file and a rename. Returns false
// with `error` set when anything fails; the old file is then untouched and no temporary is left.
[[nodiscard]] bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                         FileAccess access, std::string* error);

}  // namespace kez

#endif  // KEZ_PLATFORM_FILE_IO_H_
