#include "platform/file_io.h"

#include <algorithm>
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

ReplacingFile::ReplacingFile(std::filesystem::path file, FileAccess access)
    : file_(std::move(file)), temp_(TemporaryNameFor(file_)) {
#ifdef _WIN32
  (void)access;
  const HANDLE handle = ::CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail("cannot be created", LastErrorText());
    return;
  }
  handle_ = handle;
#else
  const mode_t create_mode = access == FileAccess::kOwnerOnly ? 0600 : 0666;
  fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
  if (fd_ < 0) {
    Fail("cannot be created", ErrnoText());
    return;
  }
  struct stat old_file {};
  bool ok = true;
  if (access == FileAccess::kOwnerOnly) {
    ok = ::fchmod(fd_, 0600) == 0;
  } else if (::stat(file_.c_str(), &old_file) == 0) {
    ok = ::fchmod(fd_, old_file.st_mode & 07777) == 0;
  }
  if (!ok) Fail("cannot be written", ErrnoText());
#endif
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
#ifdef _WIN32
  if (handle_ != nullptr) ::CloseHandle(handle_);
#else
  if (fd_ >= 0) ::close(fd_);
#endif
  std::error_code ignored;
  std::filesystem::remove(temp_, ignored);
}

bool ReplacingFile::Append(std::string_view bytes) {
  if (!error_.empty()) return false;
#ifdef _WIN32
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(handle_, bytes.data(), piece, &written, nullptr)) {
      Fail("cannot be written", LastErrorText());
      break;
    }
    if (written == 0) {
      Fail("cannot be written", "no byte was taken");
      break;
    }
    bytes.remove_prefix(written);
  }
#else
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("cannot be written", ErrnoText());
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    appended_ += static_cast<std::uint64_t>(written);
  }
#ifdef __linux__
  // Starts writing the bytes so far to the disk while more are made, so that the sync in Commit
  // waits only for the last of a large file. The request is advice: when it fails, Commit still
  // syncs everything.
  if (error_.empty() && appended_ - written_back_ >= kWritebackBytes) {
    ::sync_file_range(fd_, static_cast<off_t>(written_back_),
                      static_cast<off_t>(appended_ - written_back_), SYNC_FILE_RANGE_WRITE);
    written_back_ = appended_;
  }
#endif
#endif
  return error_.empty();
}

bool ReplacingFile::Commit() {
  if (!error_.empty() || committed_) return false;
#ifdef _WIN32
  // The bytes reach the disk before the name does: a power cut after the rename must not leave
  // the file's name on blocks never written.
  const bool flushed = ::FlushFileBuffers(handle_) != 0;
  const std::string flush_error = flushed ? "" : LastErrorText();
  const bool closed = ::CloseHandle(handle_) != 0;
  handle_ = nullptr;
  if (!flushed || !closed) {
    Fail("cannot be written", flushed ? LastErrorText() : flush_error);
    return false;
  }
#else
  const bool synced = ::fsync(fd_) == 0;
  const std::string sync_error = synced ? "" : ErrnoText();
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) {
    Fail("cannot be written", synced ? ErrnoText() : sync_error);
    return false;
  }
#endif
  if (!RenameOver(temp_, file_, &error_)) return false;
  committed_ = true;
  return true;
}

void ReplacingFile::Fail(std::string_view what, const std::string& reason) {
  if (error_.empty()) error_ = Describe(temp_, what, reason);
}

bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                           FileAccess access, std::string* error) {
  ReplacingFile replacing(file, access);
  if (replacing.Append(bytes) && replacing.Commit()) return true;
  *error = replacing.error();
  return false;
}

}  // namespace kez
