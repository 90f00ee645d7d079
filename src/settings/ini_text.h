// The text of one INI file, kept line for line so that an edit changes only the lines it must:
// comments, blank lines, line ends, the order of sections and keys, and everything outside the
// edited entry stay byte for byte.
//
// Reading follows the Windows private-profile functions on ordinary files. A section runs from a
// line "[name]" to the next such line; parts of a file under the same name are one section. A
// line "key=value" is an entry; a non-blank line without "=" is a key with an empty value; a line
// whose first non-blank character is ";" is a comment. Names and values lose surrounding blanks
// and tabs, a value also one pair of matching quotes (" or '). Names compare without regard to
// letter case. Lines before the first section belong to none and are never touched.
#ifndef KEZ_SETTINGS_INI_TEXT_H_
#define KEZ_SETTINGS_INI_TEXT_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kez {

class IniText {
 public:
  // Splits `bytes` into lines; CR LF, LF and CR each end a line. Never fails.
  static IniText Parse(std::string_view bytes);

  // The file's bytes: unedited lines exactly as read, edited and new lines ending in CR LF.
  std::string Serialize() const;

  // One name per section in order of first appearance, spelled as there.
  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;
  // One name per key of the section in file order, spelled as at its first entry; empty when the
  // section is absent or has no keys.
  std::vector<std::string> KeyNames(std::string_view section) const;
  // The value of the key's first entry; nullopt when the section or the key is absent.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Gives the key's first entry the value, rewriting that line as key=value with the key spelled
  // as in the file. Without an entry, adds one after the last non-blank line of the section;
  // without the section, adds the section at the end of the file.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes every entry of the key from the section. Returns false when there was none.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes every part of the section: header and all lines up to the next header. Returns false
  // when there was none.
  bool DeleteSection(std::string_view section);

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", "\r", or "" for a last line without one
  };

  // The section a line opens, or nullopt when it is no header.
  static std::optional<std::string_view> HeaderName(std::string_view line);
  // The key of an entry line, or nullopt when it is no entry.
  static std::optional<std::string_view> EntryKey(std::string_view line);
  // The value of an entry line (blanks and one pair of quotes removed).
  static std::string EntryValue(std::string_view line);

  // Lines [first, last) of each part of the section, in file order.
  std::vector<std::pair<std::size_t, std::size_t>> Parts(std::string_view section) const;
  // Index of the key's first entry, or nullopt.
  std::optional<std::size_t> FindEntry(std::string_view section, std::string_view key) const;
  // Inserts a line before `index`, giving an unterminated line above it a line end.
  void InsertLine(std::size_t index, std::string text);

  std::string bom_;  // a UTF-8 byte-order mark found at the start, written back as it was
  std::vector<Line> lines_;
};

}  // namespace kez

#endif  // KEZ_SETTINGS_INI_TEXT_H_
