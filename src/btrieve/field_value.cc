#include "btrieve/field_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/key_layout.h"

namespace btrieve {
namespace {

std::uint64_t UnsignedLe(const std::uint8_t* p, std::size_t n) {
  std::uint64_t value = 0;
  for (std::size_t i = std::min<std::size_t>(n, 8); i-- > 0;) value = (value << 8) | p[i];
  return value;
}

std::int64_t SignedLe(const std::uint8_t* p, std::size_t n) {
  std::uint64_t value = UnsignedLe(p, n);
  if (n > 0 && n < 8 && (p[n - 1] & 0x80)) value |= ~0ull << (8 * n);
  return static_cast<std::int64_t>(value);
}

void StoreLe(std::uint8_t* p, std::size_t n, std::uint64_t value) {
  for (std::size_t i = 0; i < n; ++i) {
    p[i] = i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : std::uint8_t{0};
  }
}

double Power10(int exponent) { return std::pow(10.0, exponent); }

// Packed decimal (two digits a byte, the last nibble the sign) with `decimals` places.
double DecodePacked(const std::uint8_t* p, std::size_t n, int decimals) {
  double value = 0;
  for (std::size_t i = 0; i < n; ++i) {
    value = value * 10 + (p[i] >> 4);
    if (i + 1 < n) value = value * 10 + (p[i] & 0xF);
  }
  const std::uint8_t sign = p[n - 1] & 0xF;
  if (sign == 0xD || sign == 0xB) value = -value;
  return value / Power10(decimals);
}

void EncodePacked(double value, int decimals, std::uint8_t* p, std::size_t n) {
  const bool negative = value < 0;
  auto digits = static_cast<std::uint64_t>(std::llround(std::fabs(value) * Power10(decimals)));
  std::memset(p, 0, n);
  p[n - 1] = negative ? 0x0D : 0x0F;
  // Nibbles from the right: the sign, then digits.
  std::size_t nibble = 1;
  while (nibble < 2 * n) {
    const auto digit = static_cast<std::uint8_t>(digits % 10);
    digits /= 10;
    const std::size_t byte = n - 1 - nibble / 2;
    p[byte] = static_cast<std::uint8_t>(nibble % 2 ? (p[byte] | (digit << 4)) : (p[byte] | digit));
    ++nibble;
  }
}

double DecodeNumeric(const std::uint8_t* p, std::size_t n, int decimals, bool trailing_sign) {
  double value = 0;
  bool negative = false;
  std::size_t digits = trailing_sign && n > 0 ? n - 1 : n;
  for (std::size_t i = 0; i < digits; ++i) {
    int d = 0;
    const std::uint8_t c = p[i];
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (i + 1 == digits && !trailing_sign) {
      if (c >= 'A' && c <= 'I') d = c - 'A' + 1;
      if (c >= 'J' && c <= 'R') d = c - 'J' + 1, negative = true;
      if (c == '}') negative = true;
    }
    value = value * 10 + d;
  }
  if (trailing_sign && n > 0 && p[n - 1] == '-') negative = true;
  return (negative ? -value : value) / Power10(decimals);
}

double BfloatValue(const std::uint8_t* p, std::size_t n) {
  const std::uint8_t exponent = p[n - 1];
  if (exponent == 0) return 0.0;
  const bool negative = (p[n - 2] & 0x80) != 0;
  double mantissa = (p[n - 2] & 0x7F) | 0x80;
  for (std::size_t i = n - 2; i-- > 0;) mantissa = mantissa * 256.0 + p[i];
  const int bits = static_cast<int>(8 * (n - 1));
  const double value = std::ldexp(mantissa, exponent - 129 - (bits - 1));
  return negative ? -value : value;
}

// Parses a decimal text ("-12.5") into ten-thousandths, exactly; false when it is not a number.
bool ParseDecimal(std::string_view text, std::int64_t* ten_thousandths) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::int64_t whole = 0;
  std::int64_t fraction = 0;
  int fraction_digits = 0;
  bool seen_digit = false;
  bool in_fraction = false;
  for (char c : text) {
    if (c == '.' && !in_fraction) {
      in_fraction = true;
    } else if (c >= '0' && c <= '9') {
      seen_digit = true;
      if (in_fraction) {
        if (fraction_digits < 4) fraction = fraction * 10 + (c - '0'), ++fraction_digits;
      } else {
        if (whole > (INT64_MAX / 10000 - 9) / 10) return false;
        whole = whole * 10 + (c - '0');
      }
    } else {
      return false;
    }
  }
  if (!seen_digit) return false;
  while (fraction_digits < 4) fraction *= 10, ++fraction_digits;
  const std::int64_t value = whole * 10000 + fraction;
  *ten_thousandths = negative ? -value : value;
  return true;
}

// The value as a number of ten-thousandths (for currency) where that is exact or rounds cleanly.
bool AsTenThousandths(const FieldValue& value, std::int64_t* out) {
  if (const auto* c = std::get_if<Currency>(&value)) return *out = c->ten_thousandths, true;
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *out = *i * 10000, true;
  if (const auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d) || std::fabs(*d) > 9.2e14) return false;
    *out = std::llround(*d * 10000.0);
    return true;
  }
  if (const auto* s = std::get_if<std::string>(&value)) return ParseDecimal(*s, out);
  *out = 0;
  return true;  // empty
}

