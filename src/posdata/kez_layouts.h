// The layouts of the six KEZ tables the system reads, in one place: table numbers, dictionary
// names, every field's type and width in dictionary order, and the keys. The record buffers are
// built from them, and the sample store writes them as its data dictionary.
#ifndef KEZ_POSDATA_KEZ_LAYOUTS_H_
#define KEZ_POSDATA_KEZ_LAYOUTS_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "btrieve/dictionary.h"

namespace kez {

// Table numbers: the index of a table entry, of its handle and of its record buffer.
enum KezTable : int {
  kCommon = 0,
  kInventory = 1,
  kSalesHead = 2,
  kUpc = 3,
  kSalesItem = 4,
  kNames = 5,
};
inline constexpr int kTableCount = 6;

// The kinds of field the layouts use, with their dictionary types: text N is a string (type 0) of
// N bytes, the integers are type 1 of 2 and 4 bytes, a single a 4-byte float (type 2), currency
// the 8-byte currency type (19).
enum class FieldKind { kText, kInt16, kInt32, kSingle, kCurrency };

// The definition of table `table` (0..5) as the dictionary holds it: its name, its fields in
// dictionary order with offsets, types and sizes, and its keys. `location` names the data file
// for file number 1.
const btrieve::TableDef& KezTableDef(int table);
// All six, in table order.
const std::vector<btrieve::TableDef>& KezTableDefs();

// The kind of a field of these layouts (a field of another type counts as text).
FieldKind KindOf(const btrieve::FieldDef& field);

// The fields copied from the record buffer into the handle before a keyed read on `key`, in that
// order; empty when the table has no such key copy (COMMON has none).
std::span<const int> KeyCopyFields(int table, int key);

// The table whose dictionary name is `name` (letter case ignored), or -1.
int TableNumber(std::string_view name);

}  // namespace kez

#endif  // KEZ_POSDATA_KEZ_LAYOUTS_H_
