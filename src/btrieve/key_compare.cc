#include "btrieve/key_compare.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "btrieve/byte_order.h"

namespace btrieve {
namespace {

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

std::uint8_t Fold(std::uint8_t c, const std::uint8_t* acs, bool case_insensitive) {
  if (acs != nullptr) return acs[c];
  if (case_insensitive && c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 32);
  return c;
}

int CompareText(const std::uint8_t* a, std::size_t an, const std::uint8_t* b, std::size_t bn,
                const std::uint8_t* acs, bool case_insensitive) {
  const std::size_t n = std::min(an, bn);
  if (acs == nullptr && !case_insensitive) {
    if (int c = n == 0 ? 0 : std::memcmp(a, b, n); c != 0) return c < 0 ? -1 : 1;
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t x = Fold(a[i], acs, case_insensitive);
      const std::uint8_t y = Fold(b[i], acs, case_insensitive);
      if (x != y) return x < y ? -1 : 1;
    }
  }
  return Order(an, bn);
}

std::int64_t SignedLe(const std::uint8_t* p, std::uint16_t length) {
  // The widths keys use, loaded whole: a key walk compares two keys or more a record.
  switch (length) {
    case 2:
      return static_cast<std::int16_t>(LoadU16(p));
    case 4:
      return static_cast<std::int32_t>(LoadU32(p));
    case 8:
      return static_cast<std::int64_t>(LoadU64(p));
    default:
      break;
  }
  std::uint64_t value = 0;
  for (int i = length - 1; i >= 0; --i) value = (value << 8) | p[i];
  if (length < 8 && (p[length - 1] & 0x80)) value |= ~0ull << (8 * length);
  return static_cast<std::int64_t>(value);
}

int CompareUnsignedLe(const std::uint8_t* a, const std::uint8_t* b, std::uint16_t length) {
  for (int i = length - 1; i >= 0; --i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

double FloatValue(const std::uint8_t* p, std::uint16_t length) {
  if (length == 4) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
  }
  double d;
  std::memcpy(&d, p, 8);
  return d;
}

// Microsoft Binary Format: last byte the exponent (bias 129), sign in the top bit of the byte
// before it, the mantissa below with an implied leading 1.
double BfloatValue(const std::uint8_t* p, std::uint16_t length) {
  const std::uint8_t exponent = p[length - 1];
  if (exponent == 0) return 0.0;
  const bool negative = (p[length - 2] & 0x80) != 0;
  double mantissa = (p[length - 2] & 0x7F) | 0x80;
  for (int i = length - 3; i >= 0; --i) mantissa = mantissa * 256.0 + p[i];
  const int mantissa_bits = 8 * (length - 1);
  const double value = std::ldexp(mantissa, exponent - 129 - (mantissa_bits - 1));
  return negative ? -value : value;
}

// A decimal number held as a sign and a string of digits of fixed length; numbers of one
// segment share the length, so digit strings compare as numbers.
struct DigitString {
  bool negative = false;
  std::uint8_t digits[160];
  std::size_t count = 0;
  bool IsZero() const {
    return std::all_of(digits, digits + count, [](std::uint8_t d) { return d == 0; });
  }
};

int CompareDigitStrings(const DigitString& a, const DigitString& b) {
  const bool a_negative = a.negative && !a.IsZero();
  const bool b_negative = b.negative && !b.IsZero();
  if (a_negative != b_negative) return a_negative ? -1 : 1;
  const std::size_t n = std::max(a.count, b.count);
  for (std::size_t i = 0; i < n; ++i) {
    // Align to the right: a shorter string has leading zeros.
    const std::uint8_t x = i + a.count >= n ? a.digits[i + a.count - n] : 0;
    const std::uint8_t y = i + b.count >= n ? b.digits[i + b.count - n] : 0;
    if (x != y) return (x < y) != a_negative ? -1 : 1;
  }
  return 0;
}

// Packed BCD: two digits a byte, the last nibble the sign (D or B negative).
DigitString PackedDecimal(const std::uint8_t* p, std::uint16_t length) {
  DigitString d;
  for (std::uint16_t i = 0; i < length && d.count + 2 < sizeof d.digits; ++i) {
    d.digits[d.count++] = p[i] >> 4;
    if (i + 1 < length) d.digits[d.count++] = p[i] & 0xF;
  }
  const std::uint8_t sign = p[length - 1] & 0xF;
  d.negative = sign == 0xD || sign == 0xB;
  return d;
}

// ASCII digits; the sign either over-punched into the last digit or in a trailing sign byte.
DigitString AsciiDecimal(const std::uint8_t* p, std::uint16_t length, bool trailing_sign) {
  DigitString d;
  std::uint16_t n = length;
  if (trailing_sign && n > 0) {
    d.negative = p[n - 1] == '-';
    --n;
  }
  for (std::uint16_t i = 0; i < n && d.count < sizeof d.digits; ++i) {
    std::uint8_t c = p[i];
    std::uint8_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint8_t>(c - '0');
    } else if (i + 1 == n && !trailing_sign) {
      if (c == '{') {
        digit = 0;
      } else if (c >= 'A' && c <= 'I') {
        digit = static_cast<std::uint8_t>(c - 'A' + 1);
      } else if (c == '}') {
        d.negative = true;
      } else if (c >= 'J' && c <= 'R') {
        digit = static_cast<std::uint8_t>(c - 'J' + 1);
        d.negative = true;
      } else if (c >= 'p' && c <= 'y') {  // another over-punch convention
        digit = static_cast<std::uint8_t>(c - 'p');
        d.negative = true;
      }
    }
    d.digits[d.count++] = digit;
  }
  return d;
}

}  // namespace

