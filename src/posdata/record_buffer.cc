#include "posdata/record_buffer.h"

#include <charconv>
#include <cmath>
#include <limits>

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

std::string FixedWidth(std::string_view text, std::uint16_t width) {
  std::string fixed(text.substr(0, width));
  fixed.resize(width, ' ');
  return fixed;
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
}

const btrieve::FieldDef& RecordBuffer::field(int index) const {
  return layout_->fields[static_cast<std::size_t>(index)];
}

void RecordBuffer::Clear() {
  for (int i = 0; i < field_count(); ++i) ClearField(i);
}

void RecordBuffer::ClearField(int index) {
  values_[static_cast<std::size_t>(index)] = EmptyValue(kind(index), field(index).size);
}

const std::string& RecordBuffer::Text(int index) const {
  return std::get<std::string>(Value(index));
}

std::int32_t RecordBuffer::Integer(int index) const {
  return static_cast<std::int32_t>(std::get<std::int64_t>(Value(index)));
}

float RecordBuffer::Single(int index) const {
  return static_cast<float>(std::get<double>(Value(index)));
}

btrieve::Currency RecordBuffer::Money(int index) const {
  return std::get<btrieve::Currency>(Value(index));
}

// Reuses the field's own string: a read copies every text field of every record.
void RecordBuffer::SetText(int index, std::string_view text) {
  btrieve::FieldValue& value = values_[static_cast<std::size_t>(index)];
  const std::uint16_t width = field(index).size;
  if (auto* current = std::get_if<std::string>(&value)) {
    current->assign(text.substr(0, width));
    current->resize(width, ' ');
  } else {
    value = FixedWidth(text, width);
  }
}

void RecordBuffer::SetInteger(int index, std::int32_t value) {
  values_[static_cast<std::size_t>(index)] =
      std::int64_t{kind(index) == FieldKind::kInt16 ? static_cast<std::int16_t>(value) : value};
}

void RecordBuffer::SetSingle(int index, float value) {
  values_[static_cast<std::size_t>(index)] = static_cast<double>(value);
}

void RecordBuffer::SetMoney(int index, btrieve::Currency value) {
  values_[static_cast<std::size_t>(index)] = value;
}

bool RecordBuffer::Store(int index, const btrieve::FieldValue& value) {
  if (kind(index) == FieldKind::kText) {
    if (std::holds_alternative<std::monostate>(value)) return false;
    const auto* text = std::get_if<std::string>(&value);
    SetText(index, text != nullptr ? *text : btrieve::FieldValueText(value));
    return true;
  }
  // Currency into currency stays exact; everything else goes through its numeric value.
  if (kind(index) == FieldKind::kCurrency) {
    if (const auto* c = std::get_if<btrieve::Currency>(&value)) {
      SetMoney(index, *c);
      return true;
    }
  }
  const std::optional<double> number = NumericValue(value);
  if (!number) return false;
  switch (kind(index)) {
    case FieldKind::kInt16:
    case FieldKind::kInt32: {
      const double whole = RoundHalfEven(*number);
      const bool narrow = kind(index) == FieldKind::kInt16;
      const double low = narrow ? std::numeric_limits<std::int16_t>::min()
                                : std::numeric_limits<std::int32_t>::min();
      const double high = narrow ? std::numeric_limits<std::int16_t>::max()
                                 : std::numeric_limits<std::int32_t>::max();
      if (whole < low || whole > high) return false;
      SetInteger(index, static_cast<std::int32_t>(whole));
      return true;
    }
    case FieldKind::kSingle:
      if (std::fabs(*number) > std::numeric_limits<float>::max()) return false;
      SetSingle(index, static_cast<float>(*number));
      return true;
    case FieldKind::kCurrency: {
      const double scaled = std::round(*number * 10000.0);
      if (std::fabs(scaled) >= 9.2e18) return false;
      SetMoney(index, btrieve::Currency{static_cast<std::int64_t>(scaled)});
      return true;
    }
    case FieldKind::kText:
      break;
  }
  return false;
}

}  // namespace kez
