// The report records as the settings window reaches them: by position, a record that does not
// exist yet created empty on first use.
#ifndef KEZ_UI_REPORT_RECORD_H_
#define KEZ_UI_REPORT_RECORD_H_

#include <cstddef>
#include <functional>

#include "app/app_context.h"

namespace kez::ui {

// The number of reports the window offers: Marketing Portal and SymphonyIRI.
inline constexpr std::size_t kReportCount = 2;

// Record `index` of context.ReportSettings, the list grown with empty records when it is shorter.
// The reference lasts until the list grows again.
clsSettings& ReportRecord(AppContext& context, std::size_t index);

// How a tab reaches the current report's record: asked anew at every use, because the current
// report changes and the list may grow.
using CurrentRecord = std::function<clsSettings&()>;

}  // namespace kez::ui

#endif  // KEZ_UI_REPORT_RECORD_H_
