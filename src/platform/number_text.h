// Numbers read out of text the way the system reads them: the leading decimal number of a text,
// and rounding to whole numbers with halves going to the even neighbour.
#ifndef KEZ_PLATFORM_NUMBER_TEXT_H_
#define KEZ_PLATFORM_NUMBER_TEXT_H_

#include <string_view>

namespace kez {

// The decimal number at the start of `text`: leading blanks and tabs are skipped, then an optional
// sign, digits and at most one decimal point are taken up to the first other character. Returns 0
// when the text does not start with a number ("abc", "", "-").
double LeadingNumber(std::string_view text);

// `value` rounded to the nearest whole number, halves to the even neighbour: 2.5 gives 2, 3.5
// gives 4, -1.5 gives -2.
double RoundHalfEven(double value);

}  // namespace kez

#endif  // KEZ_PLATFORM_NUMBER_TEXT_H_
