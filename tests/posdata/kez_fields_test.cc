// The named field and key numbers against the layouts: a name that points at another field than
// the one the layout calls so, or a key whose first part is not the field it is named after,
// fails here instead of in an export file.
#include "posdata/kez_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "posdata/kez_layouts.h"

namespace kez {
namespace {

struct NamedField {
  int table;
  int field;
  const char* layout_name;
};

const NamedField kNamedFields[] = {
    {kCommon, common::kStoreId, "StoreId"},
    {kCommon, common::kStoreName, "StoreName"},
    {kCommon, common::kAddress, "Address"},
    {kCommon, common::kCity, "City"},
    {kCommon, common::kState, "State"},
    {kCommon, common::kZip, "Zip"},
    {kCommon, common::kPhone, "Phone"},
    {kCommon, common::kNextSaleNumber, "CommonField10"},
    {kCommon, common::kDateOrder, "DateOrder"},
    {kCommon, common::kFileNumber, "FileNumber"},
    {kInventory, item::kItemNumber, "ItemNumber"},
    {kInventory, item::kVendorItem, "VendorItem"},
    {kInventory, item::kDescription, "Description"},
    {kInventory, item::kBrand, "Brand"},
    {kInventory, item::kCategory, "Category"},
    {kInventory, item::kPrice, "Price"},
    {kInventory, item::kCost, "Cost"},
    {kInventory, item::kOnHand, "InvtField12"},
    {kInventory, item::kPack, "Pack"},
    {kInventory, item::kTaxable, "InvtField14"},
    {kInventory, item::kDepartment, "Department"},
    {kInventory, item::kSize, "Size"},
    {kInventory, item::kInventoryId, "InventoryId"},
    {kSalesHead, head::kSaleNumber, "SaleNumber"},
    {kSalesHead, head::kSaleDate, "SaleDate"},
    {kSalesHead, head::kStation, "Station"},
    {kSalesHead, head::kClerk, "Clerk"},
    {kSalesHead, head::kInvoice, "Invoice"},
    {kSalesHead, head::kLineCount, "HeadField05"},
    {kSalesHead, head::kCustomer, "Customer"},
    {kSalesHead, head::kTotal, "Total"},
    {kSalesHead, head::kTax, "Tax"},
    {kSalesHead, head::kSaleType, "SaleType"},
    {kSalesHead, head::kStatus, "Status"},
    {kSalesHead, head::kTaxRate, "HeadField15"},
    {kSalesHead, head::kTaxableAmount, "HeadField16"},
    {kSalesHead, head::kTaxAmount, "HeadField17"},
    {kSalesHead, head::kTenderType, "HeadField30"},
    {kSalesHead, head::kTenderAmount, "HeadField31"},
    {kSalesHead, head::kTenderName, "HeadField32"},
    {kUpc, upc::kItemNumber, "ItemNumber"},
    {kUpc, upc::kCode, "Upc"},
    {kUpc, upc::kDescription, "Description"},
    {kUpc, upc::kKind, "Kind"},
    {kSalesItem, line::kSaleNumber, "SaleNumber"},
    {kSalesItem, line::kStation, "Station"},
    {kSalesItem, line::kInvoice, "Invoice"},
    {kSalesItem, line::kLineNumber, "LineNumber"},
    {kSalesItem, line::kItemNumber, "ItemNumber"},
    {kSalesItem, line::kInventoryId, "InventoryId"},
    {kSalesItem, line::kDepartment, "Department"},
    {kSalesItem, line::kUpc, "Upc"},
    {kSalesItem, line::kQuantity, "Quantity"},
    {kSalesItem, line::kQuantitySold, "QuantitySold"},
    {kSalesItem, line::kListPrice, "ListPrice"},
    {kSalesItem, line::kPrice, "Price"},
    {kSalesItem, line::kAmount, "Amount"},
    {kSalesItem, line::kTaxable, "LineField14"},
    {kSalesItem, line::kTaxRate, "LineField15"},
    {kSalesItem, line::kCost, "Cost"},
    {kSalesItem, line::kDescription, "Description"},
    {kSalesItem, line::kTax, "LineField20"},
    {kSalesItem, line::kLineType, "LineType"},
    {kSalesItem, line::kSaleDate, "LineField26"},
    {kSalesItem, line::kItemCode, "ItemCode"},
    {kNames, names::kCustomerNumber, "CustomerNumber"},
    {kNames, names::kName, "Name"},
    {kNames, names::kFirstName, "FirstName"},
    {kNames, names::kZip, "Zip"},
    {kNames, names::kCountry, "Country"},
    {kNames, names::kLastName, "LastName"},
    {kNames, names::kAddress, "Address"},
    {kNames, names::kCity, "City"},
    {kNames, names::kState, "State"},
    {kNames, names::kPhone, "Phone"},
    {kNames, names::kVisits, "Visits"},
    {kNames, names::kBalance, "Balance"},
    {kNames, names::kBirthDate, "BirthDate"},
    {kNames, names::kActive, "Active"},
    {kNames, names::kTaxable, "Taxable"},
    {kNames, names::kCreditLimit, "CreditLimit"},
    {kNames, names::kPoints, "Points"},
    {kNames, names::kAddress2, "Address2"},
    {kNames, names::kEmail, "Email"},
    {kNames, names::kSuite, "Suite"},
    {kNames, names::kRecordDate, "RecordDate"},
    {kNames, names::kMobile, "Mobile"},
};

// A key named after a field: its first part must be that field.
struct NamedKey {
  int table;
  int key;
  int first_field;
};

const NamedKey kNamedKeys[] = {
    {kCommon, common::kByStoreId, common::kStoreId},
    {kInventory, item::kByItemNumber, item::kItemNumber},
    {kInventory, item::kByDescription, item::kDescription},
    {kInventory, item::kByVendorItem, item::kVendorItem},
    {kInventory, item::kByBrand, item::kBrand},
    {kInventory, item::kByCategory, item::kCategory},
    {kInventory, item::kByDepartment, item::kDepartment},
    {kInventory, item::kByInventoryId, item::kInventoryId},
    {kInventory, item::kBySizeAndDescription, item::kSize},
    {kSalesHead, head::kBySaleNumber, head::kSaleNumber},
    {kSalesHead, head::kByDate, head::kSaleDate},
    {kSalesHead, head::kByCustomer, head::kCustomer},
    {kSalesHead, head::kBySaleType, head::kSaleType},
    {kSalesHead, head::kByInvoice, head::kInvoice},
    {kSalesHead, head::kByCustomerAndInvoice, head::kCustomer},
    {kUpc, upc::kByItemNumber, upc::kItemNumber},
    {kUpc, upc::kByItemAndCode, upc::kItemNumber},
    {kUpc, upc::kByCode, upc::kCode},
    {kUpc, upc::kByKind, upc::kKind},
    {kSalesItem, line::kBySaleAndLine, line::kSaleNumber},
    {kSalesItem, line::kByInventoryId, line::kInventoryId},
    {kSalesItem, line::kByLineType, line::kLineType},
    {kSalesItem, line::kByUpc, line::kUpc},
    {kSalesItem, line::kByDepartment, line::kDepartment},
    {kSalesItem, line::kBySaleLineAndItem, line::kSaleNumber},
    {kNames, names::kByCustomerNumber, names::kCustomerNumber},
    {kNames, names::kByName, names::kName},
    {kNames, names::kByFirstName, names::kFirstName},
    {kNames, names::kByZip, names::kZip},
    {kNames, names::kByLastName, names::kLastName},
    {kNames, names::kByCity, names::kCity},
    {kNames, names::kByPhone, names::kPhone},
    {kNames, names::kByRecordDate, names::kRecordDate},
    {kNames, names::kByAddress2, names::kAddress2},
};

TEST(KezFieldsTest, EveryNamedFieldIsTheFieldTheLayoutCallsSo) {
  for (const NamedField& named : kNamedFields) {
    const btrieve::TableDef& table = KezTableDef(named.table);
    ASSERT_LT(static_cast<std::size_t>(named.field), table.fields.size()) << named.layout_name;
    EXPECT_EQ(table.fields[static_cast<std::size_t>(named.field)].name, named.layout_name)
        << table.name << " field " << named.field;
  }
}

TEST(KezFieldsTest, EveryNamedKeyStartsWithTheFieldItIsNamedAfter) {
  for (const NamedKey& named : kNamedKeys) {
    const btrieve::TableDef& table = KezTableDef(named.table);
    const auto field_id = table.fields[static_cast<std::size_t>(named.first_field)].id;
    bool found = false;
    for (const btrieve::IndexSegmentDef& segment : table.index) {
      if (segment.key != named.key) continue;
      EXPECT_EQ(segment.field_id, field_id) << table.name << " key " << named.key;
      found = true;
      break;  // the key's first segment
    }
    EXPECT_TRUE(found) << table.name << " has no key " << named.key;
  }
}

}  // namespace
}  // namespace kez
