#include "cli/hex_lines.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define KEZ_HEX_AVX2 1
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

#if defined(KEZ_HEX_AVX2)
// Thirty-two bytes a step where the processor has AVX2: a digit table looked up by nibble, two
// lookups and four shuffles for 64 digits. The bytes short of a whole step end the text with
// one more step over the last 32 bytes, which writes again digits already written.
__attribute__((target("avx2"))) char* EncodeHexAvx2(const std::uint8_t* bytes, std::size_t n,
                                                    char* out) {
  const __m256i digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a',
                                          'b', 'c', 'd', 'e', 'f', '0', '1', '2', '3', '4', '5',
                                          '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
  const __m256i low_nibble = _mm256_set1_epi8(0x0F);
  // Whole steps, then one over the last 32 bytes for what is left (n is 32 or more).
  for (std::size_t done = 0; done < n;) {
    const std::size_t at = done + 32 <= n ? done : n - 32;
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
    const __m256i high =
        _mm256_shuffle_epi8(digits, _mm256_and_si256(_mm256_srli_epi16(in, 4), low_nibble));
    const __m256i low = _mm256_shuffle_epi8(digits, _mm256_and_si256(in, low_nibble));
    // The unpacks work within each 128-bit half: bytes 0-7 and 16-23, then 8-15 and 24-31.
    const __m256i first = _mm256_unpacklo_epi8(high, low);
    const __m256i second = _mm256_unpackhi_epi8(high, low);
    char* to = out + 2 * at;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                        _mm256_permute2x128_si256(first, second, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 32),
                        _mm256_permute2x128_si256(first, second, 0x31));
    done = at + 32;
  }
  return out + 2 * n;
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

}  // namespace

char* EncodeHex(const std::uint8_t* bytes, std::size_t n, char* out) {
#if defined(KEZ_HEX_AVX2)
  static const bool avx2 = HasAvx2();
  if (avx2 && n >= 32) return EncodeHexAvx2(bytes, n, out);
#endif
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
