#include "ui/report_record.h"

namespace kez::ui {

clsSettings& ReportRecord(AppContext& context, std::size_t index) {
  if (context.ReportSettings.size() <= index) context.ReportSettings.resize(index + 1);
  return context.ReportSettings[index];
}

}  // namespace kez::ui
