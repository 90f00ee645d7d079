// A disk that fills up, for tests: while a FullDisk lives, this process cannot write a file past
// `limit` bytes (the write fails with "File too large" instead of raising a signal). POSIX only.
#ifndef KEZ_TESTS_SUPPORT_FULL_DISK_H_
#define KEZ_TESTS_SUPPORT_FULL_DISK_H_

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

namespace kez::testing {

class FullDisk {
 public:
  explicit FullDisk(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

}  // namespace kez::testing

#endif  // _WIN32
#endif  // KEZ_TESTS_SUPPORT_FULL_DISK_H_
