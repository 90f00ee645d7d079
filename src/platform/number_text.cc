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
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::string CurrencyText(std::int64_t ten_thousandths) {
  // The magnitude as unsigned, so that the most negative value has one too.
  const bool negative = ten_thousandths < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(ten_thousandths)
                                           : static_cast<std::uint64_t>(ten_thousandths);
  char buffer[32];
  char* end = buffer;
  if (negative) *end++ = '-';
  end = std::to_chars(end, buffer + sizeof buffer, magnitude / 10000).ptr;
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    *end++ = '.';
    for (std::uint64_t unit = 1000; fraction != 0; unit /= 10) {
      *end++ = static_cast<char>('0' + fraction / unit);
      fraction %= unit;
    }
  }
  return std::string(buffer, end);
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
  double whole = std::floor(scaled);
  const double rest = scaled - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  // A power of ten just below a bound (inexact in binary), or rounded up to the next one, is
  // left to to_chars.
  if (whole < 1e6 || whole >= 1e7) return false;
  char digits[7];
  std::uint32_t number = static_cast<std::uint32_t>(whole);
  for (int i = 6; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  int significant = 7;
  while (significant > 0 && significant > point && digits[significant - 1] == '0') --significant;
  char* at = out;
  if (value < 0) *at++ = '-';
  if (point <= 0) {
    *at++ = '0';
    *at++ = '.';
    for (int i = point; i < 0; ++i) *at++ = '0';
    for (int i = 0; i < significant; ++i) *at++ = digits[i];
  } else {
    for (int i = 0; i < point; ++i) *at++ = digits[i];
    if (significant > point) {
      *at++ = '.';
      for (int i = point; i < significant; ++i) *at++ = digits[i];
    }
  }
  *end = at;
  return true;
}

}  // namespace

// to_chars gives printf's digits for the same precision without printf's cost, which the
// extracts pay on every line; printf's %G writes its exponent and non-numbers in capitals.
std::string SingleText(float value) {
  if (value == 0) return "0";
  char buffer[32];
  if (char* quick_end = nullptr; SevenDigitsQuickly(value, buffer, &quick_end)) {
    return std::string(buffer, quick_end);
  }
  const std::to_chars_result end = std::to_chars(
      buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 7);
  std::string text(buffer, end.ptr);
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::int64_t ClampedWholeNumber(double whole) {
  if (std::isnan(whole)) return 0;
  // The largest doubles inside the 64-bit range, so that the conversion is defined.
  constexpr double kHighest = 9223372036854774784.0;
  if (whole >= kHighest) return static_cast<std::int64_t>(kHighest);
  if (whole <= -kHighest) return -static_cast<std::int64_t>(kHighest);
  return static_cast<std::int64_t>(whole);
}

std::string WholeNumberText(double whole) {
  // A whole number a 64-bit integer holds exactly is written as that integer, which is what the
  // fixed notation writes, for a fraction of its cost.
  if (std::fabs(whole) < 9e15 && whole == std::floor(whole)) {
    char digits[24];
    const std::to_chars_result end =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(whole));
    return std::string(digits, end.ptr);
  }
  char buffer[400];  // room for the largest double written out in full
  const std::to_chars_result end =
      std::to_chars(buffer, buffer + sizeof buffer, whole + 0.0, std::chars_format::fixed, 0);
  return std::string(buffer, end.ptr);
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
