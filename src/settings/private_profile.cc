#include "settings/private_profile.h"

#include <system_error>
#include <vector>

#include "platform/file_io.h"
#include "settings/ini_text.h"

namespace kez::profile {
namespace {

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

bool CanStandInLine(std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value) {
  if (HasLineBreak(section) || section.find(']') != section.npos) return false;
  if (key) {
    const std::size_t first = key->find_first_not_of(" \t");
    if (first == key->npos || (*key)[first] == '[' || (*key)[first] == ';') return false;
    if (HasLineBreak(*key) || key->find('=') != key->npos) return false;
  }
  return !value || !HasLineBreak(*value);
}

// The file as INI text; a file that is missing or cannot be read gives an empty one.
IniText ReadIni(const std::filesystem::path& file) {
  std::string bytes;
  std::string ignored;
  if (!ReadWholeFile(file, &bytes, &ignored)) bytes.clear();
  return IniText::Parse(bytes);
}

ReadResult ListBuffer(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  ReadResult result;
  if (list.size() + 1 <= kBufferSize) {
    result.length = list.size();
  } else {
    list.resize(kBufferSize - 2);
    list += '\0';
    result.length = kBufferSize - 2;
  }
  result.buffer = std::move(list);
  result.buffer.resize(kBufferSize, '\0');
  return result;
}

ReadResult ValueBuffer(std::string value) {
  ReadResult result;
  if (value.size() > kBufferSize - 1) value.resize(kBufferSize - 1);
  result.length = value.size();
  result.buffer = std::move(value);
  result.buffer.resize(kBufferSize, '\0');
  return result;
}

}  // namespace

ReadResult GetString(const std::filesystem::path& file, std::optional<std::string_view> section,
                     std::optional<std::string_view> key, std::string_view default_value) {
  const IniText ini = ReadIni(file);
  if (!section) return ListBuffer(ini.SectionNames());
  if (!key) return ListBuffer(ini.KeyNames(*section));
  if (std::optional<std::string> value = ini.Value(*section, *key)) {
    return ValueBuffer(std::move(*value));
  }
  const std::size_t last = default_value.find_last_not_of(' ');
  return ValueBuffer(
      std::string(default_value.substr(0, last == default_value.npos ? 0 : last + 1)));
}

bool WriteString(const std::filesystem::path& file, std::string_view section,
                 std::optional<std::string_view> key, std::optional<std::string_view> value) {
  if (!CanStandInLine(section, key, value)) return false;
  std::error_code code;
  const bool exists = std::filesystem::exists(file, code);
  const bool deleting = !key || !value;
  if (!exists && deleting) return false;

  std::string before;
  std::string error;
  if (exists && !ReadWholeFile(file, &before, &error)) return false;
  IniText ini = IniText::Parse(before);
  if (!key) {
    ini.DeleteSection(section);
  } else if (!value) {
    ini.DeleteKey(section, *key);
  } else {
    ini.SetValue(section, *key, *value);
  }
  const std::string after = ini.Serialize();
  if (exists && after == before) return true;
  return ReplaceFileAtomically(file, after, FileAccess::kShared, &error);
}

}  // namespace kez::profile
