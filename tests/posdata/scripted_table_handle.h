// A table handle for tests of the record layer: each call answers with the next status a test
// queued (0 when none is left), fields hold what the test or the layer put in them, and every
// call the layer makes is recorded.
#ifndef KEZ_TESTS_POSDATA_SCRIPTED_TABLE_HANDLE_H_
#define KEZ_TESTS_POSDATA_SCRIPTED_TABLE_HANDLE_H_

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "posdata/table_handle.h"

namespace kez::testing {

class ScriptedTableHandle : public TableHandle {
 public:
  // Statuses for the next Perform, Open and Create calls, in order.
  std::deque<int> perform_statuses;
  std::deque<int> open_statuses;
  std::deque<int> create_statuses;
  // Runs before each Perform answers, with the operation code (a test moves the clock here).
  std::function<void(int)> on_perform;
  // Fields whose reads fail: with "Invalid FieldIndex" when `unknown`, otherwise another failure.
  std::set<int> failing_fields;
  bool failures_are_unknown_fields = false;
  int key_count = 3;

  // What the layer did.
  std::vector<int> performed;                 // operation codes, bias included
  std::vector<int> key_numbers;               // each SetKeyNumber
  std::vector<int> fields_set;                // each SetField index, in order
  std::map<int, btrieve::FieldValue> fields;  // the current field values
  std::string table_name;
  std::string file_name;
  int opens = 0;
  int closes = 0;
  int creates = 0;
  bool open = false;

  void SetDictionaryLocation(const std::filesystem::path&) override {}
  void SetTableName(const std::string& name) override { table_name = name; }
  void SetFileName(const std::filesystem::path& file) override { file_name = file.string(); }
  void SetOpenMode(int) override {}
  int Open() override {
    ++opens;
    status_ = Next(open_statuses);
    open = status_ == 0;
    return status_;
  }
  void Close() override {
    ++closes;
    open = false;
  }
  int Create(bool, std::uint16_t) override {
    ++creates;
    return status_ = Next(create_statuses);
  }
  int Perform(int operation) override {
    performed.push_back(operation);
    if (on_perform) on_perform(operation);
    return status_ = Next(perform_statuses);
  }
  int Status() const override { return status_; }
  int KeyCount() override { return key_count; }
  void SetKeyNumber(int key) override { key_numbers.push_back(key); }
  btrieve::FieldResult GetField(int index) const override {
    if (failing_fields.count(index) != 0) {
      return {
          btrieve::Status(btrieve::kInvalidOperation,
                          failures_are_unknown_fields
                              ? "Invalid FieldIndex " + std::to_string(index)
                              : "The value of field " + std::to_string(index) + " cannot be read"),
          std::monostate{}};
    }
    const auto found = fields.find(index);
    return {btrieve::Status::Ok(), found != fields.end() ? found->second : btrieve::FieldValue{}};
  }
  btrieve::FieldResult GetField(std::string_view) const override {
    return {btrieve::Status(btrieve::kInvalidOperation, "Invalid FieldIndex by name"),
            std::monostate{}};
  }
  btrieve::Status SetField(int index, const btrieve::FieldValue& value) override {
    fields_set.push_back(index);
    fields[index] = value;
    return btrieve::Status::Ok();
  }
  btrieve::Status SetField(std::string_view, const btrieve::FieldValue&) override {
    return btrieve::Status(btrieve::kInvalidOperation, "Invalid FieldIndex by name");
  }

 private:
  static int Next(std::deque<int>& statuses) {
    if (statuses.empty()) return 0;
    const int status = statuses.front();
    statuses.pop_front();
    return status;
  }

  int status_ = 0;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_POSDATA_SCRIPTED_TABLE_HANDLE_H_
