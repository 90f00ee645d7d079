// The instance lock under Windows: the lock file opened without sharing. The system closes the
// handle, and so frees the lock, when the holder ends.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <system_error>

#include "platform/instance_lock.h"

namespace kez {

struct InstanceLock::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
};

std::filesystem::path DefaultInstanceLockFile() {
  if (const char* named = std::getenv(kInstanceLockVariable); named != nullptr && *named != '\0') {
    return named;
  }
  const char* program_data = std::getenv("ProgramData");
  const std::filesystem::path folder =
      program_data != nullptr && *program_data != '\0' ? program_data : "C:\\ProgramData";
  return folder / "KEZ" / "kez-data-aggregator.lock";
}

InstanceLock::InstanceLock(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

InstanceLock::~InstanceLock() {
  if (handle_ && handle_->file != INVALID_HANDLE_VALUE) ::CloseHandle(handle_->file);
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& lock_file,
                                               std::unique_ptr<InstanceLock>* lock,
                                               std::string* error) {
  lock->reset();
  std::error_code ignored;
  if (lock_file.has_parent_path()) {
    std::filesystem::create_directories(lock_file.parent_path(), ignored);
  }
  const HANDLE file = ::CreateFileW(lock_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD reason = ::GetLastError();
    if (reason == ERROR_SHARING_VIOLATION) return Outcome::kHeldElsewhere;
    *error = lock_file.string() + ": " + std::system_category().message(static_cast<int>(reason));
    return Outcome::kFailed;
  }
  auto handle = std::make_unique<Handle>();
  handle->file = file;
  lock->reset(new InstanceLock(std::move(handle)));
  return Outcome::kAcquired;
}

}  // namespace kez

#endif  // _WIN32
