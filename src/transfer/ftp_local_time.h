// Turns the UTC times that FTP listings carry into the machine's local time.
#ifndef KEZ_TRANSFER_FTP_LOCAL_TIME_H_
#define KEZ_TRANSFER_FTP_LOCAL_TIME_H_

#include "platform/host.h"

namespace kez {

// A calendar date and time of day in UTC, as a listing gives it.
struct UtcDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const UtcDateTime&, const UtcDateTime&) = default;
};

// The date-time a listing entry gets when its time cannot be converted: the zero date.
inline constexpr LocalDateTime kZeroDateTime{1899, 12, 30, 0, 0, 0, 0};

// Fills `local` with the local date and time of `utc` by the machine's time zone and returns
// 0, or returns the system's error number and leaves `local` alone.
int UtcToLocal(const UtcDateTime& utc, LocalDateTime* local);

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_LOCAL_TIME_H_
