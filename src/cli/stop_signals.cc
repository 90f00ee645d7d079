#include "cli/stop_signals.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/exit_codes.h"

namespace kez::cli {
namespace {

// How often the watcher looks whether it is to end.
constexpr long kWatchIntervalNs = 200'000'000;

}  // namespace

StopSignals::StopSignals() {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGTERM);
  sigaddset(&signals_, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals_, &previous_mask_);
  watcher_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
  quit_ = true;
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
}

void StopSignals::Watch() {
  const timespec interval{0, kWatchIntervalNs};
  while (!quit_) {
    siginfo_t info{};
    const int signal = sigtimedwait(&signals_, &info, &interval);
    if (signal <= 0) continue;
    const char* name = signal == SIGTERM ? "SIGTERM" : "SIGINT";
    std::unique_lock lock(mutex_);
    if (++received_ > 1) {
      std::fprintf(stderr, "kezagg: %s again: ending now, the running job abandoned\n", name);
      std::fflush(stderr);
      std::_Exit(kExitStopped);
    }
    signal_name_ = name;
    std::fprintf(stderr, "kezagg: %s: stopping once the running job, if any, has ended\n", name);
    std::fflush(stderr);
    lock.unlock();
    changed_.notify_all();
  }
}

bool StopSignals::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return received_ > 0; });
}

bool StopSignals::requested() const {
  const std::lock_guard lock(mutex_);
  return received_ > 0;
}

std::string StopSignals::signal_name() const {
  const std::lock_guard lock(mutex_);
  return signal_name_;
}

}  // namespace kez::cli
