// The platform's per-user settings store, where the POS suite keeps the location of its data:
// text values filed under an application label, a section and a key. docs/data-location.md says
// where each platform keeps them.
#ifndef KEZ_POSDATA_USER_SETTINGS_STORE_H_
#define KEZ_POSDATA_USER_SETTINGS_STORE_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kez {

// The store as clsDataPath uses it. Every value is text, as the suite itself writes them.
class UserSettingsStore {
 public:
  virtual ~UserSettingsStore() = default;

  // The key's value; nullopt when the key is missing or the store cannot be read.
  virtual std::optional<std::string> Get(std::string_view app, std::string_view section,
                                         std::string_view key) = 0;
  // Sets the key's value, creating whatever is missing. False when the store cannot be written or
  // cannot hold the value (a line break, for a file store).
  virtual bool Set(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view value) = 0;
  // Removes the key; true when it is gone afterwards (also when it was never there).
  virtual bool Remove(std::string_view app, std::string_view section, std::string_view key) = 0;
  // Where the application's values are kept, for messages: a registry key or a file path.
  virtual std::string Location(std::string_view app) const = 0;
};

// Keeps each application's values in the INI file "<folder>/<app>.ini", one section per section.
// Every change rewrites the file through a temporary file and a rename.
class IniUserSettingsStore : public UserSettingsStore {
 public:
  explicit IniUserSettingsStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

  std::optional<std::string> Get(std::string_view app, std::string_view section,
                                 std::string_view key) override;
  bool Set(std::string_view app, std::string_view section, std::string_view key,
           std::string_view value) override;
  bool Remove(std::string_view app, std::string_view section, std::string_view key) override;
  std::string Location(std::string_view app) const override;

  std::filesystem::path FileOf(std::string_view app) const;

 private:
  std::filesystem::path folder_;
};

// The folder of the INI store on systems without a registry: $XDG_CONFIG_HOME/KEZ, or
// $HOME/.config/KEZ when XDG_CONFIG_HOME is unset or empty.
std::filesystem::path DefaultIniSettingsFolder();

// This platform's store: under Windows the registry key HKEY_CURRENT_USER\Software\VB and VBA
// Program Settings\<app>\<section>, where the suite itself keeps these values (REG_SZ values
// only); elsewhere an IniUserSettingsStore in DefaultIniSettingsFolder().
std::unique_ptr<UserSettingsStore> OpenUserSettingsStore();

}  // namespace kez

#endif  // KEZ_POSDATA_USER_SETTINGS_STORE_H_
