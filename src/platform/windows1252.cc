#include "platform/windows1252.h"

#include <array>
#include <cstdint>

namespace kez {
namespace {

// Code points of the bytes 0x80..0x9F; the undefined bytes map to themselves.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

// The byte of a code point, or -1 when the code page has none.
int ByteOf(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<int>(code_point);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code_point) return static_cast<int>(0x80 + i);
  }
  return -1;
}

void AppendUtf8(char32_t code_point, std::string& out) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Decodes one well-formed UTF-8 sequence at `pos` (no overlong forms, no surrogates, nothing above
// U+10FFFF). Returns its length, 0 when the bytes there are not such a sequence.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code_point) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF) return 0;
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return 0;
  return length;
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(CodePointOf(static_cast<unsigned char>(c)), out);
  return out;
}

Windows1252Text Windows1252FromUtf8(std::string_view text) {
  Windows1252Text result;
  result.text.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    char32_t code_point = 0;
    const std::size_t length = byte < 0x80 ? 0 : DecodeUtf8(text, pos, code_point);
    if (length == 0) {
      result.text += static_cast<char>(byte);
      ++pos;
      continue;
    }
    pos += length;
    const int mapped = ByteOf(code_point);
    if (mapped < 0) {
      result.text += '?';
      result.lossless = false;
    } else {
      result.text += static_cast<char>(mapped);
    }
  }
  return result;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return Windows1252FromUtf8(
             std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()))
      .text;
}

char ToUpper1252(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A:  // s caron
    case 0x9C:  // oe ligature
    case 0x9E:  // z caron
      return static_cast<char>(byte - 0x10);
    case 0xFF:  // y diaeresis
      return static_cast<char>(0x9F);
    default:
      return c;
  }
}

bool EqualsIgnoreCase1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpper1252(a[i]) != ToUpper1252(b[i])) return false;
  }
  return true;
}

}  // namespace kez
