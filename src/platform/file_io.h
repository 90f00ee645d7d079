// Whole-file reads, and the safe replacement of files that the system writes anew: the new
// content goes to a temporary file in the same folder, which is then renamed over the old one, so
// that a reader (or a crash) sees the old file or the new one, never a part.
#ifndef KEZ_PLATFORM_FILE_IO_H_
#define KEZ_PLATFORM_FILE_IO_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kez {

// Who may read a replaced file.
enum class FileAccess {
  kShared,     // keeps the permissions of the file it replaces; new files get the default ones
  kOwnerOnly,  // readable and writable by its owner only (POSIX; on Windows the folder decides)
};

// A file written anew piece by piece: the bytes go to a temporary file beside it, and Commit
// renames that over the file. Until then, and whenever anything fails, the old file stays as it
// was; a ReplacingFile dropped without a successful Commit removes its temporary file.
class ReplacingFile {
 public:
  ReplacingFile(std::filesystem::path file, FileAccess access);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Adds bytes at the end. False once anything has failed; error() then says what, naming the
  // file.
  bool Append(std::string_view bytes);
  // Makes the written bytes the file's content. False, with error() set, when that fails.
  bool Commit();
  const std::string& error() const { return error_; }

 private:
  void Fail(std::string_view what, const std::string& reason);

  std::filesystem::path file_;
  std::filesystem::path temp_;
  std::string error_;
  bool committed_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;  // the temporary file's handle while it is open
#else
  int fd_ = -1;
  std::uint64_t appended_ = 0;      // bytes written so far
  std::uint64_t written_back_ = 0;  // of those, the bytes whose writing to disk was started
  static constexpr std::uint64_t kWritebackBytes = 1 << 20;
#endif
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
