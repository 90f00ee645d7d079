// The ordering rules of key types, collating sequences, case folding, descending segments and
// null keys.
#include "btrieve/key_compare.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace btrieve {
namespace {

using B = std::vector<std::uint8_t>;

int Cmp(std::uint8_t type, const B& a, const B& b, const std::uint8_t* acs = nullptr,
        bool nocase = false) {
  return CompareSegment(type, a.data(), b.data(), static_cast<std::uint16_t>(a.size()), acs,
                        nocase);
}

// Checks that `values` are listed in strictly increasing order under the type's rule.
void ExpectIncreasing(std::uint8_t type, const std::vector<B>& values) {
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    EXPECT_LT(Cmp(type, values[i], values[i + 1]), 0) << "type " << int(type) << " at " << i;
    EXPECT_GT(Cmp(type, values[i + 1], values[i]), 0) << "type " << int(type) << " at " << i;
    EXPECT_EQ(Cmp(type, values[i], values[i]), 0);
  }
}

TEST(KeyTypes, NumbersSortByValueNotByBytes) {
  ExpectIncreasing(
      kTypeInteger,
      {{0x00, 0x80}, {0xFF, 0xFF}, {0x00, 0x00}, {0x01, 0x00}, {0x00, 0x01}, {0xFF, 0x7F}});
  // Four bytes (loaded whole) and three (byte by byte): -2^31 or -2^23, -256, -1, 0, 1, 255, max.
  ExpectIncreasing(kTypeInteger, {{0, 0, 0, 0x80},
                                  {0, 0xFF, 0xFF, 0xFF},
                                  {0xFF, 0xFF, 0xFF, 0xFF},
                                  {0, 0, 0, 0},
                                  {1, 0, 0, 0},
                                  {0xFF, 0, 0, 0},
                                  {0xFF, 0xFF, 0xFF, 0x7F}});
  ExpectIncreasing(kTypeInteger, {{0, 0, 0x80},
                                  {0, 0xFF, 0xFF},
                                  {0xFF, 0xFF, 0xFF},
                                  {0, 0, 0},
                                  {1, 0, 0},
                                  {0xFF, 0, 0},
                                  {0xFF, 0xFF, 0x7F}});
  ExpectIncreasing(kTypeUnsignedBinary, {{0x00, 0x00}, {0xFF, 0x00}, {0x00, 0x01}, {0xFF, 0xFF}});
  ExpectIncreasing(kTypeCurrency, {{0x00, 0, 0, 0, 0, 0, 0, 0x80},
                                   {0xF0, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                   {0, 0, 0, 0, 0, 0, 0, 0},
                                   {0x10, 0x27, 0, 0, 0, 0, 0, 0}});
  // -2.5, -0.5, 0, 1.5, 3 as IEEE singles.
  ExpectIncreasing(kTypeFloat, {{0x00, 0x00, 0x20, 0xC0},
                                {0x00, 0x00, 0x00, 0xBF},
                                {0x00, 0x00, 0x00, 0x00},
                                {0x00, 0x00, 0xC0, 0x3F},
                                {0x00, 0x00, 0x40, 0x40}});
  // MBF singles: -1, 0.5, 1, 2 (exponent last, sign in the byte before).
  ExpectIncreasing(
      kTypeBfloat,
      {{0, 0, 0x80, 0x81}, {0, 0, 0x00, 0x80}, {0, 0, 0x00, 0x81}, {0, 0, 0x00, 0x82}});
}

TEST(KeyTypes, DatesAndTimesSortByCalendar) {
  // Date: day, month, year (u16).
  ExpectIncreasing(
      kTypeDate,
      {{31, 12, 0xCF, 0x07}, {1, 1, 0xD0, 0x07}, {2, 1, 0xD0, 0x07}, {1, 2, 0xD0, 0x07}});
  // Time: hundredths, seconds, minutes, hours.
  ExpectIncreasing(kTypeTime, {{99, 59, 59, 9}, {0, 0, 0, 10}, {1, 0, 0, 10}, {0, 1, 0, 10}});
}

TEST(KeyTypes, DecimalFormsCompareSignedMagnitudes) {
  // Packed decimal, 3 bytes: -120, -5, 0, +7, +120 (sign nibble D negative, C/F positive).
  ExpectIncreasing(kTypeDecimal, {{0x00, 0x12, 0x0D},
                                  {0x00, 0x00, 0x5D},
                                  {0x00, 0x00, 0x0C},
                                  {0x00, 0x00, 0x7F},
                                  {0x00, 0x12, 0x0C}});
  EXPECT_EQ(Cmp(kTypeDecimal, {0x00, 0x00, 0x0D}, {0x00, 0x00, 0x0C}), 0);  // -0 = +0
  // Numeric with over-punched sign: -12 ("1K"), -1 ("0J"), 0 ("00"), 12 ("12"), 13 ("1C").
  ExpectIncreasing(kTypeNumeric, {{'1', 'K'}, {'0', 'J'}, {'0', '0'}, {'1', '2'}, {'1', 'C'}});
  // Numeric with a trailing sign byte.
  ExpectIncreasing(kTypeNumericSts, {{'0', '9', '-'}, {'0', '1', '-'}, {'0', '1', '+'}});
}

TEST(KeyTypes, TextFormsStopWhereTheirLengthSays) {
  EXPECT_EQ(Cmp(kTypeZstring, {'a', 'b', 0, 'x'}, {'a', 'b', 0, 'y'}), 0);
  EXPECT_LT(Cmp(kTypeZstring, {'a', 0, 'z', 'z'}, {'a', 'b', 0, 0}), 0);
  EXPECT_EQ(Cmp(kTypeLstring, {2, 'a', 'b', 'x'}, {2, 'a', 'b', 'y'}), 0);
  EXPECT_LT(Cmp(kTypeLstring, {1, 'b', 'z', 'z'}, {2, 'b', 'a', 0}), 0);
  EXPECT_GT(Cmp(kTypeString, {0xE9, 'a'}, {'z', 'a'}), 0);  // unsigned bytes
}

TEST(KeyTypes, CollatingSequenceAndCaseFolding) {
  std::array<std::uint8_t, 256> upper{};
  for (int c = 0; c < 256; ++c) {
    upper[c] = static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  EXPECT_EQ(Cmp(kTypeString, {'a', 'B'}, {'A', 'b'}, upper.data()), 0);
  EXPECT_EQ(Cmp(kTypeString, {'a', 'B'}, {'A', 'b'}, nullptr, true), 0);
  EXPECT_NE(Cmp(kTypeString, {'a', 'B'}, {'A', 'b'}), 0);
  // The length byte of an lstring is never translated.
  EXPECT_EQ(Cmp(kTypeLstring, {2, 'a', 'b'}, {2, 'A', 'B'}, upper.data()), 0);
  EXPECT_LT(Cmp(kTypeLstring, {1, 'a', 'x'}, {2, 'A', 'A'}, upper.data()), 0);
}

FileLayout TwoSegmentLayout(std::uint16_t flags0, std::uint16_t flags1) {
  FileLayout layout;
  layout.format = Format::kNew;
  KeyLayout key;
  key.flags = flags0;
  key.segments.push_back({0, 2, flags0, kTypeInteger, 0x00, -1});
  key.segments.push_back({2, 2, flags1, kTypeString, 0x20, -1});
  layout.keys.push_back(key);
  return layout;
}

TEST(KeySegments, DescendingSegmentInvertsOnlyItself) {
  const FileLayout layout = TwoSegmentLayout(kKeySegmented, kKeyDescending);
  const KeyComparator compare(layout.keys[0], layout);
  const B a = {1, 0, 'a', 'a'};
  const B b = {1, 0, 'b', 'b'};
  const B c = {2, 0, 'z', 'z'};
  EXPECT_GT(compare.Compare(a.data(), b.data()), 0);
  EXPECT_LT(compare.Compare(b.data(), c.data()), 0);
}

TEST(KeySegments, NullAllAndNullAny) {
  const B both_null = {0, 0, ' ', ' '};
  const B one_null = {0, 0, 'x', ' '};
  const B none_null = {1, 0, 'x', 'y'};
  {
    const FileLayout layout = TwoSegmentLayout(kKeySegmented | kKeyNullAll, kKeyNullAll);
    const KeyComparator compare(layout.keys[0], layout);
    EXPECT_TRUE(compare.IsNull(both_null.data()));
    EXPECT_FALSE(compare.IsNull(one_null.data()));
  }
  {
    const FileLayout layout =
        TwoSegmentLayout(kKeySegmented | kKeyNullAll | kKeyNullAny, kKeyNullAll | kKeyNullAny);
    const KeyComparator compare(layout.keys[0], layout);
    EXPECT_TRUE(compare.IsNull(one_null.data()));
    EXPECT_FALSE(compare.IsNull(none_null.data()));
  }
}

// A key compares its common segment kinds inline; each must order as the type's own rule does,
// ascending and descending, for every width they take.
TEST(KeySegments, InlineKindsOrderAsTheTypesRules) {
  std::mt19937 random(3);
  for (const std::uint8_t type :
       {kTypeString, kTypeInteger, kTypeAutoIncrement, kTypeCurrency, kTypeDate, kTypeTime,
        kTypeUnsignedBinary, kTypeTimestamp, kTypeLogical}) {
    for (const int w : {1, 2, 3, 4, 8}) {
      const auto width = static_cast<std::uint16_t>(w);
      for (const std::uint16_t flags : {std::uint16_t{0}, std::uint16_t{kKeyDescending}}) {
        FileLayout layout;
        layout.format = Format::kNew;
        KeyLayout key;
        key.segments.push_back({0, width, flags, type, 0, -1});
        layout.keys.push_back(key);
        const KeyComparator compare(layout.keys[0], layout);
        for (int i = 0; i < 2000; ++i) {
          B a(width), b(width);
          for (std::uint16_t j = 0; j < width; ++j) {
            // Few byte values, so that equal bytes and equal keys are common.
            a[j] = static_cast<std::uint8_t>(random() % 3 == 0 ? 0x80 : random() % 2);
            b[j] = random() % 2 == 0 ? a[j] : static_cast<std::uint8_t>(random() % 256);
          }
          const int rule = Cmp(type, a, b);
          const int expected = flags != 0 ? -rule : rule;
          const int got = compare.Compare(a.data(), b.data());
          ASSERT_EQ((got > 0) - (got < 0), (expected > 0) - (expected < 0))
              << "type " << int(type) << " width " << width << " flags " << flags;
        }
      }
    }
  }
}

TEST(KeySegments, ExtractPadsWhatLiesBeyondTheRecord) {
  const FileLayout layout = TwoSegmentLayout(kKeySegmented, 0);
  const KeyComparator compare(layout.keys[0], layout);
  B key(4, 0xAA);
  compare.Extract(B{7, 0, 'q'}, key.data());
  EXPECT_EQ(key, (B{7, 0, 'q', 0}));
}

}  // namespace
}  // namespace btrieve
