// clsINI_Services: reads and writes one INI file through the private-profile calls. A caller names
// the file with File_Name, checks FileOpen, then reads with GetValue or writes with WriteData;
// listing, searching, deleting and renaming complete the class.
#ifndef KEZ_SETTINGS_INI_SERVICES_H_
#define KEZ_SETTINGS_INI_SERVICES_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace kez {

// One key of a section with its value.
struct IniKeyValue {
  std::string key;
  std::string value;
};

// One key found by a search of the whole file, with its section.
struct IniSectionKey {
  std::string section;
  std::string key;
};

// The text of the "INI Class" error box: "Error Number: " and the number, a line break, the
// description, and, when the label is not empty, two line breaks and the label.
std::string IniErrorText(int number, std::string_view description, std::string_view label);

class clsINI_Services {
 public:
  // `host` shows the error box of an operation that fails unexpectedly (out of memory).
  explicit clsINI_Services(Host& host) : host_(host) {}

  // Keeps the path and checks the file: deleting the empty-named section ("[]") must succeed,
  // which needs an existing file (and, when it holds such a section, a writable one). After a
  // failed check File is empty and FileOpen false.
  void File_Name(const std::filesystem::path& fName);
  // The path kept by the last check; empty after a failed one.
  const std::filesystem::path& File() const { return file_; }
  // True when the last check succeeded. While false, every operation below except GetValue does
  // nothing and returns false or an empty result.
  bool FileOpen() const { return file_open_; }

  // Sets the key's value; true when the file was written.
  bool WriteData(std::string_view sectionName, std::string_view KeyName, std::string_view keyValue);
  // Without a value deletes the key, without a key the whole section; with both it writes the
  // value. True when the file call succeeded.
  bool DeleteData(std::string_view sectionName, std::optional<std::string_view> KeyName,
                  std::optional<std::string_view> keyValue);

  // The section names (as far as they fit the 254-character list); {""} for a file without any.
  std::vector<std::string> GetAllSections();
  // The section's key names (as far as they fit); {""} when it has none or does not exist.
  std::vector<std::string> GetAllKeysInSection(std::string_view sectionName);
  // One row per element of GetAllKeysInSection, with the value as GetValue reads it.
  std::vector<IniKeyValue> GetAllKeysValuesInSection(std::string_view sectionName);
  // The key's value cut to 254 characters; the default (cut likewise) when the key is missing.
  // Does not look at FileOpen.
  std::string GetValue(std::string_view sectionName, std::string_view KeyName,
                       std::string_view sDefaultVal = "");

  // The sections that hold the key (names compared without regard to letter case).
  std::vector<std::string> FindKeyInFile(std::string_view KeyName);
  // True when the section holds the key.
  bool FindKeyInSection(std::string_view sectionName, std::string_view KeyName);
  // The keys of the section whose value equals `keyValue` without regard to letter case.
  std::vector<std::string> FindValueInSection(std::string_view sectionName,
                                              std::string_view keyValue);
  // Section and key of every value in the file that equals `keyValue`.
  std::vector<IniSectionKey> FindValueInFile(std::string_view keyValue);

  // Moves the section's keys and values, in their order, to a section of the new name (appended
  // at the end of the file). A section without keys becomes an empty section of the new name.
  // False when the old section cannot be deleted.
  bool RenameSection(std::string_view sectionName, std::string_view newSectionName);
  // Moves the key's value to a key of the new name at the end of the section. False when the old
  // key cannot be deleted.
  bool RenameKey(std::string_view sectionName, std::string_view KeyName,
                 std::string_view newKeyName);

 private:
  // Runs `operation`; when it throws, shows the error box with `label` and returns `fallback`.
  template <typename Result, typename Operation>
  Result Guarded(std::string_view label, Result fallback, Operation&& operation);

  std::vector<std::string> KeysIn(std::string_view sectionName);
  std::vector<IniKeyValue> KeysValuesIn(std::string_view sectionName);
  std::string ValueOf(std::string_view sectionName, std::string_view KeyName,
                      std::string_view sDefaultVal);
  std::vector<std::string> KeysWithValue(std::string_view sectionName, std::string_view keyValue);
  bool HasKey(std::string_view sectionName, std::string_view KeyName);

  Host& host_;
  std::filesystem::path file_;
  bool file_open_ = false;
};

}  // namespace kez

#endif  // KEZ_SETTINGS_INI_SERVICES_H_
