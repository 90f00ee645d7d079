// Field values in and out of record bytes: every conversion a table handle makes.
#include "btrieve/field_value.h"

#include <gtest/gtest.h>

#include <vector>

#include "btrieve/key_layout.h"

namespace btrieve {
namespace {

FieldDef Field(std::uint8_t type, std::uint16_t size, std::uint8_t decimals = 0) {
  FieldDef field;
  field.name = "f";
  field.type = type;
  field.offset = 1;
  field.size = size;
  field.decimals = decimals;
  return field;
}

FieldValue RoundTrip(const FieldDef& field, const FieldValue& in) {
  std::vector<std::uint8_t> record(field.offset + field.size + 1, 0xEE);
  EXPECT_TRUE(EncodeField(field, in, record).ok());
  EXPECT_EQ(record.front(), 0xEE);  // neighbours untouched
  EXPECT_EQ(record.back(), 0xEE);
  return DecodeField(field, record);
}

TEST(FieldValues, TextIsCutOrBlankFilledToItsWidth) {
  EXPECT_EQ(RoundTrip(Field(kTypeString, 7), std::string("123")),
            FieldValue(std::string("123    ")));
  EXPECT_EQ(RoundTrip(Field(kTypeString, 3), std::string("12345")), FieldValue(std::string("123")));
  EXPECT_EQ(RoundTrip(Field(kTypeZstring, 4), std::string("abcdef")),
            FieldValue(std::string("abc")));
  EXPECT_EQ(RoundTrip(Field(kTypeLstring, 5), std::string("hi")), FieldValue(std::string("hi")));
  EXPECT_EQ(RoundTrip(Field(kTypeString, 4), std::int64_t{42}), FieldValue(std::string("42  ")));
}

TEST(FieldValues, IntegersKeepSignAndRefuseOverflow) {
  EXPECT_EQ(RoundTrip(Field(kTypeInteger, 2), std::int64_t{-2}), FieldValue(std::int64_t{-2}));
  EXPECT_EQ(RoundTrip(Field(kTypeInteger, 4), std::string("77")), FieldValue(std::int64_t{77}));
  EXPECT_EQ(RoundTrip(Field(kTypeInteger, 2), 2.5), FieldValue(std::int64_t{2}));  // to even
  std::vector<std::uint8_t> record(8);
  EXPECT_EQ(EncodeField(Field(kTypeInteger, 2), std::int64_t{40000}, record).code(), kKeyTypeError);
  EXPECT_EQ(EncodeField(Field(kTypeInteger, 2), std::string("abc"), record).code(), kKeyTypeError);
}

TEST(FieldValues, CurrencyIsExactTenThousandths) {
  EXPECT_EQ(RoundTrip(Field(kTypeCurrency, 8), std::string("1250.50")),
            FieldValue(Currency{12505000}));
  EXPECT_EQ(RoundTrip(Field(kTypeCurrency, 8), std::int64_t{-3}), FieldValue(Currency{-30000}));
  EXPECT_EQ(RoundTrip(Field(kTypeCurrency, 8), 0.1), FieldValue(Currency{1000}));
  EXPECT_EQ(FieldValueText(Currency{12505000}), "1250.5");
  EXPECT_EQ(FieldValueText(Currency{-1}), "-0.0001");
  EXPECT_EQ(FieldValueText(Currency{INT64_MIN}), "-922337203685477.5808");
}

TEST(FieldValues, FloatsDatesTimesAndPackedDecimals) {
  EXPECT_EQ(RoundTrip(Field(kTypeFloat, 4), 1.5), FieldValue(1.5));
  EXPECT_EQ(RoundTrip(Field(kTypeFloat, 8), -0.1), FieldValue(-0.1));
  EXPECT_EQ(RoundTrip(Field(kTypeDate, 4), std::string("2024-02-29")),
            FieldValue(std::string("2024-02-29")));
  EXPECT_EQ(RoundTrip(Field(kTypeDate, 4), std::string()), FieldValue(std::string()));
  EXPECT_EQ(RoundTrip(Field(kTypeTime, 4), std::string("23:59:58.07")),
            FieldValue(std::string("23:59:58.07")));
  EXPECT_EQ(RoundTrip(Field(kTypeDecimal, 4, 2), -123.45), FieldValue(-123.45));
  EXPECT_EQ(RoundTrip(Field(kTypeMoney, 5), 99.99), FieldValue(99.99));
}

TEST(FieldValues, FieldsBeyondAShortRecordReadAsZero) {
  const FieldDef field = Field(kTypeInteger, 4);
  EXPECT_EQ(DecodeField(field, std::vector<std::uint8_t>{9, 1, 2}),
            FieldValue(std::int64_t{0x0201}));
  std::vector<std::uint8_t> small(2);
  EXPECT_EQ(EncodeField(field, std::int64_t{1}, small).code(), kInvalidRecordLength);
}

}  // namespace
}  // namespace btrieve
