// Numbers read out of text the way the system reads them: the leading decimal number of a text,
// and rounding to whole numbers with halves going to the even neighbour.
#ifndef KEZ_PLATFORM_NUMBER_TEXT_H_
#define KEZ_PLATFORM_NUMBER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kez {

// Every number text below uses "." as decimal separator and no digit grouping.

// The shortest decimal text of a fixed-point value held as ten-thousandths: "3", "12.5", "-1.25",
// "0". Exact: the value never passes through a floating-point number.
std::string CurrencyText(std::int64_t ten_thousandths);

// A single-precision value with at most 7 significant digits and no trailing zeros: "0.07",
// "1234567", "-2.5". Values from 10,000,000 up or below 0.0001 take the exponent form
// "1.234568E+07", "1E-05".
std::string SingleText(float value);

// A whole number held in a double as a 64-bit integer, held to that type's range; NaN gives 0.
std::int64_t ClampedWholeNumber(double whole);

// A whole number held in a double in decimal, without a decimal part or exponent: "3", "-12".
// Negative zero is "0".
std::string WholeNumberText(double whole);

// CurrencyText, SingleText and WholeNumberText written at `out`, which has room for kNumberTextMost
// characters; each returns the end of what it wrote. Extracts write them straight into their lines.
inline constexpr std::size_t kNumberTextMost = 400;  // the largest double written out in full
char* WriteCurrencyText(std::int64_t ten_thousandths, char* out);
char* WriteSingleText(float value, char* out);
char* WriteWholeNumberText(double whole, char* out);

// Ten-thousandths rounded to hundredths, halves away from zero: 12.345 gives 12.35, -0.005 gives
// -0.01.
std::int64_t RoundToHundredths(std::int64_t ten_thousandths);

// `magnitude` in decimal, zero-padded on the left to at least `width` digits.
std::string ZeroPadded(std::uint64_t magnitude, int width);

// The decimal number at the start of `text`: leading blanks and tabs are skipped, then an optional
// sign, digits and at most one decimal point are taken up to the first other character. Returns 0
// when the text does not start with a number ("abc", "", "-").
double LeadingNumber(std::string_view text);

// `value` rounded to the nearest whole number, halves to the even neighbour: 2.5 gives 2, 3.5
// gives 4, -1.5 gives -2.
double RoundHalfEven(double value);

}  // namespace kez

#endif  // KEZ_PLATFORM_NUMBER_TEXT_H_
