#include "settings/ini_services.h"

#include <exception>
#include <new>

#include "platform/windows1252.h"
#include "settings/private_profile.h"

namespace kez {
namespace {

// Walks a list buffer as the class always has: characters 1 to (length - 1), a NUL starting the
// next element, so the result has one element more than it has NULs in that range.
std::vector<std::string> SplitList(const profile::ReadResult& read) {
  std::vector<std::string> names(1);
  for (std::size_t i = 0; i + 1 < read.length; ++i) {
    if (read.buffer[i] == '\0') {
      names.emplace_back();
    } else {
      names.back() += read.buffer[i];
    }
  }
  return names;
}

std::string UpToNul(const profile::ReadResult& read) {
  if (read.length == 0) return {};
  return read.buffer.substr(0, read.buffer.find('\0'));
}

}  // namespace

std::string IniErrorText(int number, std::string_view description, std::string_view label) {
  std::string text = "Error Number: " + std::to_string(number) + "\r\n" + std::string(description);
  if (!label.empty()) {
    text += "\r\n\r\n";
    text += label;
  }
  return text;
}

template <typename Result, typename Operation>
Result clsINI_Services::Guarded(std::string_view label, Result fallback, Operation&& operation) {
  int number = 0;
  std::string description;
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    number = 7;
    description = "Out of memory";
  } catch (const std::exception& error) {
    number = 51;
    description = error.what();
  }
  host_.ShowMessage(IniErrorText(number, description, label), MessageButtons::kOk,
                    MessageIcon::kCritical, "INI Class", MessageKind::kInformation);
  return fallback;
}

void clsINI_Services::File_Name(const std::filesystem::path& fName) {
  Guarded("Checkexist", false, [&] {
    file_ = fName;
    file_open_ = true;
    if (!profile::WriteString(file_, "", std::nullopt, std::nullopt)) {
      file_.clear();
      file_open_ = false;
    }
    return file_open_;
  });
}

bool clsINI_Services::WriteData(std::string_view sectionName, std::string_view KeyName,
                                std::string_view keyValue) {
  return Guarded("Write Date Class INI", false, [&] {
    return file_open_ && profile::WriteString(file_, sectionName, KeyName, keyValue);
  });
}

bool clsINI_Services::DeleteData(std::string_view sectionName,
                                 std::optional<std::string_view> KeyName,
                                 std::optional<std::string_view> keyValue) {
  return Guarded("Delete Data Class INI", false, [&] {
    return file_open_ && profile::WriteString(file_, sectionName, KeyName, keyValue);
  });
}

std::vector<std::string> clsINI_Services::GetAllSections() {
  return Guarded("GetAllSections Class INI ", std::vector<std::string>{}, [&] {
    if (!file_open_) return std::vector<std::string>{};
    return SplitList(profile::GetString(file_, std::nullopt, std::nullopt, ""));
  });
}

std::vector<std::string> clsINI_Services::KeysIn(std::string_view sectionName) {
  if (!file_open_) return {};
  return SplitList(profile::GetString(file_, sectionName, std::nullopt, ""));
}

std::vector<std::string> clsINI_Services::GetAllKeysInSection(std::string_view sectionName) {
  return Guarded("KeysIn Section Class INI", std::vector<std::string>{},
                 [&] { return KeysIn(sectionName); });
}

std::vector<IniKeyValue> clsINI_Services::KeysValuesIn(std::string_view sectionName) {
  std::vector<IniKeyValue> rows;
  for (std::string& key : KeysIn(sectionName)) {
    std::string value = ValueOf(sectionName, key, "");
    rows.push_back({std::move(key), std::move(value)});
  }
  return rows;
}

std::vector<IniKeyValue> clsINI_Services::GetAllKeysValuesInSection(std::string_view sectionName) {
  return Guarded("Get All KeyValues Class INI", std::vector<IniKeyValue>{},
                 [&] { return KeysValuesIn(sectionName); });
}

