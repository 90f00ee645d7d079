// RecordBuffer: one table's record buffer, a typed value for every field of the table's layout
// (kez_layouts.h), addressed by field number. Reads fill it from the table handle, writes and keyed
// reads take their values from it, and the jobs read and set it directly.
#ifndef KEZ_POSDATA_RECORD_BUFFER_H_
#define KEZ_POSDATA_RECORD_BUFFER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/dictionary.h"
#include "btrieve/field_value.h"
#include "btrieve/field_view.h"
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
  std::int32_t Integer(int index) const {
    if (const std::uint8_t* bytes = DirectBytes(index, Direct::kInteger)) {
      return direct_[static_cast<std::size_t>(index)].size == 2
                 ? static_cast<std::int16_t>(btrieve::LoadU16(bytes))
                 : static_cast<std::int32_t>(btrieve::LoadU32(bytes));
    }
    return static_cast<std::int32_t>(std::get<std::int64_t>(Value(index)));
  }
  float Single(int index) const;
  btrieve::Currency Money(int index) const {
    if (const std::uint8_t* bytes = DirectBytes(index, Direct::kCurrency)) {
      return btrieve::Currency{static_cast<std::int64_t>(btrieve::LoadU64(bytes))};
    }
    return std::get<btrieve::Currency>(Value(index));
  }
  // Text's characters, valid until the buffer next changes: read straight from an adopted
  // record's bytes when the dictionary stores the field as they would be decoded.
  std::string_view TextView(int index) const {
    if (const std::uint8_t* bytes = DirectBytes(index, Direct::kText)) {
      return {reinterpret_cast<const char*>(bytes), direct_[static_cast<std::size_t>(index)].size};
    }
    return Text(index);
  }

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

  // Takes a record as read: its bytes (copied) and the definitions that place its fields in them
  // (the dictionary's, which need not match this table's layout). A field is decoded from the
  // bytes, with Store's conversion (empty when that fails), when it is first asked for, unless it
  // is set before: a job reads few of the fields of the records it walks. Fields the definitions
  // do not reach keep their values; the caller sets them.
  void Adopt(std::span<const std::uint8_t> record,
             const std::shared_ptr<const btrieve::TableDef>& fields);

  // The field's value as the table handle takes it: text, whole number, floating point or
  // currency.
  const btrieve::FieldValue& Value(int index) const {
    Settle(index);
    return values_[static_cast<std::size_t>(index)];
  }

 private:
  // Field `index` is set by the caller: an adopted record's bytes no longer decide it.
  void Own(int index) { stamps_[static_cast<std::size_t>(index)] = serial_; }
  // Decodes field `index` from the adopted record unless that is done or the field was set since.
  // The buffer's values are a cache of the record's bytes, so this is allowed on a const buffer.
  void Settle(int index) const {
    if (stamps_[static_cast<std::size_t>(index)] != serial_) Decode(index);
  }
  void Decode(int index) const;
  // The conversions of Store and the setters, into the value slot of field `index`.
  bool Put(int index, const btrieve::FieldValue& value) const;
  bool PutView(int index, const btrieve::FieldView& view) const;
  void PutText(int index, std::string_view text) const;
  void PutInteger(int index, std::int32_t value) const;
  void PutEmpty(int index) const;

  // A field of an adopted record whose bytes are its value with no conversion: a string at least
  // as wide as the field, a signed whole number that fits the field's kind, a 4-byte float, an
  // 8-byte currency. Walks read a few fields of every record; these need no decoding first.
  enum class Direct : std::uint8_t { kNo, kText, kInteger, kSingle, kCurrency };
  struct DirectField {
    Direct how = Direct::kNo;
    std::uint16_t offset = 0;
    std::uint16_t size = 0;    // the bytes read: the field's width for text
    std::uint32_t extent = 0;  // the record length the dictionary's field needs
  };
  void PlanDirectReads();
  // The field's bytes, when field `index` is still the adopted record's and is read `how`.
  const std::uint8_t* DirectBytes(int index, Direct how) const {
    const auto i = static_cast<std::size_t>(index);
    if (stamps_[i] == serial_ || i >= direct_.size()) return nullptr;
    const DirectField& d = direct_[i];
    if (d.how != how || d.extent > record_.size()) return nullptr;
    return record_.data() + d.offset;
  }

  int table_;
  const btrieve::TableDef* layout_;
  std::vector<FieldKind> kinds_;
  mutable std::vector<btrieve::FieldValue> values_;
  // Per field, the record (serial_) whose bytes or caller it took its value from; a field whose
  // stamp is older is decoded from record_ when it is asked for.
  mutable std::vector<std::uint64_t> stamps_;
  std::uint64_t serial_ = 0;
  std::vector<std::uint8_t> record_;
  std::shared_ptr<const btrieve::TableDef> record_fields_;
  std::vector<DirectField> direct_;  // per field of record_fields_
};

// The numeric value of a field value: numbers as they are, currency divided out, text read as a
// whole number (blanks around it allowed); nullopt for empty values and texts that are no number.
std::optional<double> NumericValue(const btrieve::FieldValue& value);

}  // namespace kez

#endif  // KEZ_POSDATA_RECORD_BUFFER_H_
