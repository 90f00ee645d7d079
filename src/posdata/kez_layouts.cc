#include "posdata/kez_layouts.h"

#include <array>
#include <string>

#include "btrieve/key_layout.h"
#include "posdata/kez_fields.h"

namespace kez {
namespace {

// Field ids number the fields across the whole dictionary in table and field order; the
// dictionary writer numbers the tables after its own.
constexpr std::uint16_t kFirstFieldId = 1;

// Index flags as the dictionary records them (not the engine's key flags).
constexpr std::uint16_t kIndexDuplicates = 0x0001;
constexpr std::uint16_t kIndexModifiable = 0x0002;
constexpr std::uint16_t kIndexSegmented = 0x0010;

// Builds one table's definition field by field; fields without a name of their own are called
// after their table and index ("HeadField13").
class LayoutBuilder {
 public:
  LayoutBuilder(std::string name, std::string location, std::string generic_prefix,
                std::uint16_t* next_field_id)
      : generic_prefix_(std::move(generic_prefix)), next_field_id_(next_field_id) {
    def_.name = std::move(name);
    def_.location = std::move(location);
  }

  LayoutBuilder& Add(FieldKind kind, int width = 0, std::string_view name = {}) {
    btrieve::FieldDef field;
    field.id = (*next_field_id_)++;
    field.name = name.empty() ? generic_prefix_ + TwoDigits(def_.fields.size()) : std::string(name);
    field.offset = static_cast<std::uint16_t>(offset_);
    switch (kind) {
      case FieldKind::kText:
        field.type = btrieve::kTypeString;
        field.size = static_cast<std::uint16_t>(width);
        break;
      case FieldKind::kInt16:
        field.type = btrieve::kTypeInteger;
        field.size = 2;
        break;
      case FieldKind::kInt32:
        field.type = btrieve::kTypeInteger;
        field.size = 4;
        break;
      case FieldKind::kSingle:
        field.type = btrieve::kTypeFloat;
        field.size = 4;
        break;
      case FieldKind::kCurrency:
        field.type = btrieve::kTypeCurrency;
        field.size = 8;
        field.decimals = 4;
        break;
    }
    offset_ += field.size;
    def_.fields.push_back(std::move(field));
    return *this;
  }
  LayoutBuilder& Text(int width, std::string_view name = {}) {
    return Add(FieldKind::kText, width, name);
  }
  LayoutBuilder& Int16(std::string_view name = {}) { return Add(FieldKind::kInt16, 0, name); }
  LayoutBuilder& Int32(std::string_view name = {}) { return Add(FieldKind::kInt32, 0, name); }
  LayoutBuilder& Single(std::string_view name = {}) { return Add(FieldKind::kSingle, 0, name); }
  LayoutBuilder& Money(std::string_view name = {}) { return Add(FieldKind::kCurrency, 0, name); }
  LayoutBuilder& Texts(int count, int width) {
    for (int i = 0; i < count; ++i) Text(width);
    return *this;
  }

  // Adds the next key (keys are numbered from 0 in the order added), its segments the fields
  // given. Every key may change on update; `duplicates` allows equal key values.
  LayoutBuilder& Key(std::initializer_list<int> fields, bool duplicates) {
    const std::uint16_t common =
        static_cast<std::uint16_t>(kIndexModifiable | (duplicates ? kIndexDuplicates : 0));
    std::size_t left = fields.size();
    for (int field : fields) {
      btrieve::IndexSegmentDef segment;
      segment.key = key_count_;
      segment.part = static_cast<int>(def_.index.size());
      segment.field_id = def_.fields[static_cast<std::size_t>(field)].id;
      segment.flags = static_cast<std::uint16_t>(common | (--left > 0 ? kIndexSegmented : 0));
      def_.index.push_back(segment);
    }
    ++key_count_;
    return *this;
  }

  btrieve::TableDef Build() { return std::move(def_); }

