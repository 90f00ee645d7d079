// The sales extract of the Marketing Portal report: one "|"-separated line per sold line item of
// the sales since the last exported invoice (or since the export date), written to
// "KEZSalesExtract" + store + YYYYMMDD + ".csv" under the data path's MarketingPortal folder.
#ifndef KEZ_EXTRACTS_SALES_EXTRACT_H_
#define KEZ_EXTRACTS_SALES_EXTRACT_H_

#include "context/activity_log.h"
#include "context/export_state.h"
#include "extracts/extract_output.h"
#include "posdata/pos_database.h"

namespace kez {

// Writes the sales extract of `db`'s store and appends a line to its export log. Starts at
// state.LastInvoice (that sale is exported again) or, when LastInvoice is not above "0000000", at
// state.ExportDate. On success LastInvoice becomes the invoice of the last sale header read and
// the result is kWritten. Without any line item, "No Data found to export" is shown through the
// host. Failures to write go to `log`. `existing` says what becomes of a file of today's name that
// is already there; its lines of a sale the run exports again are dropped (the invoice column).
ExtractResult CreateSalesExtract(PosDatabase& db, ExportState& state, const LogWriter& log,
                                 ExistingFile existing = ExistingFile::kReplace);

// The column of a sales line that names its sale.
inline constexpr int kSalesInvoiceColumn = 1;

}  // namespace kez

#endif  // KEZ_EXTRACTS_SALES_EXTRACT_H_
