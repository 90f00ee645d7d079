// The two conversions between date text (month/day/year) and the eight-character date keys of the
// sale records.
#ifndef KEZ_EXTRACTS_MOVEMENT_DATES_H_
#define KEZ_EXTRACTS_MOVEMENT_DATES_H_

#include <string>
#include <string_view>

namespace kez {

// "YYYYMMDD" from a short date "M/D/YYYY" (month and day of one or two digits); a time of day
// after the date is ignored.
std::string DateToKey(std::string_view date_text);
// "MM/DD/YYYY" from "YYYYMMDD".
std::string KeyToDateText(std::string_view key);

}  // namespace kez

#endif  // KEZ_EXTRACTS_MOVEMENT_DATES_H_
