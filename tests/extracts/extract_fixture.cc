#include "extracts/extract_fixture.h"

#include "platform/file_io.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "posdata/pos_database.h"
#include "posdata/store_files.h"
#include "settings/cls_settings.h"
#include "support/samples.h"

namespace kez::testing {

RecordBuffer Sale(std::int32_t number, std::string_view date, std::string_view invoice,
                  std::string_view status) {
  RecordBuffer sale(kSalesHead);
  sale.SetInteger(0, number);
  sale.SetText(1, date);
  sale.SetInteger(2, 3);  // station
  sale.SetText(3, "CLERK" + std::to_string(number % 10));
  sale.SetText(4, invoice);
  sale.SetText(7, "CUST" + std::to_string(number));
  sale.SetText(11, status);
  return sale;
}

RecordBuffer SaleLine(std::int32_t sale, std::int16_t line, std::int32_t inventory_id,
                      float quantity, std::int64_t amount) {
  RecordBuffer item(kSalesItem);
  item.SetInteger(0, sale);
  item.SetInteger(3, line);
  item.SetInteger(5, inventory_id);
  item.SetText(6, "DEPT" + std::to_string(line));
  item.SetText(7, "UPC" + std::to_string(inventory_id));
  item.SetSingle(8, quantity);
  item.SetSingle(9, quantity);
  item.SetMoney(12, {amount});
  item.SetMoney(13, {amount});
  item.SetMoney(16, {amount / 2});
  item.SetText(30, "S");
  return item;
}

RecordBuffer Item(std::int32_t inventory_id, std::string_view item_number,
                  std::string_view description, std::int64_t price, std::int16_t pack,
                  std::string_view size) {
  RecordBuffer item(kInventory);
  item.SetText(0, item_number);
  item.SetText(2, description);
  item.SetMoney(8, {price});
  item.SetInteger(13, pack);
  item.SetText(36, size);
  item.SetInteger(40, inventory_id);
  return item;
}

RecordBuffer UpcRecord(std::string_view item_number, std::string_view code) {
  RecordBuffer upc(kUpc);
  upc.SetText(0, item_number);
  upc.SetText(1, code);
  return upc;
}

RecordBuffer Customer(std::string_view number, std::string_view record_date) {
  RecordBuffer customer(kNames);
  customer.SetText(0, number);
  customer.SetText(1, "NAME " + std::string{number});
  customer.SetText(42, record_date);
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
  context_.StoreNumber = "00012";
  context_.LastInvoice = "0000000";
}

ExtractTest::~ExtractTest() { DBSM_UnloadHolder(context_.pos); }

void ExtractTest::OpenStore(const std::vector<RecordBuffer>& records, char date_order) {
  RecordBuffer common = CommonRecord(1);
  common.SetText(42, std::string(1, date_order));
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

}  // namespace kez::testing
