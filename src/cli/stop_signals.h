// StopSignals: SIGTERM and SIGINT as a stop request for the daemon. The first asks it to stop
// once the running job, if any, has ended; a second one while it is still going ends the process
// at once with kExitStopped (files are written whole or not at all, so an abandoned job leaves
// only an upload cut short, which the next run or kezagg resend sends again).
//
// No signal handler runs and nothing global is touched: the signals are blocked in every thread,
// and a watcher thread takes them with sigtimedwait.
#ifndef KEZ_CLI_STOP_SIGNALS_H_
#define KEZ_CLI_STOP_SIGNALS_H_

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kez::cli {

class StopSignals {
 public:
  // Blocks the signals in the calling thread, and so in every thread it starts later: make it
  // before any other thread exists. `stderr` gets one line per signal.
  StopSignals();
  // Stops the watcher and restores the signal mask.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Waits until a stop is requested or `timeout` has passed; true when a stop is requested.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool requested() const;
  // The name of the signal that asked for the stop ("SIGTERM"); empty before one.
  std::string signal_name() const;

 private:
  void Watch();

  sigset_t signals_{};
  sigset_t previous_mask_{};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int received_ = 0;
  std::string signal_name_;
  std::atomic<bool> quit_{false};
  std::thread watcher_;
};

}  // namespace kez::cli

#endif  // KEZ_CLI_STOP_SIGNALS_H_
