// The table handle: one logical table of a dictionary, bound to its data file. It holds a record
// image whose fields are read and set by index (dictionary order) or by name; a keyed read takes
// its search value from the key's fields in that image, and a successful read replaces it.
#ifndef KEZ_BTRIEVE_TABLE_H_
#define KEZ_BTRIEVE_TABLE_H_

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "btrieve/dictionary.h"
#include "btrieve/engine.h"
#include "btrieve/field_value.h"
#include "btrieve/file.h"
#include "btrieve/status.h"

namespace btrieve {

// A field value or the reason there is none. A failure's detail names "FieldIndex" when the
// field does not exist.
struct FieldResult {
  Status status;
  FieldValue value;
};

class Table {
 public:
  Table();
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  void set_dictionary_location(std::filesystem::path folder) {
    dictionary_location_ = std::move(folder);
  }
  const std::filesystem::path& dictionary_location() const { return dictionary_location_; }
  void set_table_name(std::string name) { table_name_ = std::move(name); }
  const std::string& table_name() const { return table_name_; }
  // The data file; when empty, the dictionary's location for the table is used.
  void set_file_name(std::filesystem::path file) { file_name_ = std::move(file); }
  const std::filesystem::path& file_name() const { return file_name_; }
  void set_open_mode(int mode) { open_mode_ = mode; }
  int open_mode() const { return open_mode_; }
  void set_key_number(int key) { key_number_ = key; }
  // Reads on through damage (see OpenOptions::salvage); set before Open.
  void set_salvage(bool salvage) { salvage_ = salvage; }
  int key_number() const { return key_number_; }
  // The engine that opens the table's file and runs its operations (the built-in one unless set);
  // the dictionary is read through it too. Set before Open.
  void set_engine(std::shared_ptr<Engine> engine) { engine_ = std::move(engine); }
  const std::shared_ptr<Engine>& engine() const { return engine_; }

  // Loads the table's definition from the dictionary and opens its data file (for writing too
  // unless the open mode is read-only, -2). The status is also kept for status().
  Status Open();
  // Creation settings used by Create: the variable-length flag and the page size.
  void set_create_variable(bool variable) { create_variable_ = variable; }
  void set_create_page_size(std::uint16_t page_size) { create_page_size_ = page_size; }
  // Creates the table's data file, empty, from its dictionary definition: fields and keys (from
  // INDEX.DDF). Status 59 when it exists; the other creation statuses of btrieve::CreateFile.
  Status Create();
  void Close();
  bool is_open() const { return file_ != nullptr; }
  // Gives back the memory of the pages the open file keeps; it stays open, at its position.
  void ReleaseMemory() {
    if (file_ != nullptr) file_->ReleaseMemory();
  }

  // Performs a Btrieve operation (code plus bias) with the current key number and record image,
  // and returns its status code (also kept for status()).
  int Perform(int operation);
  int status() const { return status_.code(); }
  const Status& last_status() const { return status_; }

  // The table's definition (fields in dictionary order); nullptr before the first Open.
  const TableDef* definition() const { return definition_.get(); }
  // The same, shared: a record buffer that decodes fields later holds on to the definitions that
  // place them.
  const std::shared_ptr<const TableDef>& shared_definition() const { return definition_; }
  std::size_t field_count() const;

  FieldResult GetField(int index) const;
  FieldResult GetField(std::string_view name) const;
  Status SetField(int index, const FieldValue& value);
  Status SetField(std::string_view name, const FieldValue& value);

  // The record image: the last record read, changed by SetField.
  const Bytes& record() const { return record_; }
  // The underlying file of the built-in engine, for tools; nullptr while closed or on another
  // engine.
  File* file() { return file_ ? file_->built_in_file() : nullptr; }
  // The open file's record length and keys as its engine describes them; nullptr while closed.
  const FileLayout* layout() const { return file_ ? &file_->layout() : nullptr; }

 private:
  // Loads the dictionary and finds this table in it.
  Status FindDefinition(Dictionary* dictionary, const TableDef** table) const;
  const FieldDef* FieldAt(int index) const;
  FieldResult Field(const FieldDef* field, std::string_view asked) const;
  Status Put(const FieldDef* field, std::string_view asked, const FieldValue& value);

  std::filesystem::path dictionary_location_;
  std::string table_name_;
  std::filesystem::path file_name_;
  int open_mode_ = 0;
  bool create_variable_ = false;
  std::uint16_t create_page_size_ = 1024;
  int key_number_ = 0;
  bool salvage_ = false;
  Status status_;
  std::shared_ptr<const TableDef> definition_;
  std::shared_ptr<Engine> engine_;
  std::unique_ptr<EngineFile> file_;
  Bytes record_;
  Bytes key_;
  // The data buffer of an operation, kept from one to the next so that a read allocates nothing.
  Bytes data_;
  // The definition's record length, which a read pads the record image to.
  std::size_t definition_length_ = 0;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_TABLE_H_
