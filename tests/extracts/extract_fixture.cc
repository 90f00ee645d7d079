#include "extracts/extract_fixture.h"

#include <fstream>

#include "context/report_record.h"
#include "extracts/customers_extract.h"
#include "extracts/movement_collection.h"
#include "extracts/movement_file.h"
#include "extracts/sales_extract.h"
#include "platform/file_io.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/kez_fields.h"
#include "posdata/pos_database.h"
#include "posdata/store_files.h"
#include "settings/cls_settings.h"
#include "support/samples.h"

namespace kez::testing {

RecordBuffer Sale(std::int32_t number, std::string_view date, std::string_view invoice,
                  std::string_view status) {
  RecordBuffer sale(kSalesHead);
  sale.SetInteger(head::kSaleNumber, number);
  sale.SetText(head::kSaleDate, date);
  sale.SetInteger(head::kStation, 3);  // station
  sale.SetText(head::kClerk, "CLERK" + std::to_string(number % 10));
  sale.SetText(head::kInvoice, invoice);
  sale.SetText(head::kCustomer, "CUST" + std::to_string(number));
  sale.SetText(head::kStatus, status);
  return sale;
}

RecordBuffer SaleLine(std::int32_t sale, std::int16_t line, std::int32_t inventory_id,
                      float quantity, std::int64_t amount) {
  RecordBuffer item(kSalesItem);
  item.SetInteger(line::kSaleNumber, sale);
  item.SetInteger(line::kLineNumber, line);
  item.SetInteger(line::kInventoryId, inventory_id);
  item.SetText(line::kDepartment, "DEPT" + std::to_string(line));
  item.SetText(line::kUpc, "UPC" + std::to_string(inventory_id));
  item.SetSingle(line::kQuantity, quantity);
  item.SetSingle(line::kQuantitySold, quantity);
  item.SetMoney(line::kPrice, {amount});
  item.SetMoney(line::kAmount, {amount});
  item.SetMoney(line::kCost, {amount / 2});
  item.SetText(line::kItemCode, "S");
  return item;
}

RecordBuffer Item(std::int32_t inventory_id, std::string_view item_number,
                  std::string_view description, std::int64_t price, std::int16_t pack,
                  std::string_view size) {
  RecordBuffer item(kInventory);
  item.SetText(item::kItemNumber, item_number);
  item.SetText(item::kDescription, description);
  item.SetMoney(item::kPrice, {price});
  item.SetInteger(item::kPack, pack);
  item.SetText(item::kSize, size);
  item.SetInteger(item::kInventoryId, inventory_id);
  return item;
}

RecordBuffer UpcRecord(std::string_view item_number, std::string_view code) {
  RecordBuffer upc(kUpc);
  upc.SetText(upc::kItemNumber, item_number);
  upc.SetText(upc::kCode, code);
  return upc;
}

RecordBuffer Customer(std::string_view number, std::string_view record_date) {
  RecordBuffer customer(kNames);
  customer.SetText(names::kCustomerNumber, number);
  customer.SetText(names::kName, "NAME " + std::string{number});
  customer.SetText(names::kRecordDate, record_date);
  return customer;
}

ExtractTest::ExtractTest() {
  context_.AppDir = app_dir_.path();
  context_.save_log = true;
  context_.pos.app_dir = app_dir_.path();
  std::filesystem::copy_file(SourceDir() / "resources" / kErrorMessageFileName,
                             app_dir_ / kErrorMessageFileName);
  host_.SetNow({2024, 1, 31, 7, 5, 0, 0});
  context_.ReportSettings = {NewReportSettings(host_.Now()), NewReportSettings(host_.Now())};
  context_.export_state.StoreNumber = "00012";
  context_.export_state.LastInvoice = "0000000";
}

ExtractTest::~ExtractTest() { DBSM_UnloadHolder(context_.pos); }

void ExtractTest::OpenStore(const std::vector<RecordBuffer>& records, char date_order) {
  RecordBuffer common = CommonRecord(1);
  common.SetText(common::kDateOrder, std::string(1, date_order));
  std::vector<RecordBuffer> all{common};
  all.insert(all.end(), records.begin(), records.end());
  WriteStore(data_.path(), 1, all);
  UseDataPath(context_.pos, data_.path().string());
  ASSERT_TRUE(DBSM_OpenDatabase(context_.pos));
  ASSERT_TRUE(DBSM_OpenAll(context_.pos));
}

std::string ExtractTest::PortalFile(const std::string& name) const {
  return DataFile("MarketingPortal/" + name);
}

std::string ExtractTest::DataFile(const std::string& name) const {
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(data_ / name, &bytes, &error)) return "";
  return bytes;
}

bool ExtractTest::PortalFileExists(const std::string& name) const {
  return std::filesystem::exists(data_ / "MarketingPortal" / name);
}

void ExtractTest::WriteMarketingPortalFile(const std::string& name,
                                           const std::string& bytes) const {
  std::filesystem::create_directories(data_ / "MarketingPortal");
  std::ofstream(data_ / "MarketingPortal" / name, std::ios::binary) << bytes;
}

bool ExtractTest::SalesExtract() {
  return CreateSalesExtract(context_.pos, context_.export_state, log_) == ExtractResult::kWritten;
}

bool ExtractTest::CustomersExtract() {
  return CreateCustomersExtract(context_.pos, context_.export_state, log_) ==
         ExtractResult::kWritten;
}

std::int64_t ExtractTest::CollectMovement() {
  return CollectMovementData(context_.pos, ReportRecord(context_, kSymphonyIriReport),
                             context_.movement)
      .value_or(-1);
}

bool ExtractTest::WriteMovement() {
  return WriteMovementFile(context_.pos.DataPath, context_.movement, log_);
}

}  // namespace kez::testing
