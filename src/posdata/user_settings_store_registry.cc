// The per-user settings store under Windows: the registry key in which the suite's own programs
// keep their settings, "HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>",
// one REG_SZ value per key. Values of other types are treated as missing, and only REG_SZ values
// are written, so the suite reads back what this program writes.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/windows1252.h"
#include "posdata/user_settings_store.h"

namespace kez {
namespace {

constexpr const char* kRoot = "Software\\VB and VBA Program Settings\\";

std::wstring Wide(std::string_view text) {
  const std::string utf8 = Utf8FromWindows1252(text);
  if (utf8.empty()) return std::wstring();
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
  return Windows1252FromUtf8(utf8).text;
}

std::wstring KeyPath(std::string_view app, std::string_view section) {
  return Wide(std::string(kRoot) + std::string(app) + "\\" + std::string(section));
}

// The store as the registry holds it.
class RegistryUserSettingsStore : public UserSettingsStore {
 public:
  std::optional<std::string> Get(std::string_view app, std::string_view section,
                                 std::string_view key) override {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                        &handle) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    const std::wstring name = Wide(key);
    DWORD type = 0;
    DWORD bytes = 0;
    std::optional<std::string> value;
    if (::RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
      if (::RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(text.data()), &bytes) == ERROR_SUCCESS) {
        text.resize(wcsnlen(text.c_str(), text.size()));
        value = Narrow(text);
      }
    }
    ::RegCloseKey(handle);
    return value;
  }

  bool Set(std::string_view app, std::string_view section, std::string_view key,
           std::string_view value) override {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const std::wstring text = Wide(value);
    const LONG result = ::RegSetValueExW(handle, Wide(key).c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS;
  }

  bool Remove(std::string_view app, std::string_view section, std::string_view key) override {
    HKEY handle = nullptr;
    const LONG opened = ::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0,
                                        KEY_SET_VALUE, &handle);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG result = ::RegDeleteValueW(handle, Wide(key).c_str());
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }

  std::string Location(std::string_view app) const override {
    return "HKEY_CURRENT_USER\\" + std::string(kRoot) + std::string(app);
  }
};

}  // namespace

std::unique_ptr<UserSettingsStore> OpenUserSettingsStore() {
  return std::make_unique<RegistryUserSettingsStore>();
}

}  // namespace kez

#endif  // _WIN32