std::string clsINI_Services::ValueOf(std::string_view sectionName, std::string_view KeyName,
                                     std::string_view sDefaultVal) {
  return UpToNul(profile::GetString(file_, sectionName, KeyName, sDefaultVal));
}

std::string clsINI_Services::GetValue(std::string_view sectionName, std::string_view KeyName,
                                      std::string_view sDefaultVal) {
  return Guarded("Get Value Class ini", std::string{},
                 [&] { return ValueOf(sectionName, KeyName, sDefaultVal); });
}

bool clsINI_Services::HasKey(std::string_view sectionName, std::string_view KeyName) {
  for (const std::string& key : KeysIn(sectionName)) {
    if (EqualsIgnoreCase1252(key, KeyName)) return true;
  }
  return false;
}

std::vector<std::string> clsINI_Services::FindKeyInFile(std::string_view KeyName) {
  return Guarded("Find Key IN File Class ini", std::vector<std::string>{}, [&] {
    std::vector<std::string> sections;
    if (!file_open_) return sections;
    for (std::string& section :
         SplitList(profile::GetString(file_, std::nullopt, std::nullopt, ""))) {
      if (HasKey(section, KeyName)) sections.push_back(std::move(section));
    }
    return sections;
  });
}

bool clsINI_Services::FindKeyInSection(std::string_view sectionName, std::string_view KeyName) {
  return Guarded("Find Key In Section Class INI", false,
                 [&] { return HasKey(sectionName, KeyName); });
}

std::vector<std::string> clsINI_Services::KeysWithValue(std::string_view sectionName,
                                                        std::string_view keyValue) {
  std::vector<std::string> keys;
  for (IniKeyValue& row : KeysValuesIn(sectionName)) {
    if (EqualsIgnoreCase1252(row.value, keyValue)) keys.push_back(std::move(row.key));
  }
  return keys;
}

std::vector<std::string> clsINI_Services::FindValueInSection(std::string_view sectionName,
                                                             std::string_view keyValue) {
  return Guarded("Find Value in Section", std::vector<std::string>{},
                 [&] { return KeysWithValue(sectionName, keyValue); });
}

std::vector<IniSectionKey> clsINI_Services::FindValueInFile(std::string_view keyValue) {
  return Guarded("Find Value in File", std::vector<IniSectionKey>{}, [&] {
    std::vector<IniSectionKey> found;
    if (!file_open_) return found;
    for (const std::string& section :
         SplitList(profile::GetString(file_, std::nullopt, std::nullopt, ""))) {
      for (std::string& key : KeysWithValue(section, keyValue)) {
        found.push_back({section, std::move(key)});
      }
    }
    return found;
  });
}

bool clsINI_Services::RenameSection(std::string_view sectionName, std::string_view newSectionName) {
  return Guarded("", false, [&] {
    if (!file_open_) return false;
    const std::vector<IniKeyValue> rows = KeysValuesIn(sectionName);
    if (!profile::WriteString(file_, sectionName, std::nullopt, std::nullopt)) return false;
    if (rows.size() == 1 && rows.front().key.empty()) {
      // A section exists in the file only through an entry, so an empty one is made by writing a
      // placeholder key and deleting it again, which leaves the header alone.
      const bool written = profile::WriteString(file_, newSectionName, "dummy", "");
      const bool deleted = profile::WriteString(file_, newSectionName, "dummy", std::nullopt);
      return written && deleted;
    }
    for (const IniKeyValue& row : rows) {
      profile::WriteString(file_, newSectionName, row.key, row.value);
    }
    return true;
  });
}

bool clsINI_Services::RenameKey(std::string_view sectionName, std::string_view KeyName,
                                std::string_view newKeyName) {
  return Guarded("", false, [&] {
    if (!file_open_) return false;
    const std::string value = ValueOf(sectionName, KeyName, "");
    if (!profile::WriteString(file_, sectionName, KeyName, std::nullopt)) return false;
    profile::WriteString(file_, sectionName, newKeyName, value);
    return true;
  });
}

}  // namespace kez
