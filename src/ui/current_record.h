// How the settings window's tabs reach the report records: the current report's record, asked
// anew at every use, because the current report changes and the list of records may grow.
#ifndef KEZ_UI_CURRENT_RECORD_H_
#define KEZ_UI_CURRENT_RECORD_H_

#include <cstddef>
#include <functional>

#include "context/report_record.h"

namespace kez::ui {

// The number of reports the window offers: Marketing Portal and SymphonyIRI.
inline constexpr std::size_t kReportCount = 2;

using CurrentRecord = std::function<clsSettings&()>;

}  // namespace kez::ui

#endif  // KEZ_UI_CURRENT_RECORD_H_
