#include "transfer/ftp_local_time.h"

#include <cerrno>
#include <chrono>
#include <ctime>

namespace kez {

int UtcToLocal(const UtcDateTime& utc, LocalDateTime* local) {
  using namespace std::chrono;
  const year_month_day date{year{utc.year}, month{static_cast<unsigned>(utc.month)},
                            day{static_cast<unsigned>(utc.day)}};
  if (!date.ok()) return EINVAL;
  const sys_seconds moment =
      sys_days{date} + hours{utc.hour} + minutes{utc.minute} + seconds{utc.second};
  const std::time_t t = static_cast<std::time_t>(moment.time_since_epoch().count());
  std::tm parts{};
#ifdef _WIN32
  if (const errno_t error = localtime_s(&parts, &t); error != 0) return error;
#else
  errno = 0;
  if (localtime_r(&t, &parts) == nullptr) return errno != 0 ? errno : EOVERFLOW;
#endif
  *local = LocalDateTime{parts.tm_year + 1900,
                         parts.tm_mon + 1,
                         parts.tm_mday,
                         parts.tm_hour,
                         parts.tm_min,
                         parts.tm_sec,
                         0};
  return 0;
}

}  // namespace kez
