// RecordBuffer: one table's record buffer, a typed value for every field of the table's layout
// (kez_layouts.h), addressed by field number. Reads fill it from the table handle, writes and keyed
// reads take their values from it, and the jobs read and set it directly.
#ifndef KEZ_POSDATA_RECORD_BUFFER_H_
#define KEZ_POSDATA_RECORD_BUFFER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "btrieve/dictionary.h"
#include "btrieve/field_value.h"
#include "posdata/kez_layouts.h"

namespace kez {

class RecordBuffer {
 public:
  // The buffer of table `table` (0..5), every field cleared.
  explicit RecordBuffer(int table);

  int table() const { return table_; }
  int field_count() const { return static_cast<int>(values_.size()); }
  const btrieve::FieldDef& field(int index) const;
  FieldKind kind(int index) const { return kinds_[static_cast<std::size_t>(index)]; }

  // Every field back to its empty value: texts to blanks, numbers to 0.
  void Clear();
  // Field `index` back to its empty value.
  void ClearField(int index);

  // The typed values. Each REQUIRES a field of that kind: Integer serves 16- and 32-bit fields.
  const std::string& Text(int index) const;  // the full width, trailing blanks included
  std::int32_t Integer(int index) const;
  float Single(int index) const;
  btrieve::Currency Money(int index) const;

  // Stores text left-aligned, cut to the field's width or filled with blanks.
  void SetText(int index, std::string_view text);
  // Stores a whole number; a 16-bit field keeps the low 16 bits (REQUIRES a value that fits).
  void SetInteger(int index, std::int32_t value);
  void SetSingle(int index, float value);
  void SetMoney(int index, btrieve::Currency value);

  // Stores `value` with the conversion of the field's type: into text fields its text form
  // (fixed-width store), into number fields its numeric value (a text must hold a number; a whole
  // number field rounds halves to even). Returns false, leaving the field unchanged, when the value
  // is empty, is no number, or does not fit the field.
  bool Store(int index, const btrieve::FieldValue& value);

  // The field's value as the table handle takes it: text, whole number, floating point or
  // currency.
  const btrieve::FieldValue& Value(int index) const {
    return values_[static_cast<std::size_t>(index)];
  }

 private:
  int table_;
  const btrieve::TableDef* layout_;
  std::vector<FieldKind> kinds_;
  std::vector<btrieve::FieldValue> values_;
};

// The numeric value of a field value: numbers as they are, currency divided out, text read as a
// whole number (blanks around it allowed); nullopt for empty values and texts that are no number.
std::optional<double> NumericValue(const btrieve::FieldValue& value);

}  // namespace kez

#endif  // KEZ_POSDATA_RECORD_BUFFER_H_
