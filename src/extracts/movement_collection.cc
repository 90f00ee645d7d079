#include "extracts/movement_collection.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "btrieve/operation.h"
#include "extracts/movement_dates.h"
#include "platform/date_text.h"
#include "platform/number_text.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/kez_fields.h"
#include "settings/cls_settings.h"

namespace kez {
namespace {

// The leading decimal number of `text` (blanks before it allowed), or 0 when there is none or it
// does not fit 32 bits.
std::int32_t WholeNumber(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  return error == std::errc{} ? value : 0;
}

// Fills the working row with the sale line's item: from the inventory and its first UPC record
// when the item is there; otherwise the item's fields keep their initial values under the line's
// own inventory id, so that a line is never counted under another item.
void ReadItem(PosDatabase& db, std::int32_t inventory_id, clsMovmentData& row) {
  const clsMovmentData initial;
  row.Description = initial.Description;
  row.Price = initial.Price;
  row.PackInfo = initial.PackInfo;
  row.Size = initial.Size;
  row.Upc = initial.Upc;
  row.InvID = inventory_id;
  row.SKU = std::to_string(inventory_id);

  RecordBuffer& inventory = db.buffers[kInventory];
  inventory.SetInteger(item::kInventoryId, inventory_id);
  if (!DBSM_TableOp(db, kInventory, btrieve::kOpGetEqual, item::kByInventoryId)) return;
  row.Description = inventory.Text(item::kDescription);
  row.Price = inventory.Money(item::kPrice);
  row.PackInfo = inventory.Integer(item::kPack);
  row.InvID = inventory.Integer(item::kInventoryId);
  row.SKU = std::to_string(row.InvID);
  row.Size = inventory.Text(item::kSize);

  RecordBuffer& codes = db.buffers[kUpc];
  codes.SetText(upc::kItemNumber, inventory.Text(item::kItemNumber));
  if (DBSM_TableOp(db, kUpc, btrieve::kOpGetEqual, upc::kByItemNumber)) {
    row.Upc = codes.Text(upc::kCode);
  }
}

// Every line of the sale in the header buffer, from its first line number on; stops where the
// record layer reported a status that ends reading (an item read then would be counted blank).
void CollectSaleLines(PosDatabase& db, MovementData& movement, int mark) {
  const RecordBuffer& sale = db.buffers[kSalesHead];
  RecordBuffer& sale_line = db.buffers[kSalesItem];
  clsMovmentData& row = movement.CurrentMovementRow;
  const std::int32_t sale_number = sale.Integer(head::kSaleNumber);
  const std::int32_t day = WholeNumber(sale.Text(head::kSaleDate));

  sale_line.SetInteger(line::kSaleNumber, sale_number);
  sale_line.SetInteger(line::kLineNumber, std::numeric_limits<std::int16_t>::min());
  bool more = DBSM_TableOp(db, kSalesItem, btrieve::kOpGetGreaterOrEqual, line::kBySaleAndLine);
  while (more && sale_line.Integer(line::kSaleNumber) == sale_number) {
    row.lngDate = day;
    row.QuantitySold =
        ClampedWholeNumber(RoundHalfEven(static_cast<double>(sale_line.Single(line::kQuantity))));
    row.TotalDollars = sale_line.Money(line::kAmount);
    ReadItem(db, sale_line.Integer(line::kInventoryId), row);
    if (ReadingFailed(db, mark)) return;
    AddMovementRow(movement);
    more = DBSM_TableOp(db, kSalesItem, btrieve::kOpGetNext, line::kBySaleAndLine);
  }
}

}  // namespace

int AddMovementRow(MovementData& movement) {
  const clsMovmentData& row = movement.CurrentMovementRow;
  const MovementData::RowKey key{row.InvID, row.StoreNumber, row.lngDate};
  const auto [at, added] = movement.row_index.try_emplace(key, movement.MovementRows.size());
  if (!added) {
    clsMovmentData& merged = movement.MovementRows[at->second];
    merged.TotalDollars.ten_thousandths += row.TotalDollars.ten_thousandths;
    merged.QuantitySold += row.QuantitySold;
    return 0;
  }
  movement.MovementRows.push_back(row);
  return 1;
}

std::optional<std::int64_t> CollectMovementData(PosDatabase& db, const clsSettings& report,
                                                MovementData& movement) {
  movement.MovementRows.clear();
  movement.row_index.clear();

  movement.MovementStartKey = DateToKey(FormatShortDate(report.StartDate));
  // The week: the seven days before the start date.
  const std::string first_day = FormatDateKey(AddDays(report.StartDate, -7));
  const std::string last_day = FormatDateKey(AddDays(report.StartDate, -1));
  movement.CurrentMovementRow.StoreNumber = WholeNumber(report.StoreNumber);

  const int mark = db.fatal_statuses;
  RecordBuffer& sale = db.buffers[kSalesHead];
  sale.SetText(head::kSaleDate, first_day);
  sale.SetInteger(head::kSaleNumber, std::numeric_limits<std::int32_t>::min());
  bool more = DBSM_TableOp(db, kSalesHead, btrieve::kOpGetGreaterOrEqual, head::kByDate);
  while (more && sale.Text(head::kSaleDate) <= last_day && !ReadingFailed(db, mark)) {
    CollectSaleLines(db, movement, mark);
    more = !ReadingFailed(db, mark) &&
           DBSM_TableOp(db, kSalesHead, btrieve::kOpGetNext, head::kByDate);
  }
  if (ReadingFailed(db, mark)) {
    movement.MovementRows.clear();
    movement.row_index.clear();
    return std::nullopt;
  }
  return static_cast<std::int64_t>(movement.MovementRows.size());
}

}  // namespace kez
