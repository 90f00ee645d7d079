// A field's value as the table handle hands it out and takes it in: text (single-byte, exactly
// the record's bytes), a whole number, a floating-point number, a currency amount (a count of
// ten-thousandths), or empty. docs/record-engine.md lists how each field type maps to these.
#ifndef KEZ_BTRIEVE_FIELD_VALUE_H_
#define KEZ_BTRIEVE_FIELD_VALUE_H_

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "btrieve/dictionary.h"
#include "btrieve/status.h"

namespace btrieve {

struct Currency {
  std::int64_t ten_thousandths = 0;
  friend bool operator==(Currency, Currency) = default;
};

using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double, Currency>;

// Decodes a field from a record's user data. Bytes beyond the end of the record read as zero.
FieldValue DecodeField(const FieldDef& field, std::span<const std::uint8_t> record);

// Encodes a value into the field's bytes of `record` (which must hold the field), converting
// between kinds where that makes sense (text "12" into a number field, a number into a text
// field). Status 49 when the value cannot be represented in the field's type.
Status EncodeField(const FieldDef& field, const FieldValue& value, std::span<std::uint8_t> record);

// Text of a value for listings: numbers in plain decimal, currency with up to four decimals.
std::string FieldValueText(const FieldValue& value);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FIELD_VALUE_H_