int CompareSegment(std::uint8_t type, const std::uint8_t* a, const std::uint8_t* b,
                   std::uint16_t length, const std::uint8_t* acs, bool case_insensitive) {
  switch (type) {
    case kTypeString:
      return CompareText(a, length, b, length, acs, case_insensitive);
    case kTypeLstring: {
      const std::size_t room = length > 0 ? length - 1u : 0u;
      return CompareText(a + 1, std::min<std::size_t>(a[0], room), b + 1,
                         std::min<std::size_t>(b[0], room), acs, case_insensitive);
    }
    case kTypeZstring: {
      const auto an = static_cast<std::size_t>(std::find(a, a + length, std::uint8_t{0}) - a);
      const auto bn = static_cast<std::size_t>(std::find(b, b + length, std::uint8_t{0}) - b);
      return CompareText(a, an, b, bn, acs, case_insensitive);
    }
    case kTypeInteger:
    case kTypeAutoIncrement:
    case kTypeCurrency:
      if (length <= 8) return Order(SignedLe(a, length), SignedLe(b, length));
      return CompareUnsignedLe(a, b, length);
    case kTypeFloat:
      if (length == 4 || length == 8) {
        return Order(FloatValue(a, length), FloatValue(b, length));
      }
      return CompareUnsignedLe(a, b, length);
    case kTypeBfloat:
      if (length == 4 || length == 8) {
        return Order(BfloatValue(a, length), BfloatValue(b, length));
      }
      return CompareUnsignedLe(a, b, length);
    case kTypeDate:
    case kTypeTime:
    case kTypeLogical:
    case kTypeUnsignedBinary:
    case kTypeTimestamp:
      return CompareUnsignedLe(a, b, length);
    case kTypeDecimal:
    case kTypeMoney:
      return CompareDigitStrings(PackedDecimal(a, length), PackedDecimal(b, length));
    case kTypeNumeric:
    case kTypeNumericSa:
      return CompareDigitStrings(AsciiDecimal(a, length, false), AsciiDecimal(b, length, false));
    case kTypeNumericSts:
      return CompareDigitStrings(AsciiDecimal(a, length, true), AsciiDecimal(b, length, true));
    case kTypeWstring:
    case kTypeWzstring:
      for (std::uint16_t i = 0; i + 1 < length; i += 2) {
        const std::uint16_t x = LoadU16(a + i);
        const std::uint16_t y = LoadU16(b + i);
        if (x != y) return x < y ? -1 : 1;
        if (type == kTypeWzstring && x == 0) return 0;
      }
      return 0;
    default:
      return CompareText(a, length, b, length, nullptr, false);
  }
}

KeyComparator::KeyComparator(const KeyLayout& key, const FileLayout& layout) {
  const bool is_new = layout.format == Format::kNew;
  for (const KeySegment& seg : key.segments) {
    Segment s{};
    s.position = seg.position;
    s.length = seg.length;
    s.type = seg.type;
    s.null_value = seg.null_value;
    s.descending = seg.descending();
    s.case_insensitive =
        is_new && (seg.flags & kKeyCaseInsensitive) && !(seg.flags & kKeyAlternateCollation);
    s.acs = seg.acs >= 0 && static_cast<std::size_t>(seg.acs) < layout.collating_sequences.size()
                ? layout.collating_sequences[static_cast<std::size_t>(seg.acs)].table.data()
                : nullptr;
    s.kind = KindOf(s);
    segments_.push_back(s);
    key_length_ = static_cast<std::uint16_t>(key_length_ + seg.length);
    extent_ = std::max<std::size_t>(extent_, std::size_t{seg.position} + seg.length);
  }
  null_all_ = (key.flags & kKeyNullAll) != 0;
  null_any_ = is_new && (key.flags & kKeyNullAny) != 0;
}

