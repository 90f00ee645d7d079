// TableHandle: the table handle as the record layer drives it, one per logical table. It has just
// the members the layer uses (names and file, open and close, create, perform an operation, status,
// key number, field values), so that tests can stand in for the record engine.
#ifndef KEZ_POSDATA_TABLE_HANDLE_H_
#define KEZ_POSDATA_TABLE_HANDLE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "btrieve/field_value.h"
#include "btrieve/status.h"
#include "btrieve/table.h"

namespace kez {

class TableHandle {
 public:
  virtual ~TableHandle() = default;

  virtual void SetDictionaryLocation(const std::filesystem::path& folder) = 0;
  virtual void SetTableName(const std::string& name) = 0;
  virtual void SetFileName(const std::filesystem::path& file) = 0;
  virtual void SetOpenMode(int mode) = 0;

  // Opens the table; returns the status (also kept for Status()).
  virtual int Open() = 0;
  virtual void Close() = 0;
  // Creates the table's data file, empty, from its dictionary definition with these creation
  // settings; returns the status.
  virtual int Create(bool variable_length, std::uint16_t page_size) = 0;
  // Performs an operation code (plus bias) with the current key number and field values; returns
  // the status.
  virtual int Perform(int operation) = 0;
  // The status of the last call above (0 success, otherwise the engine's status code).
  virtual int Status() const = 0;
  // What the engine said about that status (which file, which page, what was found); may be empty.
  virtual std::string StatusDetail() const { return std::string(); }

  // The number of keys of the open table; 0 while closed. A keyed read takes its key number and
  // key fields only when there are keys to take them.
  virtual int KeyCount() = 0;
  virtual void SetKeyNumber(int key) = 0;

  // Field values by index (dictionary order) or by name. A failure's detail contains "FieldIndex"
  // when there is no such field.
  virtual btrieve::FieldResult GetField(int index) const = 0;
  virtual btrieve::FieldResult GetField(std::string_view name) const = 0;
  virtual btrieve::Status SetField(int index, const btrieve::FieldValue& value) = 0;
  virtual btrieve::Status SetField(std::string_view name, const btrieve::FieldValue& value) = 0;

  // The engine's table behind the handle, whose record image and field definitions let a read's
  // fields be decoded straight from its bytes; nullptr for a handle without one, whose fields are
  // read one by one through GetField.
  virtual const btrieve::Table* EngineTable() const { return nullptr; }

  // Gives back the memory of the pages the open table keeps for later reads.
  virtual void ReleaseMemory() {}
};

// A handle over the record engine's btrieve::Table.
class EngineTableHandle : public TableHandle {
 public:
  void SetDictionaryLocation(const std::filesystem::path& folder) override {
    table_.set_dictionary_location(folder);
  }
  void SetTableName(const std::string& name) override { table_.set_table_name(name); }
  void SetFileName(const std::filesystem::path& file) override { table_.set_file_name(file); }
  void SetOpenMode(int mode) override { table_.set_open_mode(mode); }
  int Open() override { return status_ = table_.Open().code(); }
  void Close() override { table_.Close(); }
  int Create(bool variable_length, std::uint16_t page_size) override;
  int Perform(int operation) override { return status_ = table_.Perform(operation); }
  int Status() const override { return status_; }
  std::string StatusDetail() const override {
    return status_ == 0 ? std::string() : table_.last_status().detail();
  }
  int KeyCount() override;
  void SetKeyNumber(int key) override { table_.set_key_number(key); }
  btrieve::FieldResult GetField(int index) const override { return table_.GetField(index); }
  btrieve::FieldResult GetField(std::string_view name) const override {
    return table_.GetField(name);
  }
  btrieve::Status SetField(int index, const btrieve::FieldValue& value) override {
    return table_.SetField(index, value);
  }
  btrieve::Status SetField(std::string_view name, const btrieve::FieldValue& value) override {
    return table_.SetField(name, value);
  }

  const btrieve::Table* EngineTable() const override { return &table_; }
  void ReleaseMemory() override { table_.ReleaseMemory(); }

  btrieve::Table& table() { return table_; }

 private:
  btrieve::Table table_;
  int status_ = 0;
};

}  // namespace kez

#endif  // KEZ_POSDATA_TABLE_HANDLE_H_
