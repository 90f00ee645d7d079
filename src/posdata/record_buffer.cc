#include "posdata/record_buffer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "btrieve/key_layout.h"
#include "platform/number_text.h"

namespace kez {
namespace {

btrieve::FieldValue EmptyValue(FieldKind kind, std::uint16_t width) {
  switch (kind) {
    case FieldKind::kText:
      return std::string(width, ' ');
    case FieldKind::kInt16:
    case FieldKind::kInt32:
      return std::int64_t{0};
    case FieldKind::kSingle:
      return 0.0;
    case FieldKind::kCurrency:
      return btrieve::Currency{};
  }
  return std::monostate{};
}

// A text that is one number and nothing else, blanks around it allowed.
std::optional<double> NumberText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool FitsWhole(FieldKind kind, double whole) {
  const bool narrow = kind == FieldKind::kInt16;
  const double low =
      narrow ? std::numeric_limits<std::int16_t>::min() : std::numeric_limits<std::int32_t>::min();
  const double high =
      narrow ? std::numeric_limits<std::int16_t>::max() : std::numeric_limits<std::int32_t>::max();
  return whole >= low && whole <= high;
}

bool FitsSingle(double number) { return !(std::fabs(number) > std::numeric_limits<float>::max()); }

}  // namespace

std::optional<double> NumericValue(const btrieve::FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* c = std::get_if<btrieve::Currency>(&value)) {
    return static_cast<double>(c->ten_thousandths) / 10000.0;
  }
  if (const auto* s = std::get_if<std::string>(&value)) return NumberText(*s);
  return std::nullopt;
}

RecordBuffer::RecordBuffer(int table) : table_(table), layout_(&KezTableDef(table)) {
  for (const btrieve::FieldDef& field : layout_->fields) {
    kinds_.push_back(KindOf(field));
    values_.push_back(EmptyValue(kinds_.back(), field.size));
  }
  stamps_.assign(values_.size(), serial_);
}

const btrieve::FieldDef& RecordBuffer::field(int index) const {
  return layout_->fields[static_cast<std::size_t>(index)];
}

void RecordBuffer::Clear() {
  for (int i = 0; i < field_count(); ++i) ClearField(i);
}

void RecordBuffer::ClearField(int index) {
  Own(index);
  PutEmpty(index);
}

const std::string& RecordBuffer::Text(int index) const {
  return std::get<std::string>(Value(index));
}

float RecordBuffer::Single(int index) const {
  if (const std::uint8_t* bytes = DirectBytes(index, Direct::kSingle)) {
    float value;
    std::memcpy(&value, bytes, sizeof value);
    // Infinities do not fit and read as empty; NaNs keep the decoding's own conversions.
    if (std::isfinite(value)) return value;
  }
  return static_cast<float>(std::get<double>(Value(index)));
}

void RecordBuffer::SetText(int index, std::string_view text) {
  Own(index);
  PutText(index, text);
}

void RecordBuffer::SetInteger(int index, std::int32_t value) {
  Own(index);
  PutInteger(index, value);
}

void RecordBuffer::SetSingle(int index, float value) {
  Own(index);
  values_[static_cast<std::size_t>(index)] = static_cast<double>(value);
}

void RecordBuffer::SetMoney(int index, btrieve::Currency value) {
  Own(index);
  values_[static_cast<std::size_t>(index)] = value;
}

bool RecordBuffer::Store(int index, const btrieve::FieldValue& value) {
  // A value that does not fit leaves the field as it was, decoded from its record if need be.
  Settle(index);
  return Put(index, value);
}

void RecordBuffer::Adopt(std::span<const std::uint8_t> record,
                         const std::shared_ptr<const btrieve::TableDef>& fields) {
  record_.assign(record.begin(), record.end());
  if (record_fields_ != fields) {
    record_fields_ = fields;
    PlanDirectReads();
  }
  ++serial_;
  for (std::size_t i = record_fields_->fields.size(); i < values_.size(); ++i) {
    Own(static_cast<int>(i));
  }
}

void RecordBuffer::PlanDirectReads() {
  const std::size_t count = std::min(record_fields_->fields.size(), values_.size());
  direct_.assign(count, DirectField{});
  for (std::size_t i = 0; i < count; ++i) {
    const btrieve::FieldDef& from = record_fields_->fields[i];
    const FieldKind into = kinds_[i];
    const std::uint16_t width = layout_->fields[i].size;
    DirectField& d = direct_[i];
    d.offset = from.offset;
    d.size = from.size;
    d.extent = static_cast<std::uint32_t>(from.offset) + from.size;
    const bool whole =
        from.type == btrieve::kTypeInteger || from.type == btrieve::kTypeAutoIncrement;
    if (from.type == btrieve::kTypeString && into == FieldKind::kText && from.size >= width &&
        width > 0) {
      d.how = Direct::kText;
      d.size = width;
    } else if (whole && ((into == FieldKind::kInt16 && from.size == 2) ||
                         (into == FieldKind::kInt32 && (from.size == 2 || from.size == 4)))) {
      d.how = Direct::kInteger;
    } else if (from.type == btrieve::kTypeFloat && into == FieldKind::kSingle && from.size == 4) {
      d.how = Direct::kSingle;
    } else if (from.type == btrieve::kTypeCurrency && into == FieldKind::kCurrency &&
               from.size == 8) {
      d.how = Direct::kCurrency;
    }
  }
}

