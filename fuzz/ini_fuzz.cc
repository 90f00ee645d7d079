// Fuzzes the INI text model: any bytes read and written back unchanged, and an edit of one value,
// key or section that changes that and nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/windows1252.h"
#include "settings/ini_text.h"

namespace {

using kez::IniText;

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = kez::ToUpper1252(c);
  return folded;
}

// Every (section, key) the file shows, with its value, names folded to one letter case.
std::map<std::pair<std::string, std::string>, std::string> AllValues(const IniText& ini) {
  std::map<std::pair<std::string, std::string>, std::string> values;
  for (const std::string& section : ini.SectionNames()) {
    if (!ini.HasSection(section)) std::abort();
    for (const std::string& key : ini.KeyNames(section)) {
      const auto value = ini.Value(section, key);
      if (!value) std::abort();
      values[{Folded(section), Folded(key)}] = *value;
    }
  }
  return values;
}

// The values must equal `before` except for those of `section` (all keys when `key` is empty).
void ExpectOthersUnchanged(const IniText& ini,
                           const std::map<std::pair<std::string, std::string>, std::string>& before,
                           std::string_view section, std::string_view key) {
  auto after = AllValues(ini);
  auto expected = before;
  const std::string folded_section = Folded(section);
  const std::string folded_key = Folded(key);
  for (auto* values : {&after, &expected}) {
    std::erase_if(*values, [&](const auto& entry) {
      return entry.first.first == folded_section &&
             (folded_key.empty() || entry.first.second == folded_key);
    });
  }
  if (after != expected) std::abort();
}

// A name from the input: one the file already has, or a new plain one.
std::string PickName(const std::vector<std::string>& names, std::uint8_t choice) {
  if (!names.empty() && choice % 2 == 0) return names[choice / 2 % names.size()];
  return "New" + std::to_string(choice);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size > 4096) return 0;
  const std::uint8_t section_choice = data[0];
  const std::uint8_t key_choice = data[1];
  const std::uint8_t action = data[2];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

  IniText ini = IniText::Parse(bytes);
  if (ini.Serialize() != bytes) std::abort();
  const auto before = AllValues(ini);

  const std::string section = PickName(ini.SectionNames(), section_choice);
  const std::string key = PickName(ini.KeyNames(section), key_choice);
  switch (action % 3) {
    case 0: {
      const std::string value = "v" + std::to_string(action);
      ini.SetValue(section, key, value);
      if (ini.Value(section, key) != value) std::abort();
      ExpectOthersUnchanged(ini, before, section, key);
      break;
    }
    case 1:
      ini.DeleteKey(section, key);
      if (ini.Value(section, key)) std::abort();
      ExpectOthersUnchanged(ini, before, section, key);
      break;
    default:
      ini.DeleteSection(section);
      if (ini.HasSection(section)) std::abort();
      ExpectOthersUnchanged(ini, before, section, "");
      break;
  }
  // What was written reads back as the same file.
  const std::string written = ini.Serialize();
  if (IniText::Parse(written).Serialize() != written) std::abort();
  return 0;
}
