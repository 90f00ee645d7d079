// The instance lock on POSIX systems: flock on a file that every user may open. The kernel drops
// the lock when the holder dies, so a leftover file does no harm.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/instance_lock.h"

namespace kez {

struct InstanceLock::Handle {
  int fd = -1;
};

std::filesystem::path DefaultInstanceLockFile() {
  if (const char* named = std::getenv(kInstanceLockVariable); named != nullptr && *named != '\0') {
    return named;
  }
  constexpr const char* kName = "kez-data-aggregator.lock";
  if (::access("/run/lock", W_OK | X_OK) == 0) return std::filesystem::path("/run/lock") / kName;
  return std::filesystem::path("/tmp") / kName;
}

InstanceLock::InstanceLock(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

InstanceLock::~InstanceLock() {
  if (handle_ && handle_->fd >= 0) ::close(handle_->fd);
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& lock_file,
                                               std::unique_ptr<InstanceLock>* lock,
                                               std::string* error) {
  lock->reset();
  std::error_code ignored;
  if (lock_file.has_parent_path())
    std::filesystem::create_directories(lock_file.parent_path(), ignored);
  // Opening without O_CREAT first: in a sticky shared folder the kernel may refuse O_CREAT on a
  // file that another user created, even though that file can be opened and locked.
  int fd = ::open(lock_file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(lock_file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    // Other users' copies must be able to open the file too, whatever this process's umask.
    if (fd >= 0) ::fchmod(fd, 0666);
  }
  if (fd < 0) {
    *error = lock_file.string() + ": " + std::strerror(errno);
    return Outcome::kFailed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int reason = errno;
    ::close(fd);
    if (reason == EWOULDBLOCK) return Outcome::kHeldElsewhere;
    *error = lock_file.string() + ": " + std::strerror(reason);
    return Outcome::kFailed;
  }
  auto handle = std::make_unique<Handle>();
  handle->fd = fd;
  lock->reset(new InstanceLock(std::move(handle)));
  return Outcome::kAcquired;
}

}  // namespace kez
