#include "sample/sample_description.h"

#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "btrieve/dictionary.h"
#include "platform/windows1252.h"

namespace kez {
namespace {

// Tables and fields keep the order the file lists them in.
using Json = nlohmann::ordered_json;

constexpr int kFileNumberField = 52;

// A field by its dictionary name (letter case ignored) or its index written in decimal.
int FieldIndex(const RecordBuffer& record, std::string_view key) {
  int index = -1;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), index);
  if (error == std::errc() && end == key.data() + key.size()) {
    return index >= 0 && index < record.field_count() ? index : -1;
  }
  for (int i = 0; i < record.field_count(); ++i) {
    if (btrieve::SameName(record.field(i).name, key)) return i;
  }
  return -1;
}

bool SetField(RecordBuffer& record, int index, const Json& value, std::string* error) {
  btrieve::FieldValue field_value;
  if (value.is_string()) {
    const Windows1252Text text = Windows1252FromUtf8(value.get<std::string>());
    if (!text.lossless) {
      *error = "has characters that Windows-1252 lacks";
      return false;
    }
    field_value = text.text;
  } else if (value.is_number_integer()) {
    field_value = value.get<std::int64_t>();
  } else if (value.is_number()) {
    field_value = value.get<double>();
  } else if (value.is_null()) {
    record.ClearField(index);
    return true;
  } else {
    *error = "must be text, a number or null";
    return false;
  }
  if (record.kind(index) == FieldKind::kText && !std::holds_alternative<std::string>(field_value)) {
    *error = "is a text field: give the value as text";
    return false;
  }
  if (const auto* text = std::get_if<std::string>(&field_value);
      text != nullptr && record.kind(index) == FieldKind::kText &&
      text->size() > record.field(index).size) {
    *error =
        "is longer than the field's " + std::to_string(record.field(index).size) + " characters";
    return false;
  }
  if (!record.Store(index, field_value)) {
    *error = "does not fit the field";
    return false;
  }
  return true;
}

bool ReadRecords(const std::string& table_name, const Json& rows, SampleDescription* out,
                 std::string* error) {
  const int table = TableNumber(table_name);
  const std::string where = "tables." + table_name;
  if (table < 0) {
    *error = where + ": no such table (COMMON, INVENTRY, SALESHEAD, UPC, SALESITEM, NAMES)";
    return false;
  }
  if (!rows.is_array()) {
    *error = where + ": must be a list of records";
    return false;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    if (!rows[i].is_object()) {
      *error = at + ": must be an object of fields";
      return false;
    }
    RecordBuffer record(table);
    for (const auto& [key, value] : rows[i].items()) {
      const int index = FieldIndex(record, key);
      if (index < 0) {
        *error = at + "." + key + ": no such field in " + table_name;
        return false;
      }
      std::string why;
      if (!SetField(record, index, value, &why)) {
        *error = at + "." + key + ": " + value.dump() + " " + why;
        return false;
      }
    }
    out->records.push_back(std::move(record));
  }
  return true;
}

}  // namespace

bool ReadSampleDescription(std::string_view json, SampleDescription* out, std::string* error) {
  *out = SampleDescription();
  const Json document = Json::parse(json.begin(), json.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    *error = "not a JSON object";
    return false;
  }
  for (const auto& [key, value] : document.items()) {
    if (key != "tables" && key != "file_number" && key != "kez_ini") {
      *error = key + ": unknown entry (tables, file_number, kez_ini)";
      return false;
    }
  }
  std::optional<int> file_number;
  if (document.contains("file_number")) {
    const Json& number = document["file_number"];
    if (!number.is_number_integer() || number.get<std::int64_t>() < 0 ||
        number.get<std::int64_t>() > 32767) {
      *error = "file_number: must be a whole number from 0 to 32767";
      return false;
    }
    file_number = number.get<int>();
  }
  if (document.contains("kez_ini")) {
    if (!document["kez_ini"].is_string()) {
      *error = "kez_ini: must be text";
      return false;
    }
    out->kez_ini = Windows1252FromUtf8(document["kez_ini"].get<std::string>()).text;
  }
  if (document.contains("tables")) {
    const Json& tables = document["tables"];
    if (!tables.is_object()) {
      *error = "tables: must be an object of tables";
      return false;
    }
    for (const auto& [name, rows] : tables.items()) {
      if (!ReadRecords(name, rows, out, error)) return false;
    }
  }
  for (const RecordBuffer& record : out->records) {
    if (record.table() != kCommon) continue;
    const int common_number = record.Integer(kFileNumberField);
    if (file_number && *file_number != common_number) {
      *error = "file_number " + std::to_string(*file_number) +
               " differs from the first COMMON record's FileNumber " +
               std::to_string(common_number);
      return false;
    }
    file_number = common_number;
    break;
  }
  out->file_number = file_number.value_or(1);
  return true;
}

}  // namespace kez
