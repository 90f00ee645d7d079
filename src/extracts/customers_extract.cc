#include "extracts/customers_extract.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "btrieve/operation.h"
#include "context/config_files.h"
#include "extracts/extract_files.h"
#include "extracts/extract_output.h"
#include "extracts/line_writer.h"
#include "platform/date_text.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/kez_fields.h"

namespace kez {
namespace {

// The NAMES fields written as they are stored, in column order: columns 1 to 13, then 16 to 18.
constexpr std::array<int, 13> kLeadingTextFields{
    names::kCustomerNumber, names::kLastName, names::kFirstName, names::kSuite, names::kName,
    names::kAddress,        names::kAddress2, names::kCity,      names::kState, names::kZip,
    names::kPhone,          names::kEmail,    names::kMobile};
constexpr std::array<int, 3> kMiddleTextFields{names::kActive, names::kCountry, names::kBirthDate};
constexpr int kBalanceField = names::kBalance;   // column 19
constexpr int kLastTextField = names::kTaxable;  // column 20

constexpr char kDayFirstDateOrder = 'E';

void AddCustomerLine(const RecordBuffer& customer, ExtractFile& lines) {
  LineWriter line(lines);
  for (int field : kLeadingTextFields) line.Text(customer.TextView(field));
  line.Text("N/A");
  line.Text("N/A");
  for (int field : kMiddleTextFields) line.Text(customer.TextView(field));
  line.Currency(customer.Money(kBalanceField).ten_thousandths);
  line.Text(customer.TextView(kLastTextField));
  line.Text("0");
  line.Text("");
  line.End(customer.TextView(names::kCustomerNumber));
}

// The export date that follows this run: the date of the sale header the sales extract read last.
// The suite writes that date in its own day/month order and reads it back in the same order, so
// only a date that is no real day can change the outcome: then nullopt. A blank date gives "".
std::optional<std::string> NextExportDate(const PosDatabase& db) {
  const std::string& key = db.buffers[kSalesHead].Text(head::kSaleDate);
  if (key.find_first_not_of(' ') == std::string::npos) return std::string{};
  const bool day_first = db.buffers[kCommon].Text(common::kDateOrder).front() == kDayFirstDateOrder;
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

ExtractResult CreateCustomersExtract(PosDatabase& db, ExportState& state, const LogWriter& log,
                                     ExistingFile existing) {
  const std::filesystem::path folder = MarketingPortalFolder(db.DataPath);
  if (!MakeMarketingPortalFolder(log, folder)) return ExtractResult::kNotWritten;
  ExportLog export_log(db.host, log, folder / kCustomersExportLogName);

  const auto export_date = ParseDateValue(state.ExportDate);
  const std::string first_key = export_date ? FormatDateKey(*export_date) : "";
  const RecordBuffer& customer = db.buffers[kNames];
  // A customer written again replaces its older line: one line per customer, the newer wins.
  ExtractFile lines(
      log, folder / ExtractFileName(kCustomersExtractPrefix, state.StoreNumber, db.host.Now()),
      existing, kCustomerNumberColumn);
  const int mark = db.fatal_statuses;
  bool more = DBSM_TableOp(db, kNames, btrieve::kOpGetFirst, names::kByCustomerNumber);
  // Customers past the limit are left for a later run; the walk can stop at it.
  while (more && lines.count() < kMaxCustomerRows) {
    if (customer.Text(names::kRecordDate) >= first_key) AddCustomerLine(customer, lines);
    more = DBSM_TableOp(db, kNames, btrieve::kOpGetNext, names::kByCustomerNumber);
  }
  if (ReadingFailed(db, mark)) return ExtractResult::kNotRead;

  const ExtractResult result = FinishExtract(db.host, lines, export_log);
  if (result != ExtractResult::kWritten) return result;
  // A blank date means no sale was read (the customer extract ran alone): the export date stays.
  if (const auto next = NextExportDate(db); next && !next->empty()) state.ExportDate = *next;
  SaveExportState(db.host, state, db.DataPath);
  return result;
}

}  // namespace kez
