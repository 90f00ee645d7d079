// The two private-profile calls that the INI services are built on, giving the results of their
// Windows namesakes (GetPrivateProfileString, WritePrivateProfileString) for ordinary files, with
// the file rules of IniText. Every write replaces the file atomically.
#ifndef KEZ_SETTINGS_PRIVATE_PROFILE_H_
#define KEZ_SETTINGS_PRIVATE_PROFILE_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kez::profile {

// The size of every read buffer, terminating NUL included: a value or a list holds at most 254
// characters.
inline constexpr std::size_t kBufferSize = 255;

// A filled read buffer: kBufferSize characters, NUL after the content, and the count of
// characters the call reports.
struct ReadResult {
  std::string buffer;
  std::size_t length = 0;
};

// Reads from `file` (a missing or unreadable file reads as empty):
// - without a section: the section names, each followed by NUL;
// - with a section but without a key: that section's key names, each followed by NUL;
// - with both: the key's value, or `default_value` (less its trailing blanks) when it is absent.
// A value longer than 254 characters is cut to 254 and `length` is 254. A list that does not fit
// is cut so that its last name ends at the 253rd character and is followed by two NULs; `length`
// is then 253. Otherwise `length` counts the characters before the final NUL.
ReadResult GetString(const std::filesystem::path& file, std::optional<std::string_view> section,
                     std::optional<std::string_view> key, std::string_view default_value);

// Changes `file`: with a key and a value, sets the value (creating the file, the section or the
// entry as needed); without a value, deletes the key; without a key, deletes the section. Returns
// false when the file cannot be read or replaced, when a deletion finds no file, or when a name
// or the value cannot stand in an INI line (a line break; "]" in a section name; "=" or a leading
// "[" or ";" in a key; an empty key). Deleting what is not there succeeds without writing.
bool WriteString(const std::filesystem::path& file, std::string_view section,
                 std::optional<std::string_view> key, std::optional<std::string_view> value);

}  // namespace kez::profile

#endif  // KEZ_SETTINGS_PRIVATE_PROFILE_H_
