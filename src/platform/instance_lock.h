// The lock that lets only one copy of the program run on a machine: the tray program and kezagg
// take the same lock at start-up and hold it until the process ends, however it ends (the system
// drops it with the process, so a killed copy leaves nothing stale behind).
#ifndef KEZ_PLATFORM_INSTANCE_LOCK_H_
#define KEZ_PLATFORM_INSTANCE_LOCK_H_

#include <filesystem>
#include <memory>
#include <string>

namespace kez {

// The environment variable that names the lock file instead of DefaultInstanceLockFile's choice
// (tests, and installs that keep such files elsewhere).
inline constexpr const char* kInstanceLockVariable = "KEZ_INSTANCE_LOCK";

// The lock file every copy on this machine uses: KEZ_INSTANCE_LOCK when set; otherwise, under
// Windows, "%ProgramData%\KEZ\kez-data-aggregator.lock", elsewhere
// "/run/lock/kez-data-aggregator.lock" (or the same name in /tmp where /run/lock is missing). The
// place is the same for every user, so a second user's copy is refused too.
std::filesystem::path DefaultInstanceLockFile();

// A held instance lock: an open, exclusively locked file that is released by the destructor or the
// end of the process.
class InstanceLock {
 public:
  enum class Outcome {
    kAcquired,       // this process now holds the lock
    kHeldElsewhere,  // another copy (or another holder in this process) holds it
    kFailed,         // the lock file could not be opened; `error` says why
  };

  // Tries once, without waiting, to take the lock of `lock_file`, creating the file (and its
  // folder) when missing. On kAcquired `*lock` holds it; otherwise `*lock` is reset.
  static Outcome TryAcquire(const std::filesystem::path& lock_file,
                            std::unique_ptr<InstanceLock>* lock, std::string* error);

  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  struct Handle;
  explicit InstanceLock(std::unique_ptr<Handle> handle);

  std::unique_ptr<Handle> handle_;
};

}  // namespace kez

#endif  // KEZ_PLATFORM_INSTANCE_LOCK_H_
