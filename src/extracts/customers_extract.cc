#include "extracts/customers_extract.h"

#include <array>
#include <optional>

#include "app/config_files.h"
#include "btrieve/operation.h"
#include "extracts/extract_files.h"
#include "extracts/extract_output.h"
#include "extracts/sale_fields.h"
#include "platform/date_text.h"
#include "platform/number_text.h"
#include "posdata/dbsm_btrieve.h"

namespace kez {
namespace {

// The NAMES fields written as they are stored, in column order: columns 1 to 13, then 16 to 18.
constexpr std::array<int, 13> kLeadingTextFields{0, 5, 2, 38, 1, 6, 36, 7, 8, 3, 9, 37, 43};
constexpr std::array<int, 3> kMiddleTextFields{22, 4, 13};
constexpr int kBalanceField = 12;     // column 19
constexpr int kLastTextField = 33;    // column 20
constexpr int kRecordDateField = 42;  // "YYYYMMDD"; selects the customer
constexpr int kByCustomer = 0;

constexpr int kSaleDateField = 1;    // of the sale header
constexpr int kDateOrderField = 42;  // of the COMMON record: "E" puts the day first
constexpr char kDayFirstDateOrder = 'E';

void AddCustomerLine(const RecordBuffer& customer, ExtractFile& lines) {
  for (int field : kLeadingTextFields) lines.Column(customer.Text(field));
  lines.Column("N/A");
  lines.Column("N/A");
  for (int field : kMiddleTextFields) lines.Column(customer.Text(field));
  lines.Column(CurrencyText(customer.Money(kBalanceField).ten_thousandths));
  lines.Column(customer.Text(kLastTextField));
  lines.Column("0");
  lines.Column("");
  lines.EndLine();
}

// The export date that follows this run: the date of the sale header the sales extract read last.
// The suite writes that date in its own day/month order and reads it back in the same order, so
// only a date that is no real day can change the outcome: then nullopt. A blank date gives "".
std::optional<std::string> NextExportDate(const PosDatabase& db) {
  const std::string& key = db.buffers[kSalesHead].Text(head::kSaleDate);
  if (key.find_first_not_of(' ') == std::string::npos) return std::string{};
  const bool day_first = db.buffers[kCommon].Text(kDateOrderField).front() == kDayFirstDateOrder;
  const std::string year = key.substr(0, 4);
  const std::string month = key.substr(4, 2);
  const std::string day = key.substr(6, 2);
  const std::string written =
      day_first ? day + "/" + month + "/" + year : month + "/" + day + "/" + year;
  // Read back in the order it was written: month and day swap places again for "E".
  const std::string month_first =
      day_first ? written.substr(3, 2) + "/" + written.substr(0, 2) + written.substr(5) : written;
  const auto date = ParseDateValue(month_first);
  if (!date) return std::nullopt;
  return FormatShortDate(*date);
}

}  // namespace

bool CreateCustomersExtract(AppContext& context) {
  PosDatabase& db = context.pos;
  const std::filesystem::path folder = MarketingPortalFolder(db.DataPath);
  if (!MakeMarketingPortalFolder(context, folder)) return false;
  ExportLog log(context, folder / kCustomersExportLogName);

  const auto export_date = ParseDateValue(context.ExportDate);
  const std::string first_key = export_date ? FormatDateKey(*export_date) : "";
  const RecordBuffer& customer = db.buffers[kNames];
  ExtractFile lines(context, folder / ExtractFileName(kCustomersExtractPrefix, context.StoreNumber,
                                                      context.host.Now()));
  bool more = DBSM_TableOp(db, kNames, btrieve::kOpGetFirst, kByCustomer);
  // Customers past the limit are left for a later run; the walk can stop at it.
  while (more && lines.count() < kMaxCustomerRows) {
    if (customer.Text(kRecordDateField) >= first_key) AddCustomerLine(customer, lines);
    more = DBSM_TableOp(db, kNames, btrieve::kOpGetNext, kByCustomer);
  }

  if (!FinishExtract(context, lines, log)) return false;
  if (const auto next = NextExportDate(db)) context.ExportDate = *next;
  SaveExportState(context, db.DataPath);
  return true;
}

}  // namespace kez
