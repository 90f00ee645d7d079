#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/windows1252.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kez {
namespace {

std::string Describe(const std::filesystem::path& file, std::string_view what,
                     const std::string& reason) {
  std::string text = PathText(file);
  text += ": ";
  text += what;
  if (!reason.empty()) {
    text += ": ";
    text += reason;
  }
  return text;
}

// A name beside `file` that no other writer picks: the file name, ".tmp-" and a random number.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& file) {
  std::random_device seed;
  std::filesystem::path temp = file;
  temp += ".tmp-" + std::to_string(seed());
  return temp;
}

#ifdef _WIN32

std::string LastErrorText() {
  return std::system_category().message(static_cast<int>(::GetLastError()));
}

bool WriteTemporary(const std::filesystem::path& temp, std::string_view bytes, FileAccess,
                    const std::filesystem::path&, std::string* error) {
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *error = Describe(temp, "cannot be written", "");
    return false;
  }
  return true;
}

bool RenameOver(const std::filesystem::path& temp, const std::filesystem::path& file,
                std::string* error) {
  if (!::MoveFileExW(temp.c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = Describe(file, "cannot be replaced", LastErrorText());
    return false;
  }
  return true;
}

#else

std::string ErrnoText() { return std::generic_category().message(errno); }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool WriteTemporary(const std::filesystem::path& temp, std::string_view bytes, FileAccess access,
                    const std::filesystem::path& file, std::string* error) {
  const mode_t create_mode = access == FileAccess::kOwnerOnly ? 0600 : 0666;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
  if (fd < 0) {
    *error = Describe(temp, "cannot be created", ErrnoText());
    return false;
  }
  struct stat old_file {};
  bool ok = true;
  if (access == FileAccess::kOwnerOnly) {
    ok = ::fchmod(fd, 0600) == 0;
  } else if (::stat(file.c_str(), &old_file) == 0) {
    ok = ::fchmod(fd, old_file.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (!ok) *error = Describe(temp, "cannot be written", ErrnoText());
  if (::close(fd) != 0 && ok) {
    *error = Describe(temp, "cannot be written", ErrnoText());
    ok = false;
  }
  return ok;
}

bool RenameOver(const std::filesystem::path& temp, const std::filesystem::path& file,
                std::string* error) {
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    *error = Describe(file, "cannot be replaced", ErrnoText());
    return false;
  }
  // Makes the rename itself durable; a folder that cannot be synced changes nothing above.
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

#endif

}  // namespace

bool ReadWholeFile(const std::filesystem::path& file, std::string* bytes, std::string* error) {
  std::error_code code;
  if (std::filesystem::is_directory(file, code)) {
    *error = Describe(file, "cannot be read", "it is a folder");
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = Describe(file, "cannot be opened", std::generic_category().message(errno));
    return false;
  }
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = Describe(file, "cannot be read", "");
    return false;
  }
  *bytes = std::move(content);
  return true;
}

bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           FileAccess access, std::string* error) {
  const std::filesystem::path temp = TemporaryNameFor(file);
  if (WriteTemporary(temp, bytes, access, file, error) && RenameOver(temp, file, error)) {
    return true;
  }
  std::error_code ignored;
  std::filesystem::remove(temp, ignored);
  return false;
}

}  // namespace kez
