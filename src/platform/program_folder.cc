#include "platform/program_folder.h"

#include <chrono>
#include <ctime>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace kez {

std::filesystem::path ProgramFolder() {
  std::error_code code;
#ifdef _WIN32
  wchar_t buffer[32768];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
  if (length > 0 && length < 32768) return std::filesystem::path(buffer).parent_path();
#else
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", code);
  if (!code) return exe.parent_path();
#endif
  return std::filesystem::current_path(code);
}

LocalDateTime CurrentLocalDateTime() {
  using namespace std::chrono;
  const system_clock::time_point now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
#ifdef _WIN32
  ::localtime_s(&local, &seconds);
#else
  ::localtime_r(&seconds, &local);
#endif
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return LocalDateTime{local.tm_year + 1900,    local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,           local.tm_min,     local.tm_sec,
                       static_cast<int>(millis)};
}

}  // namespace kez
