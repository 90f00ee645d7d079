// The field and key numbers of the sale, inventory and UPC tables that the extracts read, named
// once (the layouts themselves are in posdata/kez_layouts.h).
#ifndef KEZ_EXTRACTS_SALE_FIELDS_H_
#define KEZ_EXTRACTS_SALE_FIELDS_H_

namespace kez {

// SALESHEAD: one sale.
namespace head {
inline constexpr int kSaleNumber = 0;
inline constexpr int kSaleDate = 1;  // "YYYYMMDD"
inline constexpr int kStation = 2;
inline constexpr int kClerk = 3;
inline constexpr int kInvoice = 4;
inline constexpr int kCustomer = 7;
inline constexpr int kStatus = 11;  // blank for a sale that counts
inline constexpr int kBySaleNumber = 0;
inline constexpr int kByDate = 1;  // sale date, sale number
inline constexpr int kByInvoice = 4;
}  // namespace head

// SALESITEM: one line of a sale.
namespace line {
inline constexpr int kSaleNumber = 0;
inline constexpr int kLineNumber = 3;
inline constexpr int kInventoryId = 5;
inline constexpr int kDepartment = 6;
inline constexpr int kUpc = 7;
inline constexpr int kQuantity = 8;
inline constexpr int kQuantitySold = 9;
inline constexpr int kPrice = 12;
inline constexpr int kAmount = 13;
inline constexpr int kCost = 16;
inline constexpr int kLineType = 30;
inline constexpr int kBySaleAndLine = 0;
}  // namespace line

// INVENTRY: one item.
namespace item {
inline constexpr int kItemNumber = 0;
inline constexpr int kDescription = 2;
inline constexpr int kPrice = 8;
inline constexpr int kPack = 13;
inline constexpr int kSize = 36;
inline constexpr int kInventoryId = 40;
inline constexpr int kByInventoryId = 8;
}  // namespace item

// UPC: the codes of an item.
namespace upc {
inline constexpr int kItemNumber = 0;
inline constexpr int kCode = 1;
inline constexpr int kByItemNumber = 0;
}  // namespace upc

}  // namespace kez

#endif  // KEZ_EXTRACTS_SALE_FIELDS_H_
