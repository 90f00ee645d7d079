// The report records of the context by position, made when missing: a list read from a damaged or
// partial file, or a context that never loaded one, still gives the jobs a record to use.
#ifndef KEZ_CONTEXT_REPORT_RECORD_H_
#define KEZ_CONTEXT_REPORT_RECORD_H_

#include <cstddef>

#include "context/app_context.h"

namespace kez {

// Report `index` of context.ReportSettings. When the list is shorter, it first grows with records
// of the initial values (their StartDate the host's current time). The reference stays valid
// until the list grows again.
clsSettings& ReportRecord(AppContext& context, std::size_t index);

// Report `index`, or nullptr when the list has no such position.
const clsSettings* FindReportRecord(const AppContext& context, int index);

}  // namespace kez

#endif  // KEZ_CONTEXT_REPORT_RECORD_H_
