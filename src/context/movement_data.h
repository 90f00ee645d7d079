// The movement rows of the SymphonyIRI report: one row per item, store and sale day of a week,
// with the units and dollars sold and the item's UPC, description, price, pack and size. The
// collection fills them (movement_collection.h) and the movement file writes them
// (movement_file.h).
#ifndef KEZ_CONTEXT_MOVEMENT_DATA_H_
#define KEZ_CONTEXT_MOVEMENT_DATA_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "btrieve/field_value.h"

namespace kez {

// One movement row. Its initial values are those of a row that no sale line has touched.
struct clsMovmentData {
  std::int32_t lngDate = 0;      // the sale day as the number YYYYMMDD
  std::int32_t StoreNumber = 0;  // the report's store number
  std::string Upc = "0";         // the UPC code, 15 characters as stored
  std::string SKU = "<blank>";   // the inventory id as decimal text
  std::string Description = "<blank>";
  btrieve::Currency Price{};
  btrieve::Currency priceLevel{};  // never filled
  std::int64_t QuantitySold = 0;   // sum of the lines' rounded quantities
  btrieve::Currency TotalDollars{};
  std::int32_t PackInfo = 0;
  std::string Size = "<blank>";
  std::string UnitOfMesure = "<blank>";  // never filled
  std::int32_t InvID = -1;

  friend bool operator==(const clsMovmentData&, const clsMovmentData&) = default;
};

// The movement state of the process: the rows of the last collection, the run's start key and the
// file last written.
struct MovementData {
  // Rows in the order in which each (item, store, day) first occurred; empty for a week without
  // sale lines.
  std::vector<clsMovmentData> MovementRows;
  // The row a sale line is read into before it is merged.
  clsMovmentData CurrentMovementRow;
  // The report's start date as "YYYYMMDD"; the movement file is named after it.
  std::string MovementStartKey;
  // The full path of the movement file last written.
  std::filesystem::path MovementFilePath;

  // Where each (inventory id, store, day) sits in MovementRows, so a merge is one lookup.
  struct RowKey {
    std::int32_t inv_id;
    std::int32_t store;
    std::int32_t day;
    friend bool operator==(const RowKey&, const RowKey&) = default;
  };
  struct RowKeyHash {
    std::size_t operator()(const RowKey& key) const noexcept;
  };
  std::unordered_map<RowKey, std::size_t, RowKeyHash> row_index;
};

}  // namespace kez

#endif  // KEZ_CONTEXT_MOVEMENT_DATA_H_
