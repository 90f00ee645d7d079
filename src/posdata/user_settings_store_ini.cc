#include <cstdlib>

#include "platform/file_io.h"
#include "posdata/user_settings_store.h"
#include "settings/ini_text.h"

namespace kez {
namespace {

// The file's text; a missing file reads as empty, an unreadable one as nullopt.
std::optional<IniText> ReadIni(const std::filesystem::path& file) {
  std::error_code code;
  if (!std::filesystem::exists(file, code)) return IniText::Parse("");
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(file, &bytes, &error)) return std::nullopt;
  return IniText::Parse(bytes);
}

bool FitsOneLine(std::string_view text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

std::filesystem::path IniUserSettingsStore::FileOf(std::string_view app) const {
  return folder_ / (std::string(app) + ".ini");
}

std::string IniUserSettingsStore::Location(std::string_view app) const {
  return FileOf(app).string();
}

std::optional<std::string> IniUserSettingsStore::Get(std::string_view app, std::string_view section,
                                                     std::string_view key) {
  const std::optional<IniText> ini = ReadIni(FileOf(app));
  if (!ini) return std::nullopt;
  return ini->Value(section, key);
}

bool IniUserSettingsStore::Set(std::string_view app, std::string_view section, std::string_view key,
                               std::string_view value) {
  if (!FitsOneLine(value) || !FitsOneLine(key) || !FitsOneLine(section)) return false;
  std::optional<IniText> ini = ReadIni(FileOf(app));
  if (!ini) return false;
  ini->SetValue(section, key, value);
  std::error_code code;
  std::filesystem::create_directories(folder_, code);
  std::string error;
  // The suite's data location is private to the user, like the rest of a settings store.
  return ReplaceFileAtomically(FileOf(app), ini->Serialize(), FileAccess::kOwnerOnly, &error);
}

bool IniUserSettingsStore::Remove(std::string_view app, std::string_view section,
                                  std::string_view key) {
  std::optional<IniText> ini = ReadIni(FileOf(app));
  if (!ini) return false;
  if (!ini->DeleteKey(section, key)) return true;
  std::string error;
  return ReplaceFileAtomically(FileOf(app), ini->Serialize(), FileAccess::kOwnerOnly, &error);
}

std::filesystem::path DefaultIniSettingsFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return std::filesystem::path(config) / "KEZ";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "KEZ";
}

#ifndef _WIN32
std::unique_ptr<UserSettingsStore> OpenUserSettingsStore() {
  return std::make_unique<IniUserSettingsStore>(DefaultIniSettingsFolder());
}
#endif

}  // namespace kez
