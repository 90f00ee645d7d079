#include "platform/date_text.h"

#include <gtest/gtest.h>

namespace kez {
namespace {

LocalDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return LocalDateTime{year, month, day, hour, minute, second, 0};
}

TEST(DateText, FormatsKeysAndLogTimesWithLeadingZeros) {
  EXPECT_EQ(FormatDateKey(At(2024, 1, 31, 7, 5)), "20240131");
  EXPECT_EQ(FormatHourMinute(At(2024, 1, 31, 7, 5)), "07:05");
  EXPECT_EQ(FormatHourMinute(At(2024, 1, 31, 23, 59)), "23:59");
}

TEST(DateText, FormatsShortDatesAndLongTimesOfAnEnglishSetting) {
  EXPECT_EQ(FormatShortDate(At(2012, 12, 31)), "12/31/2012");
  EXPECT_EQ(FormatShortDate(At(2024, 2, 3)), "2/3/2024");
  EXPECT_EQ(FormatLongTime(At(2024, 2, 3, 0, 0, 0)), "12:00:00 AM");
  EXPECT_EQ(FormatLongTime(At(2024, 2, 3, 12, 0, 0)), "12:00:00 PM");
  EXPECT_EQ(FormatLongTime(At(2024, 2, 3, 7, 5, 9)), "7:05:09 AM");
  EXPECT_EQ(FormatLongTime(At(2024, 2, 3, 23, 59, 59)), "11:59:59 PM");
}

TEST(DateText, DateValuesShowOnlyTheirDateOrTheirTimeWhenTheOtherIsEmpty) {
  EXPECT_EQ(FormatDateValue(At(2012, 12, 31)), "12/31/2012");
  EXPECT_EQ(FormatDateValue(At(1899, 12, 30, 12)), "12:00:00 PM");
  EXPECT_EQ(FormatDateValue(At(2026, 1, 5, 9, 0, 1)), "1/5/2026 9:00:01 AM");
  // The empty value is midnight of the no-date day: a time.
  EXPECT_EQ(FormatDateValue(kNoDate), "12:00:00 AM");
}

TEST(DateText, ReadsBackEveryFormItWrites) {
  const LocalDateTime values[] = {
      At(2012, 12, 31), At(1899, 12, 30, 12),        At(2026, 1, 5, 9, 0, 1),
      kNoDate,          At(2024, 2, 29, 23, 59, 59), At(2000, 1, 1, 0, 0, 1)};
  for (const LocalDateTime& value : values) {
    const std::string text = FormatDateValue(value);
    EXPECT_EQ(ParseDateValue(text), value) << text;
  }
}

TEST(DateText, ReadsHandWrittenVariants) {
  EXPECT_EQ(ParseDateValue("  01/05/2026  "), At(2026, 1, 5));
  EXPECT_EQ(ParseDateValue("1/5/2026 7:30 pm"), At(2026, 1, 5, 19, 30));
  EXPECT_EQ(ParseDateValue("13:45"), At(1899, 12, 30, 13, 45));
  EXPECT_EQ(ParseDateValue("12:00:00 am"), kNoDate);
}

TEST(DateText, RejectsTextsThatAreNoDateOrTime) {
  for (const char* text :
       {"", "   ", "abc", "2/30/2024", "2/29/2023", "13/1/2024", "1/1/24", "12:60", "24:00",
        "13:00 PM", "0:30 AM", "1/5/2026 9:00 XM", "1/5/2026x", "9:00:00 AM junk", "1/5/2026 9"}) {
    EXPECT_EQ(ParseDateValue(text), std::nullopt) << text;
  }
}

TEST(DateText, DateKeysMustNameARealDay) {
  EXPECT_EQ(ParseDateKey("20240229"), At(2024, 2, 29));
  for (const char* key : {"20230229", "2024013", "202401311", "2024O131", "20241301"}) {
    EXPECT_EQ(ParseDateKey(key), std::nullopt) << key;
  }
}

TEST(DateText, CalendarArithmeticCrossesMonthYearAndLeapDays) {
  EXPECT_EQ(AddDays({2024, 3, 1, 9, 30, 0, 0}, -1), (LocalDateTime{2024, 2, 29, 9, 30, 0, 0}));
  EXPECT_EQ(AddDays({2023, 3, 1, 0, 0, 0, 0}, -1), (LocalDateTime{2023, 2, 28, 0, 0, 0, 0}));
  EXPECT_EQ(AddDays({2012, 12, 31, 0, 0, 0, 0}, -7), (LocalDateTime{2012, 12, 24, 0, 0, 0, 0}));
  EXPECT_EQ(AddSeconds({2024, 12, 31, 23, 59, 30, 5}, 45),
            (LocalDateTime{2025, 1, 1, 0, 0, 15, 5}));
  EXPECT_EQ(AddSeconds({2025, 1, 1, 0, 0, 15, 0}, -45), (LocalDateTime{2024, 12, 31, 23, 59, 30}));
  EXPECT_EQ(SecondsBetween({2024, 2, 28, 23, 0, 0}, {2024, 3, 1, 1, 0, 0}), 26 * 3600);
  EXPECT_EQ(Weekday({2026, 12, 6}), 1);  // a Sunday
  EXPECT_EQ(Weekday({2026, 12, 5}), 7);  // a Saturday
  EXPECT_EQ(Weekday({2024, 2, 29}), 5);  // a Thursday
}

}  // namespace
}  // namespace kez
