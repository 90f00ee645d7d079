// A field read straight from a record's bytes, nothing allocated: texts as views of the bytes,
// whole numbers, floating point and currency as stored. The record layer reads the fields of every
// record it walks, so the types that need no conversion are read this way; packed and numeric
// decimals, dates, times and bfloat go through DecodeField.
#ifndef KEZ_BTRIEVE_FIELD_VIEW_H_
#define KEZ_BTRIEVE_FIELD_VIEW_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "btrieve/dictionary.h"
#include "btrieve/field_value.h"

namespace btrieve {

struct FieldView {
  enum class Kind { kText, kInteger, kDouble, kCurrency };
  Kind kind = Kind::kText;
  std::string_view text;     // kText: the record's bytes, valid while the record is
  std::int64_t integer = 0;  // kInteger; kCurrency in ten-thousandths
  double real = 0;           // kDouble
};

// Reads `field` from `record` when its type is one of the kinds above and the field lies wholly
// inside the record; false otherwise. What it reads equals what DecodeField gives.
bool ViewField(const FieldDef& field, std::span<const std::uint8_t> record, FieldView* out);

// The view as a field value (what DecodeField gives for the same bytes).
FieldValue ToFieldValue(const FieldView& view);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FIELD_VIEW_H_
