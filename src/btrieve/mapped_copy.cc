#include "btrieve/mapped_copy.h"

#include <cstring>

#if !defined(_WIN32)
#include <pthread.h>
#include <setjmp.h>
#include <signal.h>

#include <atomic>
#endif

namespace btrieve {

#if defined(_WIN32)

bool CopyFromMapping(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  std::memcpy(out, mapped, n);
  return true;
}

#else

namespace {

// The only process-wide state of the record engine, which otherwise keeps none: a signal handler
// is process-wide by nature. The handler is installed once and chains to the one it replaced;
// each thread's copy in progress is found through a thread-local jump target, null while that
// thread copies nothing, so that a fault anywhere else still goes to the previous handler.
thread_local sigjmp_buf* copy_in_progress = nullptr;

// Constant-initialised, so the handler reads it without a guard variable; written once, before
// the handler is installed.
struct sigaction& PreviousHandler() {
  static struct sigaction previous {};
  return previous;
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* target = copy_in_progress; target != nullptr) {
    copy_in_progress = nullptr;
    siglongjmp(*target, 1);
  }
  const struct sigaction& previous = PreviousHandler();
  if ((previous.sa_flags & SA_SIGINFO) != 0) {
    if (previous.sa_sigaction != nullptr) previous.sa_sigaction(signal, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler != SIG_DFL) {
    previous.sa_handler(signal);
    return;
  }
  // No handler before ours: the fault ends the process as it would have without us.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(SIGBUS, &fallback, nullptr);
  raise(SIGBUS);
}

void InstallOnce() {
  static const bool installed = [] {
    sigaction(SIGBUS, nullptr, &PreviousHandler());
    struct sigaction ours {};
    ours.sa_sigaction = OnBusError;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    return sigaction(SIGBUS, &ours, nullptr) == 0;
  }();
  (void)installed;
}

}  // namespace

bool CopyFromMapping(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  InstallOnce();
  // The signal mask is not saved: that would cost a system call a copy, which is what mapping
  // the file saves. After a fault the handler's blocking of SIGBUS is undone by hand instead.
  sigjmp_buf target;
  if (sigsetjmp(target, 0) != 0) {
    sigset_t bus;
    sigemptyset(&bus);
    sigaddset(&bus, SIGBUS);
    pthread_sigmask(SIG_UNBLOCK, &bus, nullptr);
    return false;
  }
  copy_in_progress = &target;
  // The copy stays between the target's setting and clearing.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(out, mapped, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  copy_in_progress = nullptr;
  return true;
}

#endif

}  // namespace btrieve
