#include "platform/number_text.h"

#include <charconv>
#include <cmath>
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
    } else {
      break;
    }
    number += c;
  }
  if (!digits) return 0;
  // from_chars wants a digit before the point.
  if (number.find('.') != std::string::npos &&
      (number.front() == '.' || number.rfind("-.", 0) == 0)) {
    number.insert(number.find('.'), "0");
  }
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

}  // namespace kez