 private:
  static std::string TwoDigits(std::size_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

  btrieve::TableDef def_;
  std::string generic_prefix_;
  std::uint16_t* next_field_id_;
  int offset_ = 0;
  int key_count_ = 0;
};

btrieve::TableDef Common(std::uint16_t* ids) {
  LayoutBuilder b("COMMON", "COMMON.KEZ", "CommonField", ids);
  b.Text(10, "StoreId").Text(1).Text(40, "StoreName").Text(40, "Address").Text(25, "City");
  b.Text(3, "State").Text(10, "Zip").Text(14, "Phone").Text(14, "Fax").Text(1).Int32();
  for (int group = 0; group < 10; ++group) b.Text(15).Text(1).Text(1);  // fields 11-40
  b.Int16().Text(1, "DateOrder").Text(11).Texts(3, 8).Single().Text(1).Text(3).Text(1).Int32();
  b.Int16("FileNumber").Text(2).Texts(4, 1).Text(9).Text(1).Text(2);  // fields 52-60
  for (int i = 61; i <= 65; ++i) b.Single();
  b.Money().Single().Single().Texts(3, 1).Money().Money().Text(1).Text(1).Text(20).Text(20);
  b.Texts(10, 1).Text(6).Texts(4, 1).Text(2).Text(3).Text(1).Int16().Text(1).Text(1);  // 78-98
  b.Text(3).Text(14).Text(14).Text(15).Text(1).Single();                               // 99-104
  for (int i = 105; i <= 108; ++i) b.Money();
  b.Texts(4, 1).Int16().Int16().Int16().Texts(3, 1).Single().Texts(3, 1);  // 109-122
  b.Text(20).Text(1).Int16().Text(35).Text(65);                            // 123-127
  b.Key({common::kStoreId}, false);
  return b.Build();
}

btrieve::TableDef Inventory(std::uint16_t* ids) {
  LayoutBuilder b("INVENTRY", "invt1.KEZ", "InvtField", ids);
  b.Text(8, "ItemNumber").Text(15, "VendorItem").Text(30, "Description").Text(20, "Brand");
  b.Texts(3, 1).Text(15, "Category").Money("Price").Money("Cost").Single().Int16().Int32();
  b.Int16("Pack").Text(1).Text(11, "Department").Text(1).Single().Money();             // 13-18
  b.Texts(5, 1).Texts(3, 8).Text(1).Text(1).Text(1).Text(20).Int16().Money().Text(8);  // 19-33
  b.Text(1).Text(6).Text(5, "Size").Text(30).Text(8).Text(8).Int32("InventoryId");     // 34-40
  b.Texts(7, 1).Text(5).Text(2).Text(6).Money().Int16().Int32().Int32();               // 41-54
  b.Key({item::kItemNumber}, false)
      .Key({item::kDescription}, true)
      .Key({item::kVendorItem}, true)
      .Key({item::kBrand}, true)
      .Key({item::kCategory}, true)
      .Key({item::kDepartment}, true)
      .Key({24}, true)
      .Key({25}, true)
      .Key({item::kInventoryId}, false)
      .Key({33}, true)
      .Key({item::kSize, item::kDescription}, true)
      .Key({38}, true)
      .Key({39}, true);
  return b.Build();
}

btrieve::TableDef SalesHead(std::uint16_t* ids) {
  LayoutBuilder b("SALESHEAD", "SaleHead1.KEZ", "HeadField", ids);
  b.Int32("SaleNumber").Text(8, "SaleDate").Int16("Station").Text(8, "Clerk");
  b.Text(7, "Invoice").Int16().Int16().Text(15, "Customer").Money("Total").Money("Tax");
  b.Text(1, "SaleType").Text(1, "Status").Money().Int16().Int16();              // 10-14
  for (int group = 0; group < 5; ++group) b.Single().Money().Money();           // 15-29
  for (int group = 0; group < 5; ++group) b.Int16().Money().Text(25).Text(15);  // 30-49
  b.Text(1).Money().Text(15).Text(15).Text(10).Int32();                         // 50-55
  b.Key({head::kSaleNumber}, false)
      .Key({head::kSaleDate, head::kSaleNumber}, false)
      .Key({head::kCustomer, head::kSaleNumber}, false)
      .Key({head::kSaleType, head::kSaleNumber}, false)
      .Key({head::kInvoice}, true)
      .Key({head::kCustomer, head::kInvoice}, true);
  return b.Build();
}

btrieve::TableDef Upc(std::uint16_t* ids) {
  LayoutBuilder b("UPC", "UPC1.KEZ", "UpcField", ids);
  b.Text(8, "ItemNumber").Text(15, "Upc").Text(30, "Description").Text(1, "Kind");
  b.Key({upc::kItemNumber}, true)
      .Key({upc::kItemNumber, upc::kCode}, false)
      .Key({upc::kCode}, true)
      .Key({upc::kKind}, true);
  return b.Build();
}

btrieve::TableDef SalesItem(std::uint16_t* ids) {
  LayoutBuilder b("SALESITEM", "SaleItem1.KEZ", "LineField", ids);
  b.Int32("SaleNumber").Int16("Station").Text(7, "Invoice").Int16("LineNumber");
  b.Text(8, "ItemNumber").Int32("InventoryId").Text(11, "Department").Text(15, "Upc");
  b.Single("Quantity").Single("QuantitySold").Money("ListPrice").Money("Discount");  // 8-11
  b.Money("Price").Money("Amount").Text(1).Single().Money("Cost").Int16();           // 12-17
  b.Text(30, "Description").Text(1).Money().Money().Single().Money().Text(1, "LineType");
  b.Text(1).Text(8).Money().Text(2).Text(20).Text(8, "ItemCode").Text(12).Int32();  // 25-32
  b.Key({line::kSaleNumber, line::kLineNumber}, false)
      .Key({line::kInventoryId, line::kSaleNumber, line::kLineNumber}, false)
      .Key({line::kLineType, line::kSaleNumber, line::kLineNumber}, false)
      .Key({line::kUpc, line::kSaleNumber, line::kLineNumber}, false)
      .Key({line::kDepartment, line::kSaleNumber, line::kLineNumber}, false)
      .Key({line::kSaleNumber, line::kLineNumber, line::kItemNumber}, false);
  return b.Build();
}

btrieve::TableDef Names(std::uint16_t* ids) {
  LayoutBuilder b("NAMES", "name.KEZ", "NameField", ids);
  b.Text(15, "CustomerNumber").Text(40, "Name").Text(15, "FirstName").Text(10, "Zip");
  b.Text(2, "Country").Text(15, "LastName").Text(40, "Address").Text(20, "City");
  b.Text(3, "State").Text(14, "Phone").Text(14).Int16("Visits").Money("Balance");  // 8-12
  b.Text(8, "BirthDate").Money().Text(1).Money().Text(1).Text(8).Text(8).Text(6).Text(8);
  b.Text(1, "Active").Text(1).Int16().Money().Text(12).Text(1).Int16().Money().Text(12);
  b.Text(8).Text(1).Text(1, "Taxable").Money("CreditLimit").Money("Points");  // 31-35
  b.Text(30, "Address2").Text(40, "Email").Text(5, "Suite").Int16().Text(6).Text(6);
  b.Text(8, "RecordDate").Text(14, "Mobile").Text(20).Money().Text(1).Text(1).Text(8);
  b.Text(8).Text(12);  // 49-50
  b.Key({names::kCustomerNumber}, false)
      .Key({names::kName}, true)
      .Key({names::kFirstName}, true)
      .Key({names::kZip}, true)
      .Key({names::kLastName}, true)
      .Key({names::kCity}, true)
      .Key({names::kPhone}, true)
      .Key({names::kRecordDate}, true)
      .Key({names::kAddress2}, true);
  return b.Build();
}

std::vector<btrieve::TableDef> BuildAll() {
  std::uint16_t ids = kFirstFieldId;
  std::vector<btrieve::TableDef> tables;
  tables.push_back(Common(&ids));
  tables.push_back(Inventory(&ids));
  tables.push_back(SalesHead(&ids));
  tables.push_back(Upc(&ids));
  tables.push_back(SalesItem(&ids));
  tables.push_back(Names(&ids));
  return tables;
}

struct KeyCopy {
  int table;
  int key;
  std::array<int, 3> fields;
  std::size_t count;
};

// The fields each key takes from the record buffer before a keyed read.
constexpr KeyCopy kKeyCopies[] = {
    {kInventory, item::kByItemNumber, {item::kItemNumber}, 1},
    {kInventory, item::kByInventoryId, {item::kInventoryId}, 1},
    {kSalesHead, head::kBySaleNumber, {head::kSaleNumber}, 1},
    {kSalesHead, head::kByDate, {head::kSaleDate, head::kSaleNumber}, 2},
    {kSalesHead, head::kByCustomer, {head::kCustomer, head::kSaleNumber}, 2},
    {kSalesHead, head::kBySaleType, {head::kSaleType, head::kSaleNumber}, 2},
    {kSalesHead, head::kByInvoice, {head::kInvoice}, 1},
    {kSalesHead, head::kByCustomerAndInvoice, {head::kCustomer, head::kInvoice}, 2},
    {kUpc, upc::kByItemNumber, {upc::kItemNumber}, 1},
    {kUpc, upc::kByItemAndCode, {upc::kItemNumber, upc::kCode}, 2},
    {kUpc, upc::kByCode, {upc::kCode}, 1},
    {kUpc, upc::kByKind, {upc::kKind}, 1},
    {kSalesItem, line::kBySaleAndLine, {line::kSaleNumber, line::kLineNumber}, 2},
    {kSalesItem,
     line::kByInventoryId,
     {line::kInventoryId, line::kSaleNumber, line::kLineNumber},
     3},
    {kSalesItem, line::kByLineType, {line::kLineType, line::kSaleNumber, line::kLineNumber}, 3},
    {kSalesItem, line::kByUpc, {line::kUpc, line::kSaleNumber, line::kLineNumber}, 3},
    {kSalesItem, line::kByDepartment, {line::kDepartment, line::kSaleNumber, line::kLineNumber}, 3},
    {kSalesItem,
     line::kBySaleLineAndItem,
     {line::kSaleNumber, line::kLineNumber, line::kItemNumber},
     3},
    {kNames, names::kByCustomerNumber, {names::kCustomerNumber}, 1},
};

}  // namespace

const std::vector<btrieve::TableDef>& KezTableDefs() {
  // Built once and never changed: a constant, not process state.
  static const std::vector<btrieve::TableDef> kTables = BuildAll();
  return kTables;
}

const btrieve::TableDef& KezTableDef(int table) {
  return KezTableDefs()[static_cast<std::size_t>(table)];
}

FieldKind KindOf(const btrieve::FieldDef& field) {
  switch (field.type) {
    case btrieve::kTypeInteger:
      return field.size == 2 ? FieldKind::kInt16 : FieldKind::kInt32;
    case btrieve::kTypeFloat:
      return FieldKind::kSingle;
    case btrieve::kTypeCurrency:
      return FieldKind::kCurrency;
    default:
      return FieldKind::kText;
  }
}

std::span<const int> KeyCopyFields(int table, int key) {
  for (const KeyCopy& copy : kKeyCopies) {
    if (copy.table == table && copy.key == key) return {copy.fields.data(), copy.count};
  }
  return {};
}

int TableNumber(std::string_view name) {
  for (int table = 0; table < kTableCount; ++table) {
    if (btrieve::SameName(KezTableDef(table).name, name)) return table;
  }
  return -1;
}

}  // namespace kez
