// The field and key numbers of the six KEZ tables, named once for everyone who addresses a record
// buffer or a key: the layouts (kez_layouts.cc), the record layer, the extracts and the sample
// generator. Each name matches the field's name in the layout (a field without a name of its own
// is called after its table and number there, "LineField14"); a test holds the two together.
#ifndef KEZ_POSDATA_KEZ_FIELDS_H_
#define KEZ_POSDATA_KEZ_FIELDS_H_

namespace kez {

// COMMON: the store's settings, one record.
namespace common {
inline constexpr int kStoreId = 0;
inline constexpr int kStoreName = 2;
inline constexpr int kAddress = 3;
inline constexpr int kCity = 4;
inline constexpr int kState = 5;
inline constexpr int kZip = 6;
inline constexpr int kPhone = 7;
inline constexpr int kNextSaleNumber = 10;  // "CommonField10"
inline constexpr int kDateOrder = 42;       // "E" puts the day before the month
inline constexpr int kFileNumber = 52;      // names the numbered data files ("invt3.KEZ")
inline constexpr int kByStoreId = 0;
}  // namespace common

// INVENTRY: one item.
namespace item {
inline constexpr int kItemNumber = 0;
inline constexpr int kVendorItem = 1;
inline constexpr int kDescription = 2;
inline constexpr int kBrand = 3;
inline constexpr int kCategory = 7;
inline constexpr int kPrice = 8;
inline constexpr int kCost = 9;
inline constexpr int kOnHand = 12;  // "InvtField12"
inline constexpr int kPack = 13;
inline constexpr int kTaxable = 14;  // "InvtField14"
inline constexpr int kDepartment = 15;
inline constexpr int kSize = 36;
inline constexpr int kInventoryId = 40;
inline constexpr int kByItemNumber = 0;
inline constexpr int kByDescription = 1;
inline constexpr int kByVendorItem = 2;
inline constexpr int kByBrand = 3;
inline constexpr int kByCategory = 4;
inline constexpr int kByDepartment = 5;
inline constexpr int kByInventoryId = 8;
inline constexpr int kBySizeAndDescription = 10;
}  // namespace item

// SALESHEAD: one sale.
namespace head {
inline constexpr int kSaleNumber = 0;
inline constexpr int kSaleDate = 1;  // "YYYYMMDD"
inline constexpr int kStation = 2;
inline constexpr int kClerk = 3;
inline constexpr int kInvoice = 4;
inline constexpr int kLineCount = 5;  // "HeadField05"
inline constexpr int kCustomer = 7;
inline constexpr int kTotal = 8;
inline constexpr int kTax = 9;
inline constexpr int kSaleType = 10;
inline constexpr int kStatus = 11;         // blank for a sale that counts
inline constexpr int kTaxRate = 15;        // "HeadField15"
inline constexpr int kTaxableAmount = 16;  // "HeadField16"
inline constexpr int kTaxAmount = 17;      // "HeadField17"
inline constexpr int kTenderType = 30;     // "HeadField30"
inline constexpr int kTenderAmount = 31;   // "HeadField31"
inline constexpr int kTenderName = 32;     // "HeadField32"
inline constexpr int kBySaleNumber = 0;
inline constexpr int kByDate = 1;  // sale date, sale number
inline constexpr int kByCustomer = 2;
inline constexpr int kBySaleType = 3;
inline constexpr int kByInvoice = 4;
inline constexpr int kByCustomerAndInvoice = 5;
}  // namespace head

// UPC: the codes of an item.
namespace upc {
inline constexpr int kItemNumber = 0;
inline constexpr int kCode = 1;  // "Upc"
inline constexpr int kDescription = 2;
inline constexpr int kKind = 3;
inline constexpr int kByItemNumber = 0;
inline constexpr int kByItemAndCode = 1;
inline constexpr int kByCode = 2;
inline constexpr int kByKind = 3;
}  // namespace upc

// SALESITEM: one line of a sale.
namespace line {
inline constexpr int kSaleNumber = 0;
inline constexpr int kStation = 1;
inline constexpr int kInvoice = 2;
inline constexpr int kLineNumber = 3;
inline constexpr int kItemNumber = 4;
inline constexpr int kInventoryId = 5;
inline constexpr int kDepartment = 6;
inline constexpr int kUpc = 7;
inline constexpr int kQuantity = 8;
inline constexpr int kQuantitySold = 9;
inline constexpr int kListPrice = 10;
inline constexpr int kPrice = 12;
inline constexpr int kAmount = 13;
inline constexpr int kTaxable = 14;  // "LineField14"
inline constexpr int kTaxRate = 15;  // "LineField15"
inline constexpr int kCost = 16;
inline constexpr int kDescription = 18;
inline constexpr int kTax = 20;       // "LineField20"
inline constexpr int kLineType = 24;  // "R" for a return
inline constexpr int kSaleDate = 26;  // "LineField26"
inline constexpr int kItemCode = 30;
inline constexpr int kBySaleAndLine = 0;
inline constexpr int kByInventoryId = 1;
inline constexpr int kByLineType = 2;
inline constexpr int kByUpc = 3;
inline constexpr int kByDepartment = 4;
inline constexpr int kBySaleLineAndItem = 5;
}  // namespace line

// NAMES: one customer.
namespace names {
inline constexpr int kCustomerNumber = 0;
inline constexpr int kName = 1;
inline constexpr int kFirstName = 2;
inline constexpr int kZip = 3;
inline constexpr int kCountry = 4;
inline constexpr int kLastName = 5;
inline constexpr int kAddress = 6;
inline constexpr int kCity = 7;
inline constexpr int kState = 8;
inline constexpr int kPhone = 9;
inline constexpr int kVisits = 11;
inline constexpr int kBalance = 12;
inline constexpr int kBirthDate = 13;
inline constexpr int kActive = 22;
inline constexpr int kTaxable = 33;
inline constexpr int kCreditLimit = 34;
inline constexpr int kPoints = 35;
inline constexpr int kAddress2 = 36;
inline constexpr int kEmail = 37;
inline constexpr int kSuite = 38;
inline constexpr int kRecordDate = 42;  // "YYYYMMDD"; selects the customers to export
inline constexpr int kMobile = 43;
inline constexpr int kByCustomerNumber = 0;
inline constexpr int kByName = 1;
inline constexpr int kByFirstName = 2;
inline constexpr int kByZip = 3;
inline constexpr int kByLastName = 4;
inline constexpr int kByCity = 5;
inline constexpr int kByPhone = 6;
inline constexpr int kByRecordDate = 7;
inline constexpr int kByAddress2 = 8;
}  // namespace names

}  // namespace kez

#endif  // KEZ_POSDATA_KEZ_FIELDS_H_
