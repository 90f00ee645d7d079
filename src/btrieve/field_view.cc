#include "btrieve/field_view.h"

#include <algorithm>
#include <cstring>

#include "btrieve/byte_order.h"
#include "btrieve/key_layout.h"

namespace btrieve {
namespace {

std::uint64_t UnsignedLe(const std::uint8_t* p, std::size_t n) {
  switch (n) {
    case 2:
      return LoadU16(p);
    case 4:
      return LoadU32(p);
    case 8:
      return LoadU64(p);
    default:
      break;
  }
  std::uint64_t value = 0;
  for (std::size_t i = std::min<std::size_t>(n, 8); i-- > 0;) value = (value << 8) | p[i];
  return value;
}

std::int64_t SignedLe(const std::uint8_t* p, std::size_t n) {
  std::uint64_t value = UnsignedLe(p, n);
  if (n < 8 && (p[n - 1] & 0x80)) value |= ~0ull << (8 * n);
  return static_cast<std::int64_t>(value);
}

FieldView Text(const std::uint8_t* p, std::size_t n) {
  FieldView view;
  view.text = std::string_view(reinterpret_cast<const char*>(p), n);
  return view;
}

FieldView Number(FieldView::Kind kind, std::int64_t value) {
  FieldView view;
  view.kind = kind;
  view.integer = value;
  return view;
}

}  // namespace

bool ViewField(const FieldDef& field, std::span<const std::uint8_t> record, FieldView* out) {
  const std::size_t n = field.size;
  if (n == 0 || static_cast<std::size_t>(field.offset) + n > record.size()) return false;
  const std::uint8_t* p = record.data() + field.offset;
  switch (field.type) {
    case kTypeString:
      *out = Text(p, n);
      return true;
    case kTypeZstring:
      *out = Text(p, static_cast<std::size_t>(std::find(p, p + n, 0) - p));
      return true;
    case kTypeLstring:
      *out = Text(p + 1, std::min<std::size_t>(p[0], n - 1));
      return true;
    case kTypeInteger:
    case kTypeAutoIncrement:
      *out = Number(FieldView::Kind::kInteger, SignedLe(p, n));
      return true;
    case kTypeUnsignedBinary:
    case kTypeLogical:
    case kTypeTimestamp:
      *out = Number(FieldView::Kind::kInteger, static_cast<std::int64_t>(UnsignedLe(p, n)));
      return true;
    case kTypeCurrency:
      *out = Number(FieldView::Kind::kCurrency, SignedLe(p, n));
      return true;
    case kTypeFloat: {
      FieldView view;
      view.kind = FieldView::Kind::kDouble;
      if (n == 4) {
        float f;
        std::memcpy(&f, p, 4);
        view.real = f;
      } else if (n == 8) {
        std::memcpy(&view.real, p, 8);
      } else {
        return false;
      }
      *out = view;
      return true;
    }
    case kTypeBfloat:
    case kTypeDecimal:
    case kTypeMoney:
    case kTypeNumeric:
    case kTypeNumericSa:
    case kTypeNumericSts:
    case kTypeDate:
    case kTypeTime:
      return false;
    default:
      *out = Text(p, n);
      return true;
  }
}

FieldValue ToFieldValue(const FieldView& view) {
  switch (view.kind) {
    case FieldView::Kind::kText:
      return std::string(view.text);
    case FieldView::Kind::kInteger:
      return view.integer;
    case FieldView::Kind::kDouble:
      return view.real;
    case FieldView::Kind::kCurrency:
      return Currency{view.integer};
  }
  return std::monostate{};
}

}  // namespace btrieve