KeyComparator::Kind KeyComparator::KindOf(const Segment& s) {
  switch (s.type) {
    case kTypeString:
      return s.acs == nullptr && !s.case_insensitive && s.length > 0 ? Kind::kBytes
                                                                     : Kind::kGeneric;
    case kTypeInteger:
    case kTypeAutoIncrement:
    case kTypeCurrency:
      return s.length == 2   ? Kind::kSigned16
             : s.length == 4 ? Kind::kSigned32
             : s.length == 8 ? Kind::kSigned64
                             : Kind::kGeneric;
    case kTypeDate:
    case kTypeTime:
    case kTypeLogical:
    case kTypeUnsignedBinary:
    case kTypeTimestamp:
      return s.length == 1 || s.length == 2 || s.length == 4 || s.length == 8 ? Kind::kUnsigned
                                                                              : Kind::kGeneric;
    default:
      return Kind::kGeneric;
  }
}

namespace {

std::uint64_t UnsignedLe(const std::uint8_t* p, std::uint16_t length) {
  switch (length) {
    case 1:
      return *p;
    case 2:
      return LoadU16(p);
    case 4:
      return LoadU32(p);
    default:
      return LoadU64(p);
  }
}

}  // namespace

int KeyComparator::Compare(const std::uint8_t* a, const std::uint8_t* b) const {
  // Every read along a key compares two keys or more a record: the common segment kinds are
  // compared here, without a call or a switch on the key type.
  for (const Segment& s : segments_) {
    int c = 0;
    switch (s.kind) {
      case Kind::kBytes:
        c = std::memcmp(a, b, s.length);
        c = (c > 0) - (c < 0);
        break;
      case Kind::kSigned16:
        c = Order(static_cast<std::int16_t>(LoadU16(a)), static_cast<std::int16_t>(LoadU16(b)));
        break;
      case Kind::kSigned32:
        c = Order(static_cast<std::int32_t>(LoadU32(a)), static_cast<std::int32_t>(LoadU32(b)));
        break;
      case Kind::kSigned64:
        c = Order(static_cast<std::int64_t>(LoadU64(a)), static_cast<std::int64_t>(LoadU64(b)));
        break;
      case Kind::kUnsigned:
        c = Order(UnsignedLe(a, s.length), UnsignedLe(b, s.length));
        break;
      case Kind::kGeneric:
        c = CompareSegment(s.type, a, b, s.length, s.acs, s.case_insensitive);
        break;
    }
    if (c != 0) return s.descending ? -c : c;
    a += s.length;
    b += s.length;
  }
  return 0;
}

namespace {

// Bytes of a segment beyond the end of the record are zero.
std::uint8_t* CopySegment(std::span<const std::uint8_t> record, std::size_t position,
                          std::size_t length, std::uint8_t* out) {
  const std::size_t available =
      position < record.size() ? std::min<std::size_t>(length, record.size() - position) : 0;
  if (available > 0) std::memcpy(out, record.data() + position, available);
  if (available < length) std::memset(out + available, 0, length - available);
  return out + length;
}

}  // namespace

void KeyComparator::Extract(std::span<const std::uint8_t> record, std::uint8_t* out) const {
  if (record.size() >= extent_) {
    for (const Segment& s : segments_) {
      std::memcpy(out, record.data() + s.position, s.length);
      out += s.length;
    }
    return;
  }
  for (const Segment& s : segments_) out = CopySegment(record, s.position, s.length, out);
}

std::uint16_t KeyLength(const KeyLayout& key) {
  std::uint16_t length = 0;
  for (const KeySegment& s : key.segments) length = static_cast<std::uint16_t>(length + s.length);
  return length;
}

void ExtractKey(const KeyLayout& key, std::span<const std::uint8_t> record, std::uint8_t* out) {
  for (const KeySegment& s : key.segments) out = CopySegment(record, s.position, s.length, out);
}

bool KeyComparator::IsNull(const std::uint8_t* key) const {
  if (!null_all_ && !null_any_) return false;
  bool all_null = true;
  bool any_null = false;
  for (const Segment& s : segments_) {
    const bool null =
        std::all_of(key, key + s.length, [&](std::uint8_t c) { return c == s.null_value; });
    all_null = all_null && null;
    any_null = any_null || null;
    key += s.length;
  }
  return null_any_ ? any_null : all_null;
}

}  // namespace btrieve
