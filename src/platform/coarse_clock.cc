#include "platform/coarse_clock.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__linux__)
#include <time.h>
#endif

namespace kez {

CoarseClock::time_point CoarseClock::now() noexcept {
#if defined(_WIN32)
  return time_point(duration(static_cast<rep>(GetTickCount64())));
#elif defined(__linux__)
  timespec at{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &at);
  return time_point(duration(static_cast<rep>(at.tv_sec) * 1000 + at.tv_nsec / 1000000));
#else
  return time_point(
      std::chrono::duration_cast<duration>(std::chrono::steady_clock::now().time_since_epoch()));
#endif
}

}  // namespace kez
