#include "btrieve/table.h"

#include "btrieve/key_compare.h"
#include "btrieve/operation.h"

namespace btrieve {

Table::Table() = default;
Table::~Table() = default;

Status Table::Open() {
  Close();
  Dictionary dictionary;
  if (Status s = Dictionary::Load(dictionary_location_, &dictionary); !s.ok()) {
    return status_ = s.Prefix("dictionary");
  }
  const TableDef* table = dictionary.FindTable(table_name_);
  if (table == nullptr) {
    return status_ =
               Status(kFileNotFound, "table " + table_name_ + " is not in the dictionary at " +
                                         dictionary_location_.string());
  }
  definition_ = std::make_unique<TableDef>(*table);
  const std::filesystem::path path = file_name_.empty() ? dictionary.DataFile(*table) : file_name_;
  std::unique_ptr<File> file;
  if (Status s = File::Open(path, &file); !s.ok()) return status_ = s;
  file_ = std::move(file);
  record_.assign(std::max<std::size_t>(definition_->RecordLength(), file_->layout().record_length),
                 0);
  return status_ = Status::Ok();
}

void Table::Close() { file_.reset(); }

std::size_t Table::field_count() const { return definition_ ? definition_->fields.size() : 0; }

int Table::Perform(int operation) {
  const int base = operation % kLockBiasUnit;
  if (base == kOpOpen) return Open().code();
  if (base == kOpClose) {
    Close();
    status_ = Status::Ok();
    return 0;
  }
  if (base == kOpReset) {
    status_ = Status::Ok();
    return 0;
  }
  if (file_ == nullptr) {
    status_ = Status(kFileNotOpen, "table " + table_name_ + " is not open");
    return status_.code();
  }
  // The search value of a keyed read comes from the key's fields in the record image.
  const KeySpec* key = file_->layout().FindKey(key_number_);
  if (key != nullptr) {
    const KeyComparator compare(*key, file_->layout());
    key_.resize(compare.key_length());
    compare.Extract(record_, key_.data());
  }
  Bytes data = record_;
  status_ = file_->Execute(operation, key_number_, &key_, &data);
  if (status_.ok() && !data.empty() && base != kOpGetPosition && base != kOpStat) {
    record_ = std::move(data);
    if (definition_ && record_.size() < definition_->RecordLength()) {
      record_.resize(definition_->RecordLength(), 0);
    }
  }
  return status_.code();
}

FieldResult Table::Field(const FieldDef* field, std::string_view asked) const {
  if (field == nullptr) {
    return {Status(kInvalidOperation,
                   "Invalid FieldIndex " + std::string(asked) + " for table " + table_name_),
            std::monostate{}};
  }
  return {Status::Ok(), DecodeField(*field, record_)};
}

FieldResult Table::GetField(int index) const {
  const FieldDef* field =
      definition_ && index >= 0 && static_cast<std::size_t>(index) < definition_->fields.size()
          ? &definition_->fields[static_cast<std::size_t>(index)]
          : nullptr;
  return Field(field, std::to_string(index));
}

FieldResult Table::GetField(std::string_view name) const {
  return Field(definition_ ? definition_->FindField(name) : nullptr, name);
}

Status Table::Put(const FieldDef* field, std::string_view asked, const FieldValue& value) {
  if (field == nullptr) {
    return Status(kInvalidOperation,
                  "Invalid FieldIndex " + std::string(asked) + " for table " + table_name_);
  }
  if (record_.size() < static_cast<std::size_t>(field->offset) + field->size) {
    record_.resize(static_cast<std::size_t>(field->offset) + field->size, 0);
  }
  return EncodeField(*field, value, record_);
}

Status Table::SetField(int index, const FieldValue& value) {
  const FieldDef* field =
      definition_ && index >= 0 && static_cast<std::size_t>(index) < definition_->fields.size()
          ? &definition_->fields[static_cast<std::size_t>(index)]
          : nullptr;
  return Put(field, std::to_string(index), value);
}

Status Table::SetField(std::string_view name, const FieldValue& value) {
  return Put(definition_ ? definition_->FindField(name) : nullptr, name, value);
}

Status Table::Create() { return Status(kInvalidOperation, "not yet"); }

}  // namespace btrieve
