#include "platform/program_folder.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
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

std::filesystem::path UserDataFolder() {
#ifdef _WIN32
  if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0') {
    return std::filesystem::path(local);
  }
#else
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    return std::filesystem::path(data);
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".local" / "share";
  }
#endif
  return {};
}

bool CanCreateFilesIn(const std::filesystem::path& folder) {
  // Permission bits do not tell (an administrator, a read-only mount, ACLs): try it.
  const std::filesystem::path probe = folder / (".kez-write-test-" + std::to_string(
#ifdef _WIN32
                                                                         ::GetCurrentProcessId()
#else
                                                                         ::getpid()
#endif
                                                                             ));
  std::error_code code;
  {
    std::ofstream out(probe, std::ios::binary);
    if (!out) return false;
  }
  std::filesystem::remove(probe, code);
  return true;
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
