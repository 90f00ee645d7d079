// A monotonic clock that costs a few nanoseconds to read and is only milliseconds fine, for
// checks made once a table operation that care about a quarter of a second: on a virtual
// machine the precise clock can cost more than the operation's own bookkeeping.
#ifndef KEZ_PLATFORM_COARSE_CLOCK_H_
#define KEZ_PLATFORM_COARSE_CLOCK_H_

#include <chrono>
#include <cstdint>

namespace kez {

struct CoarseClock {
  using rep = std::int64_t;
  using period = std::milli;
  using duration = std::chrono::milliseconds;
  using time_point = std::chrono::time_point<CoarseClock>;
  static constexpr bool is_steady = true;

  static time_point now() noexcept;
};

}  // namespace kez

#endif  // KEZ_PLATFORM_COARSE_CLOCK_H_
