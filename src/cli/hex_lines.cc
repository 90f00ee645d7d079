#include "cli/hex_lines.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kez::cli {
namespace {

// The two lowercase hex digits of every byte value.
struct HexPairs {
  char digits[256][2];
};

constexpr HexPairs MakeHexPairs() {
  constexpr char kDigits[] = "0123456789abcdef";
  HexPairs pairs{};
  for (int i = 0; i < 256; ++i) {
    pairs.digits[i][0] = kDigits[i >> 4];
    pairs.digits[i][1] = kDigits[i & 0xF];
  }
  return pairs;
}

constexpr HexPairs kHexPairs = MakeHexPairs();

#if defined(__SSE2__)
// Sixteen nibbles (0-15) as their digits: '0' + n, and 39 more for a-f.
__m128i Digits(__m128i nibbles) {
  const __m128i letters = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
  const __m128i base = _mm_add_epi8(nibbles, _mm_set1_epi8('0'));
  return _mm_add_epi8(base, _mm_and_si128(letters, _mm_set1_epi8('a' - '0' - 10)));
}
#endif

}  // namespace

char* EncodeHex(const std::uint8_t* bytes, std::size_t n, char* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // A table lookup per byte is most of a dump's own work; sixteen bytes at a time are ten times
  // fewer instructions.
  const __m128i low_nibble = _mm_set1_epi8(0x0F);
  for (; i + 16 <= n; i += 16) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i high = Digits(_mm_and_si128(_mm_srli_epi16(in, 4), low_nibble));
    const __m128i low = Digits(_mm_and_si128(in, low_nibble));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(high, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(high, low));
    out += 32;
  }
#endif
  for (; i < n; ++i) {
    std::memcpy(out, kHexPairs.digits[bytes[i]], 2);
    out += 2;
  }
  return out;
}

void HexLines::Add(const std::uint8_t* bytes, std::size_t n) {
  const std::size_t line = n * 2 + 1;
  if (used_ + line > buffer_.size()) {
    Flush();
    if (line > buffer_.size()) buffer_.resize(line);
  }
  char* end = EncodeHex(bytes, n, buffer_.data() + used_);
  *end = '\n';
  used_ += line;
}

void HexLines::Flush() {
  if (used_ > 0) std::fwrite(buffer_.data(), 1, used_, out_);
  used_ = 0;
}

}  // namespace kez::cli
