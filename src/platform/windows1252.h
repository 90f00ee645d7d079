// Windows-1252, the single-byte code page of every text the system keeps in memory and writes to
// its own files, and its conversion to and from UTF-8 where text leaves that world (portal.xml,
// the screen, file names).
#ifndef KEZ_PLATFORM_WINDOWS1252_H_
#define KEZ_PLATFORM_WINDOWS1252_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace kez {

// The UTF-8 form of single-byte text. Every byte has a character: the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, as the Windows conversion does, so that every text survives the round trip.
std::string Utf8FromWindows1252(std::string_view text);

// The single-byte form of a UTF-8 text, and whether every character had a place in the code page.
struct Windows1252Text {
  std::string text;
  bool lossless = true;
};

// Converts UTF-8 to single-byte text. A character the code page lacks becomes "?" and clears
// `lossless`. A byte that does not begin a valid UTF-8 sequence is taken as a Windows-1252 byte as
// it stands, so a hand-edited file saved in the code page reads as its author meant it.
Windows1252Text Windows1252FromUtf8(std::string_view text);

// The single-byte text of a path, for messages and log lines.
std::string PathText(const std::filesystem::path& path);

// The upper-case letter of a Windows-1252 character (accented letters included); other
// characters are returned unchanged.
char ToUpper1252(char c);

// True when both texts are equal without regard to letter case, as the system compares INI
// section and key names and searched values.
bool EqualsIgnoreCase1252(std::string_view a, std::string_view b);

}  // namespace kez

#endif  // KEZ_PLATFORM_WINDOWS1252_H_