bool AsDouble(const FieldValue& value, double* out) {
  if (const auto* d = std::get_if<double>(&value)) return *out = *d, true;
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    return *out = static_cast<double>(*i), true;
  }
  if (const auto* c = std::get_if<Currency>(&value)) {
    return *out = static_cast<double>(c->ten_thousandths) / 10000.0, true;
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    std::int64_t t = 0;
    if (!ParseDecimal(*s, &t)) return false;
    *out = static_cast<double>(t) / 10000.0;
    return true;
  }
  *out = 0;
  return true;
}

bool AsInteger(const FieldValue& value, std::int64_t* out) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *out = *i, true;
  if (const auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18) return false;
    *out = static_cast<std::int64_t>(std::nearbyint(*d));
    return true;
  }
  if (const auto* c = std::get_if<Currency>(&value)) return *out = c->ten_thousandths / 10000, true;
  if (const auto* s = std::get_if<std::string>(&value)) {
    std::int64_t t = 0;
    if (!ParseDecimal(*s, &t)) return false;
    *out = t / 10000;
    return true;
  }
  *out = 0;
  return true;
}

bool FitsSigned(std::int64_t v, std::size_t bytes) {
  if (bytes >= 8) return true;
  const std::int64_t limit = std::int64_t{1} << (8 * bytes - 1);
  return v >= -limit && v < limit;
}

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

}  // namespace

FieldValue DecodeField(const FieldDef& field, std::span<const std::uint8_t> record) {
  std::vector<std::uint8_t> padded;
  const std::size_t end = static_cast<std::size_t>(field.offset) + field.size;
  std::span<const std::uint8_t> bytes;
  if (end <= record.size()) {
    bytes = record.subspan(field.offset, field.size);
  } else {
    padded.assign(field.size, 0);
    if (field.offset < record.size()) {
      std::copy(record.begin() + field.offset, record.end(), padded.begin());
    }
    bytes = padded;
  }
  const std::uint8_t* p = bytes.data();
  const std::size_t n = bytes.size();
  if (n == 0) return std::monostate{};
  switch (field.type) {
    case kTypeString:
      return std::string(reinterpret_cast<const char*>(p), n);
    case kTypeZstring:
      return std::string(reinterpret_cast<const char*>(p),
                         static_cast<std::size_t>(std::find(p, p + n, 0) - p));
    case kTypeLstring:
      return std::string(reinterpret_cast<const char*>(p + 1), std::min<std::size_t>(p[0], n - 1));
    case kTypeInteger:
    case kTypeAutoIncrement:
      return SignedLe(p, n);
    case kTypeUnsignedBinary:
    case kTypeLogical:
    case kTypeTimestamp:
      return static_cast<std::int64_t>(UnsignedLe(p, n));
    case kTypeFloat:
      if (n == 4) {
        float f;
        std::memcpy(&f, p, 4);
        return static_cast<double>(f);
      }
      if (n == 8) {
        double d;
        std::memcpy(&d, p, 8);
        return d;
      }
      return std::monostate{};
    case kTypeBfloat:
      return n >= 2 ? FieldValue(BfloatValue(p, n)) : FieldValue(std::monostate{});
    case kTypeCurrency:
      return Currency{SignedLe(p, n)};
    case kTypeDecimal:
      return DecodePacked(p, n, field.decimals);
    case kTypeMoney:
      return DecodePacked(p, n, 2);
    case kTypeNumeric:
    case kTypeNumericSa:
      return DecodeNumeric(p, n, field.decimals, false);
    case kTypeNumericSts:
      return DecodeNumeric(p, n, field.decimals, true);
    case kTypeDate: {
      if (n < 4) return std::monostate{};
      const int year = LoadU16(p + 2);
      if (year == 0 && p[0] == 0 && p[1] == 0) return std::string();
      return Digits(year, 4) + "-" + Digits(p[1], 2) + "-" + Digits(p[0], 2);
    }
    case kTypeTime:
      if (n < 4) return std::monostate{};
      return Digits(p[3], 2) + ":" + Digits(p[2], 2) + ":" + Digits(p[1], 2) + "." +
             Digits(p[0], 2);
    default:
      return std::string(reinterpret_cast<const char*>(p), n);
  }
}

