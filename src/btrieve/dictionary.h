// The data dictionary of a folder of data files: FILE.DDF (tables and where their files are),
// FIELD.DDF (each table's fields) and INDEX.DDF (which fields make up each key). The dictionary
// files are ordinary data files, read with the same engine.
#ifndef KEZ_BTRIEVE_DICTIONARY_H_
#define KEZ_BTRIEVE_DICTIONARY_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "btrieve/file_plan.h"
#include "btrieve/status.h"

namespace btrieve {

class Engine;

// Field data types as the dictionary records them (the same codes as key types, plus a few
// dictionary-only ones).
struct FieldDef {
  std::uint16_t id = 0;
  std::string name;
  std::uint8_t type = 0;
  std::uint16_t offset = 0;
  std::uint16_t size = 0;
  std::uint8_t decimals = 0;
  std::uint16_t flags = 0;
};

// One segment of a key as the dictionary names it. Numbers are 0-based whatever the file used.
struct IndexSegmentDef {
  int key = 0;
  int part = 0;
  std::uint16_t field_id = 0;
  std::uint16_t flags = 0;
};

struct TableDef {
  std::uint16_t id = 0;
  std::string name;
  std::string location;  // as written in the dictionary, usually relative to its folder
  std::uint8_t flags = 0;
  std::vector<FieldDef> fields;  // dictionary order: the field indexes
  std::vector<IndexSegmentDef> index;

  // The field with this name (compared without regard to ASCII case), or nullptr.
  const FieldDef* FindField(std::string_view field_name) const;
  // Bytes a record of this table needs: the end of its last field.
  std::uint32_t RecordLength() const;
};

class Dictionary {
 public:
  // Reads the three dictionary files of `folder` (names matched without regard to case).
  // Status 12 when FILE.DDF or FIELD.DDF is missing; INDEX.DDF is optional.
  static Status Load(const std::filesystem::path& folder, Dictionary* out);
  // The same, reading the dictionary files through `engine`.
  static Status Load(const std::filesystem::path& folder, Engine& engine, Dictionary* out);

  const std::filesystem::path& folder() const { return folder_; }
  const std::vector<TableDef>& tables() const { return tables_; }
  // The table with this name (ASCII case ignored, trailing blanks ignored), or nullptr.
  const TableDef* FindTable(std::string_view table_name) const;
  // Where a table's data file is: its location taken relative to the dictionary folder, each
  // part matched without regard to case when the exact name does not exist.
  std::filesystem::path DataFile(const TableDef& table) const;

 private:
  std::filesystem::path folder_;
  std::vector<TableDef> tables_;
};

// The file description that creates a table's data file: record length from its fields, keys from
// its index definition (dictionary index flags turned into key flags). `acs` supplies the collating
// sequence of keys that use one. Page size, format and variable length are left at their
// defaults for the caller to set.
Status PlanFromDefinition(const TableDef& table, const std::vector<CollatingSequence>& acs,
                          FilePlan* plan);

// Writes FILE.DDF, FIELD.DDF and INDEX.DDF for `tables` into `folder` (97-byte FILE records,
// 0-based key and segment numbers, field ids numbered across the dictionary in table order).
// Replaces dictionary files already there.
Status WriteDictionary(const std::filesystem::path& folder, const std::vector<TableDef>& tables);

// Case-insensitive (ASCII) comparison of names, ignoring trailing blanks.
bool SameName(std::string_view a, std::string_view b);

// Finds `relative` (with "/" or "\" separators) below `folder`, matching each part without regard
// to ASCII case when the exact name does not exist. Returns the exact-case path when nothing
// matches.
std::filesystem::path ResolvePath(const std::filesystem::path& folder, std::string_view relative);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_DICTIONARY_H_
