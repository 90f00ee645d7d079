// The customer extract of the Marketing Portal report: one "|"-separated line per customer whose
// record date is on or after the export date, written to "KEZCustomersExtract" + store + YYYYMMDD
// + ".csv" under the data path's MarketingPortal folder.
#ifndef KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_
#define KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_

#include "context/activity_log.h"
#include "context/export_state.h"
#include "extracts/extract_output.h"
#include "posdata/pos_database.h"

namespace kez {

// At most this many customers are written by one run.
inline constexpr int kMaxCustomerRows = 32000;

// Writes the customer extract of `db`'s store and appends a line to its export log. On success
// state.ExportDate becomes the date of the sale header the sales extract read last, the state is
// saved into KEZ.INI and the result is kWritten. Without any customer, "No Data found to export"
// is shown through the host. Failures to write go to `log`. `existing` says what becomes of a
// file of today's name that is already there (kept lines: one per customer, the newer wins).
ExtractResult CreateCustomersExtract(PosDatabase& db, ExportState& state, const LogWriter& log,
                                     ExistingFile existing = ExistingFile::kReplace);

// The column of a customer line that names the customer.
inline constexpr int kCustomerNumberColumn = 0;

}  // namespace kez

#endif  // KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_
