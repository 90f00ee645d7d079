#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kez {
namespace {

TEST(NumberText, TheLeadingNumberIsTakenUpToTheFirstOtherCharacter) {
  const std::pair<const char*, double> cases[] = {
      {"1250.50", 1250.5},
      {"  -12.5abc", -12.5},
      {"+7", 7},
      {".5", 0.5},
      {"-.25", -0.25},
      {"12.3.4", 12.3},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"1e3", 1},
      {"\t42 units", 42},
      {"0007", 7},
      {"3.", 3},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingNumber(text), expected) << text;
}

TEST(NumberText, HalvesRoundToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {{2.5, 2}, {3.5, 4},  {-1.5, -2}, {-2.5, -2},
                                             {0.5, 0}, {2.49, 2}, {2.51, 3},  {-0.4, 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
  // The default rounding mode of nearbyint is to nearest, halves to even: the same rule.
  std::mt19937_64 random(20261207);
  std::vector<double> values = {std::numeric_limits<double>::infinity(),
                                -0.0,
                                4503599627370495.5,
                                -4503599627370495.5,
                                4503599627370497.0,
                                1e300,
                                -1e300};
  for (int i = 0; i < 100000; ++i) {
    values.push_back(std::bit_cast<double>(random()));
    values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) /
                     (random() % 2 == 0 ? 2.0 : 8.0));  // many halves, both signs
  }
  for (double value : values) {
    if (std::isnan(value)) {
      EXPECT_TRUE(std::isnan(RoundHalfEven(value)));
      continue;
    }
    ASSERT_EQ(RoundHalfEven(value), std::nearbyint(value)) << value;
  }
  EXPECT_TRUE(std::signbit(RoundHalfEven(-0.0)));
}

TEST(NumberText, CurrencyTextIsExactAndShortest) {
  EXPECT_EQ(CurrencyText(30000), "3");
  EXPECT_EQ(CurrencyText(125000), "12.5");
  EXPECT_EQ(CurrencyText(-12500), "-1.25");
  EXPECT_EQ(CurrencyText(0), "0");
  EXPECT_EQ(CurrencyText(1), "0.0001");
  EXPECT_EQ(CurrencyText(-5), "-0.0005");
  // Beyond what a double holds exactly.
  EXPECT_EQ(CurrencyText(INT64_MAX), "922337203685477.5807");
  EXPECT_EQ(CurrencyText(INT64_MIN), "-922337203685477.5808");
  // Every fraction's digits, against the full four-digit form with its zeros taken off.
  std::mt19937_64 random(7);
  for (int i = 0; i < 100000; ++i) {
    const auto value = static_cast<std::int64_t>(random()) >> (random() % 64);
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char full[48];
    std::snprintf(full, sizeof full, "%s%llu.%04llu", value < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    std::string expected = full;
    while (expected.back() == '0') expected.pop_back();
    if (expected.back() == '.') expected.pop_back();
    ASSERT_EQ(CurrencyText(value), expected) << value;
  }
}

TEST(NumberText, SingleTextShowsAtMostSevenSignificantDigits) {
  EXPECT_EQ(SingleText(0.07f), "0.07");
  EXPECT_EQ(SingleText(1.99f), "1.99");
  EXPECT_EQ(SingleText(-2.5f), "-2.5");
  EXPECT_EQ(SingleText(1234567.0f), "1234567");
  EXPECT_EQ(SingleText(12345678.0f), "1.234568E+07");
  EXPECT_EQ(SingleText(0.0001f), "0.0001");
  EXPECT_EQ(SingleText(0.00001f), "1E-05");
  EXPECT_EQ(SingleText(-0.0f), "0");
  EXPECT_EQ(SingleText(1.0f / 3.0f), "0.3333333");
}

// The texts were once printf's: a file the store compares with earlier ones must not change by a
// digit, so every kind of float (tiny, huge, not a number, at a rounding tie) is checked against
// it.
TEST(NumberText, SingleAndWholeNumberTextsWriteWhatPrintfWrites) {
  const auto printed = [](const char* format, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, format, value);
    return std::string(buffer);
  };
  std::mt19937 random(20261206);
  std::vector<float> singles = {std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::denorm_min(),
                                std::numeric_limits<float>::max(),
                                0.5f,
                                9999999.5f,
                                0.00012345675f,
                                1e-5f};
  for (int i = 0; i < 200000; ++i) singles.push_back(std::bit_cast<float>(std::uint32_t(random())));
  for (int i = 0; i < 20000; ++i) singles.push_back(static_cast<float>(random() % 2000000) / 1000);
  // Values from 0.0001 to 10,000,000 are written without to_chars: their bounds, each power of
  // ten and its neighbours, halves that tie at the seventh digit, and costs in ten-thousandths.
  for (int exponent = -6; exponent <= 8; ++exponent) {
    const auto power = static_cast<float>(std::pow(10.0, exponent));
    for (float at : {power, std::nextafter(power, 0.0f), std::nextafter(power, 1e30f)}) {
      singles.push_back(at);
      singles.push_back(-at);
    }
  }
  for (float tie : {1048576.5f, 2097151.5f, 4194303.5f, 8388607.5f, 9999999.5f, 999999.25f, 0.125f,
                    1.0000005f, 0.99999994f, 9999999.0f}) {
    singles.push_back(tie);
    singles.push_back(-tie);
  }
  for (int i = 0; i < 200000; ++i) {
    singles.push_back(static_cast<float>(
        std::pow(10.0, -4.5 + 12.0 * static_cast<double>(random() % 1000000) / 1e6)));
    singles.push_back(static_cast<float>(static_cast<double>(random() % 100000000) / 10000.0));
  }
  for (float value : singles) {
    // A not-a-number's sign is printed by some C libraries and not by others; the text is fixed.
    if (value == 0 || std::isnan(value)) continue;
    ASSERT_EQ(SingleText(value), printed("%.7G", static_cast<double>(value))) << value;
  }
  EXPECT_EQ(SingleText(std::numeric_limits<float>::quiet_NaN()), "NAN");
  EXPECT_EQ(SingleText(-std::numeric_limits<float>::quiet_NaN()), "-NAN");
  std::vector<double> wholes = {1e300, -1e300, 4503599627370497.0, 123456789012.0, -7.0};
  for (int i = 0; i < 20000; ++i) {
    wholes.push_back(std::round(std::bit_cast<double>(std::uint64_t(random()) << 32 | random())));
  }
  for (double value : wholes) {
    if (!std::isfinite(value)) continue;
    ASSERT_EQ(WholeNumberText(value), printed("%.0f", value + 0.0)) << value;
  }
}

TEST(NumberText, HundredthsRoundHalvesAwayFromZero) {
  EXPECT_EQ(RoundToHundredths(123450), 1235);
  EXPECT_EQ(RoundToHundredths(123449), 1234);
  EXPECT_EQ(RoundToHundredths(-50), -1);
  EXPECT_EQ(RoundToHundredths(-49), 0);
  EXPECT_EQ(RoundToHundredths(19900), 199);
  EXPECT_EQ(ZeroPadded(7, 5), "00007");
  EXPECT_EQ(WholeNumberText(-0.0), "0");
  EXPECT_EQ(WholeNumberText(-12.0), "-12");
  EXPECT_EQ(WholeNumberText(1e20), "100000000000000000000");
  EXPECT_EQ(ZeroPadded(1234567, 5), "1234567");
}

}  // namespace
}  // namespace kez
