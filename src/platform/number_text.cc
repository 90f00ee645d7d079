#include "platform/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kez {

double LeadingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  std::string number;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    if (text[at] == '-') number += '-';
    ++at;
  }
  bool digits = false;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
      // from_chars wants a digit before the point.
      if (!digits) number += '0';
    } else {
      break;
    }
    number += c;
  }
  if (!digits) return 0;
  double value = 0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  return value;
}

double RoundHalfEven(double value) {
  if (value == 0) return value;  // keeps the sign of a negative zero
  // Below 2^52 a value's whole part is a 64-bit integer, whose parity needs no fmod; the
  // difference from it is exact.
  if (std::fabs(value) < 4503599627370496.0) {
    auto whole = static_cast<std::int64_t>(value);  // toward zero
    if (static_cast<double>(whole) > value) --whole;
    const double fraction = value - static_cast<double>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
    return static_cast<double>(whole);
  }
  // Larger values are whole already; NaN stays NaN.
  return value;
}

char* WriteCurrencyText(std::int64_t ten_thousandths, char* out) {
  // The magnitude as unsigned, so that the most negative value has one too.
  const bool negative = ten_thousandths < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(ten_thousandths)
                                           : static_cast<std::uint64_t>(ten_thousandths);
  if (negative) *out++ = '-';
  out = std::to_chars(out, out + 20, magnitude / 10000).ptr;
  const auto fraction = static_cast<std::uint32_t>(magnitude % 10000);
  if (fraction != 0) {
    out[0] = '.';
    out[1] = static_cast<char>('0' + fraction / 1000);
    out[2] = static_cast<char>('0' + fraction / 100 % 10);
    out[3] = static_cast<char>('0' + fraction / 10 % 10);
    out[4] = static_cast<char>('0' + fraction % 10);
    out += 5;
    while (out[-1] == '0') --out;  // the fraction's last digit is not zero, so this stops there
  }
  return out;
}

std::string CurrencyText(std::int64_t ten_thousandths) {
  char buffer[kNumberTextMost];
  return std::string(buffer, WriteCurrencyText(ten_thousandths, buffer));
}

namespace {

// Seven significant digits of a float as printf's %.7G writes them, for the values of 0.0001 up
// to 10,000,000 that fill an extract's quantity and cost columns; false for the rest, which
// to_chars writes. A float's exact value times 10^k for k up to 10 fits a double exactly (24
// bits of the float, at most 24 of 5^k), so rounding the product to a whole number rounds the
// exact value, halves to even, as printf does.
bool SevenDigitsQuickly(float value, char* out, char** end) {
  const double magnitude = std::fabs(static_cast<double>(value));
  if (!(magnitude >= 1e-4 && magnitude < 1e7)) return false;
  // Digits before the point: 10^(point - 1) <= magnitude < 10^point.
  static constexpr double kPowers[] = {1e-3, 1e-2, 1e-1, 1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  int point = -3;
  for (const double power : kPowers) point += magnitude >= power ? 1 : 0;
  static constexpr double kScales[] = {1e10, 1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 10, 1};
  const double scaled = magnitude * kScales[point + 3];
  // `scaled` is exact and far below 2^32, so truncation gives its floor and the rest is exact.
  auto whole = static_cast<std::uint32_t>(scaled);
  const double rest = scaled - static_cast<double>(whole);
  if (rest > 0.5 || (rest == 0.5 && (whole & 1) != 0)) ++whole;
  // A power of ten just below a bound (inexact in binary), or rounded up to the next one, is
  // left to to_chars.
  if (whole < 1000000 || whole >= 10000000) return false;
  char digits[7];
  for (int i = 6; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  }
  int significant = 7;
  while (significant > point && digits[significant - 1] == '0') --significant;
  // The digits go to fixed places, every one written whether it is kept or not (`out` has room):
  // stores of known count, where copies of a counted length would each be a call.
  char* at = out;
  if (value < 0) *at++ = '-';
  if (point <= 0) {
    const int zeros = -point;  // 0 to 3
    at[0] = '0';
    at[1] = '.';
    for (int i = 0; i < 3; ++i) at[2 + i] = '0';
    for (int i = 0; i < 7; ++i) at[2 + zeros + i] = digits[i];
    at += 2 + zeros + significant;
  } else {
    for (int i = 0; i < 7; ++i) at[i + (i >= point ? 1 : 0)] = digits[i];
    at[point] = '.';
    at += significant > point ? significant + 1 : point;
  }
  *end = at;
  return true;
}

}  // namespace

// to_chars gives printf's digits for the same precision without printf's cost, which the
// extracts pay on every line; printf's %G writes its exponent and non-numbers in capitals.
char* WriteSingleText(float value, char* out) {
  if (value == 0) {
    *out = '0';
    return out + 1;
  }
  if (char* quick_end = nullptr; SevenDigitsQuickly(value, out, &quick_end)) return quick_end;
  char* const end = std::to_chars(out, out + kNumberTextMost, static_cast<double>(value),
                                  std::chars_format::general, 7)
                        .ptr;
  for (char* c = out; c != end; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
  return end;
}

std::string SingleText(float value) {
  char buffer[kNumberTextMost];
  return std::string(buffer, WriteSingleText(value, buffer));
}

std::int64_t ClampedWholeNumber(double whole) {
  if (std::isnan(whole)) return 0;
  // The largest doubles inside the 64-bit range, so that the conversion is defined.
  constexpr double kHighest = 9223372036854774784.0;
  if (whole >= kHighest) return static_cast<std::int64_t>(kHighest);
  if (whole <= -kHighest) return -static_cast<std::int64_t>(kHighest);
  return static_cast<std::int64_t>(whole);
}

char* WriteWholeNumberText(double whole, char* out) {
  // A whole number a 64-bit integer holds exactly is written as that integer, which is what the
  // fixed notation writes, for a fraction of its cost.
  if (std::fabs(whole) < 9e15) {
    if (const auto integer = static_cast<std::int64_t>(whole);
        static_cast<double>(integer) == whole) {
      return std::to_chars(out, out + kNumberTextMost, integer).ptr;
    }
  }
  return std::to_chars(out, out + kNumberTextMost, whole + 0.0, std::chars_format::fixed, 0).ptr;
}

std::string WholeNumberText(double whole) {
  char buffer[kNumberTextMost];
  return std::string(buffer, WriteWholeNumberText(whole, buffer));
}

std::int64_t RoundToHundredths(std::int64_t ten_thousandths) {
  const std::int64_t whole = ten_thousandths / 100;
  const std::int64_t rest = ten_thousandths % 100;  // takes the sign of the value
  if (rest >= 50) return whole + 1;
  if (rest <= -50) return whole - 1;
  return whole;
}

std::string ZeroPadded(std::uint64_t magnitude, int width) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, magnitude);
  const auto count = static_cast<std::size_t>(end.ptr - digits);
  std::string text;
  if (count < static_cast<std::size_t>(width))
    text.assign(static_cast<std::size_t>(width) - count, '0');
  text.append(digits, count);
  return text;
}

}  // namespace kez
