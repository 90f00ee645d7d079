#include "btrieve/table.h"

#include <fstream>
#include <iterator>

#include "btrieve/file_creator.h"
#include "btrieve/key_compare.h"
#include "btrieve/operation.h"

namespace btrieve {

Table::Table() : engine_(NewBuiltInEngine()) {}
Table::~Table() = default;

Status Table::FindDefinition(Dictionary* dictionary, const TableDef** table) const {
  if (Status s = Dictionary::Load(dictionary_location_, *engine_, dictionary); !s.ok()) {
    return s.Prefix("dictionary");
  }
  *table = dictionary->FindTable(table_name_);
  if (*table == nullptr) {
    return Status(kFileNotFound, "table " + table_name_ + " is not in the dictionary at " +
                                     dictionary_location_.string());
  }
  return Status::Ok();
}

Status Table::Open() {
  Close();
  Dictionary dictionary;
  const TableDef* table = nullptr;
  if (Status s = FindDefinition(&dictionary, &table); !s.ok()) return status_ = s;
  definition_ = std::make_shared<const TableDef>(*table);
  definition_length_ = definition_->RecordLength();
  const std::filesystem::path path = file_name_.empty() ? dictionary.DataFile(*table) : file_name_;
  std::unique_ptr<EngineFile> file;
  EngineOpen how;
  how.mode = open_mode_;
  how.salvage = salvage_;
  Status opened = engine_->Open(path, how, &file);
  if (opened.code() == kAccessDenied && how.mode != kOpenReadOnly) {
    // A file this user may not write is still read.
    how.mode = kOpenReadOnly;
    opened = engine_->Open(path, how, &file);
  }
  if (!opened.ok()) return status_ = opened;
  file_ = std::move(file);
  record_.assign(std::max<std::size_t>(definition_length_, file_->layout().record_length), 0);
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
    return kOk;
  }
  if (base == kOpCreate) return Create().code();
  if (base == kOpReset) {
    status_ = engine_->Reset();
    return status_.code();
  }
  if (file_ == nullptr) {
    status_ = Status(kFileNotOpen, "table " + table_name_ + " is not open");
    return status_.code();
  }
  // The search value of a keyed read comes from the key's fields in the record image.
  if (file_->ReadsBuffers(operation)) {
    const KeyLayout* key = file_->layout().FindKey(key_number_);
    if (key != nullptr) {
      key_.resize(KeyLength(*key));
      ExtractKey(*key, record_, key_.data());
    }
    data_.assign(record_.begin(), record_.end());
  }
  status_ = file_->Call(operation, key_number_, &key_, &data_);
  if (status_.ok() && !data_.empty() && base != kOpGetPosition && base != kOpStat) {
    // The image before the operation stays in data_ only to be overwritten by the next one.
    record_.swap(data_);
    if (record_.size() < definition_length_) record_.resize(definition_length_, 0);
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

const FieldDef* Table::FieldAt(int index) const {
  return definition_ && index >= 0 && static_cast<std::size_t>(index) < definition_->fields.size()
             ? &definition_->fields[static_cast<std::size_t>(index)]
             : nullptr;
}

// The index is spelt out for the error only: the record layer reads every field of every record.
FieldResult Table::GetField(int index) const {
  const FieldDef* field = FieldAt(index);
  return field ? Field(field, {}) : Field(nullptr, std::to_string(index));
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
  const FieldDef* field = FieldAt(index);
  return field ? Put(field, {}, value) : Put(nullptr, std::to_string(index), value);
}

Status Table::SetField(std::string_view name, const FieldValue& value) {
  return Put(definition_ ? definition_->FindField(name) : nullptr, name, value);
}

Status Table::Create() {
  Dictionary dictionary;
  const TableDef* table = nullptr;
  if (Status s = FindDefinition(&dictionary, &table); !s.ok()) return status_ = s;
  // A key with a collating sequence takes the one kept beside the dictionary.
  std::vector<CollatingSequence> acs;
  const std::filesystem::path acs_file = ResolvePath(dictionary_location_, "upper.alt");
  std::ifstream in(acs_file, std::ios::binary);
  std::vector<std::uint8_t> block((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (block.size() >= 265 && block[0] == 0xAC) {
    CollatingSequence sequence;
    sequence.name.assign(reinterpret_cast<const char*>(&block[1]), 8);
    while (!sequence.name.empty() && sequence.name.back() == ' ') sequence.name.pop_back();
    std::copy(block.begin() + 9, block.begin() + 265, sequence.table.begin());
    acs.push_back(std::move(sequence));
  }
  FilePlan plan;
  if (Status s = PlanFromDefinition(*table, acs, &plan); !s.ok()) return status_ = s;
  plan.page_size = create_page_size_;
  plan.variable_length = create_variable_;
  const std::filesystem::path path = file_name_.empty() ? dictionary.DataFile(*table) : file_name_;
  return status_ = CreateFile(path, plan, false);
}

}  // namespace btrieve