Status EncodeField(const FieldDef& field, const FieldValue& value, std::span<std::uint8_t> record) {
  const std::size_t end = static_cast<std::size_t>(field.offset) + field.size;
  if (end > record.size()) {
    return Status(kInvalidRecordLength, "field " + field.name + " lies beyond the record");
  }
  std::uint8_t* p = record.data() + field.offset;
  const std::size_t n = field.size;
  auto type_error = [&] {
    return Status(kKeyTypeError, "value does not fit field " + field.name + " of type " +
                                     std::to_string(field.type));
  };
  auto text_of = [&]() -> std::string {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (std::holds_alternative<std::monostate>(value)) return {};
    return FieldValueText(value);
  };
  switch (field.type) {
    case kTypeString: {
      const std::string text = text_of();
      const std::size_t copy = std::min(text.size(), n);
      std::memcpy(p, text.data(), copy);
      std::memset(p + copy, ' ', n - copy);
      return Status::Ok();
    }
    case kTypeZstring: {
      const std::string text = text_of();
      const std::size_t copy = std::min(text.size(), n - 1);
      std::memcpy(p, text.data(), copy);
      std::memset(p + copy, 0, n - copy);
      return Status::Ok();
    }
    case kTypeLstring: {
      const std::string text = text_of();
      const std::size_t copy = std::min({text.size(), n - 1, std::size_t{255}});
      p[0] = static_cast<std::uint8_t>(copy);
      std::memcpy(p + 1, text.data(), copy);
      std::memset(p + 1 + copy, 0, n - 1 - copy);
      return Status::Ok();
    }
    case kTypeInteger:
    case kTypeAutoIncrement:
    case kTypeUnsignedBinary:
    case kTypeLogical:
    case kTypeTimestamp: {
      std::int64_t v = 0;
      if (!AsInteger(value, &v)) return type_error();
      const bool is_unsigned = field.type != kTypeInteger && field.type != kTypeAutoIncrement;
      if (is_unsigned ? (v < 0 || (n < 8 && static_cast<std::uint64_t>(v) >> (8 * n) != 0))
                      : !FitsSigned(v, n)) {
        return type_error();
      }
      StoreLe(p, n, static_cast<std::uint64_t>(v));
      return Status::Ok();
    }
    case kTypeCurrency: {
      std::int64_t v = 0;
      if (!AsTenThousandths(value, &v)) return type_error();
      StoreLe(p, n, static_cast<std::uint64_t>(v));
      return Status::Ok();
    }
    case kTypeFloat: {
      double d = 0;
      if (!AsDouble(value, &d)) return type_error();
      if (n == 4) {
        const auto f = static_cast<float>(d);
        std::memcpy(p, &f, 4);
      } else if (n == 8) {
        std::memcpy(p, &d, 8);
      } else {
        return type_error();
      }
      return Status::Ok();
    }
    case kTypeDecimal:
    case kTypeMoney: {
      double d = 0;
      if (!AsDouble(value, &d)) return type_error();
      EncodePacked(d, field.type == kTypeMoney ? 2 : field.decimals, p, n);
      return Status::Ok();
    }
    case kTypeDate: {
      const std::string text = text_of();
      std::string digits;
      for (char c : text) {
        if (c >= '0' && c <= '9') digits += c;
      }
      if (n < 4) return type_error();
      if (digits.empty()) {
        std::memset(p, 0, n);
        return Status::Ok();
      }
      if (digits.size() != 8) return type_error();
      const int year = std::stoi(digits.substr(0, 4));
      p[0] = static_cast<std::uint8_t>(std::stoi(digits.substr(6, 2)));
      p[1] = static_cast<std::uint8_t>(std::stoi(digits.substr(4, 2)));
      StoreU16(p + 2, static_cast<std::uint16_t>(year));
      return Status::Ok();
    }
    case kTypeTime: {
      const std::string text = text_of();
      int h = 0, m = 0, s = 0, c = 0;
      if (n < 4) return type_error();
      if (!text.empty() && std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &c) < 2) {
        return type_error();
      }
      p[0] = static_cast<std::uint8_t>(c);
      p[1] = static_cast<std::uint8_t>(s);
      p[2] = static_cast<std::uint8_t>(m);
      p[3] = static_cast<std::uint8_t>(h);
      return Status::Ok();
    }
    default: {
      const std::string text = text_of();
      const std::size_t copy = std::min(text.size(), n);
      std::memcpy(p, text.data(), copy);
      std::memset(p + copy, 0, n - copy);
      return Status::Ok();
    }
  }
}

std::string FieldValueText(const FieldValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const {
      char text[32];
      std::snprintf(text, sizeof text, "%.15g", d);
      return text;
    }
    std::string operator()(Currency c) const {
      const bool negative = c.ten_thousandths < 0;
      const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(c.ten_thousandths)
                                               : static_cast<std::uint64_t>(c.ten_thousandths);
      std::string text = std::to_string(magnitude / 10000);
      std::uint64_t fraction = magnitude % 10000;
      if (fraction != 0) {
        std::string digits = std::to_string(fraction + 10000).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
      }
      return negative ? "-" + text : text;
    }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace btrieve
