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
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 10000);
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    std::string decimals = ZeroPadded(fraction, 4);
    while (decimals.back() == '0') decimals.pop_back();
    text += '.';
    text += decimals;
  }
  return text;
}

// to_chars gives printf's digits for the same precision without printf's cost, which the
// extracts pay on every line; printf's %G writes its exponent and non-numbers in capitals.
std::string SingleText(float value) {
  if (value == 0) return "0";
  char buffer[32];
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
  std::string digits = std::to_string(magnitude);
  if (digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return digits;
}

}  // namespace kez