void RecordBuffer::Decode(int index) const {
  stamps_[static_cast<std::size_t>(index)] = serial_;
  const btrieve::FieldDef& from = record_fields_->fields[static_cast<std::size_t>(index)];
  btrieve::FieldView view;
  const bool stored = btrieve::ViewField(from, record_, &view)
                          ? PutView(index, view)
                          : Put(index, btrieve::DecodeField(from, record_));
  if (!stored) PutEmpty(index);
}

// The kinds a record's fields have in the KEZ layouts go straight in; the rest converts as Store
// converts them.
bool RecordBuffer::PutView(int index, const btrieve::FieldView& view) const {
  using Kind = btrieve::FieldView::Kind;
  const FieldKind into = kind(index);
  if (into == FieldKind::kText && view.kind == Kind::kText) {
    PutText(index, view.text);
    return true;
  }
  if ((into == FieldKind::kInt16 || into == FieldKind::kInt32) && view.kind == Kind::kInteger) {
    if (!FitsWhole(into, static_cast<double>(view.integer))) return false;
    PutInteger(index, static_cast<std::int32_t>(view.integer));
    return true;
  }
  if (into == FieldKind::kSingle && view.kind == Kind::kDouble) {
    if (!FitsSingle(view.real)) return false;
    values_[static_cast<std::size_t>(index)] = static_cast<double>(static_cast<float>(view.real));
    return true;
  }
  if (into == FieldKind::kCurrency && view.kind == Kind::kCurrency) {
    values_[static_cast<std::size_t>(index)] = btrieve::Currency{view.integer};
    return true;
  }
  return Put(index, btrieve::ToFieldValue(view));
}

bool RecordBuffer::Put(int index, const btrieve::FieldValue& value) const {
  btrieve::FieldValue& slot = values_[static_cast<std::size_t>(index)];
  if (kind(index) == FieldKind::kText) {
    if (std::holds_alternative<std::monostate>(value)) return false;
    const auto* text = std::get_if<std::string>(&value);
    PutText(index, text != nullptr ? *text : btrieve::FieldValueText(value));
    return true;
  }
  // Currency into currency stays exact; everything else goes through its numeric value.
  if (kind(index) == FieldKind::kCurrency) {
    if (const auto* c = std::get_if<btrieve::Currency>(&value)) {
      slot = *c;
      return true;
    }
  }
  const std::optional<double> number = NumericValue(value);
  if (!number) return false;
  switch (kind(index)) {
    case FieldKind::kInt16:
    case FieldKind::kInt32: {
      const double whole = RoundHalfEven(*number);
      if (!FitsWhole(kind(index), whole)) return false;
      PutInteger(index, static_cast<std::int32_t>(whole));
      return true;
    }
    case FieldKind::kSingle:
      if (!FitsSingle(*number)) return false;
      slot = static_cast<double>(static_cast<float>(*number));
      return true;
    case FieldKind::kCurrency: {
      const double scaled = std::round(*number * 10000.0);
      if (std::fabs(scaled) >= 9.2e18) return false;
      slot = btrieve::Currency{static_cast<std::int64_t>(scaled)};
      return true;
    }
    case FieldKind::kText:
      break;
  }
  return false;
}

// Reuses the field's own string: a read copies every text field it is asked for.
void RecordBuffer::PutText(int index, std::string_view text) const {
  btrieve::FieldValue& value = values_[static_cast<std::size_t>(index)];
  const std::uint16_t width = field(index).size;
  auto* current = std::get_if<std::string>(&value);
  if (current == nullptr) current = &value.emplace<std::string>();
  current->assign(text.substr(0, width));
  current->resize(width, ' ');
}

void RecordBuffer::PutInteger(int index, std::int32_t value) const {
  values_[static_cast<std::size_t>(index)] =
      std::int64_t{kind(index) == FieldKind::kInt16 ? static_cast<std::int16_t>(value) : value};
}

void RecordBuffer::PutEmpty(int index) const {
  btrieve::FieldValue& value = values_[static_cast<std::size_t>(index)];
  if (auto* text = std::get_if<std::string>(&value);
      text != nullptr && kind(index) == FieldKind::kText) {
    text->assign(field(index).size, ' ');
    return;
  }
  value = EmptyValue(kind(index), field(index).size);
}

}  // namespace kez
