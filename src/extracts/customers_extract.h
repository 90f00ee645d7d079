// The customer extract of the Marketing Portal report: one "|"-separated line per customer whose
// record date is on or after the export date, written to "KEZCustomersExtract" + store + YYYYMMDD
// + ".csv" under the data path's MarketingPortal folder.
#ifndef KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_
#define KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_

#include "app/app_context.h"

namespace kez {

// At most this many customers are written by one run.
inline constexpr int kMaxCustomerRows = 32000;

// Writes the customer extract and appends a line to its export log. On success ExportDate becomes
// the date of the sale header the sales extract read last, the export state is saved into KEZ.INI
// and the result is true. Without any customer, "No Data found to export" is shown through the
// host and the result is false.
bool CreateCustomersExtract(AppContext& context);

}  // namespace kez

#endif  // KEZ_EXTRACTS_CUSTOMERS_EXTRACT_H_
