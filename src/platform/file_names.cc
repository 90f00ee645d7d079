#include "platform/file_names.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace kez {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNameAnyCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

}  // namespace

std::filesystem::path FindFileAnyCase(const std::filesystem::path& folder, std::string_view name) {
  const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;
  // A folder that cannot be listed leaves the exact name, whose opening then reports the fault.
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (SameNameAnyCase(entry->path().filename().string(), name)) return entry->path();
  }
  return exact;
}

}  // namespace kez
