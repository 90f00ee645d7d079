#include "context/report_record.h"

namespace kez {

clsSettings& ReportRecord(AppContext& context, std::size_t index) {
  while (context.ReportSettings.size() <= index) {
    context.ReportSettings.push_back(NewReportSettings(context.host.Now()));
  }
  return context.ReportSettings[index];
}

const clsSettings* FindReportRecord(const AppContext& context, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= context.ReportSettings.size()) {
    return nullptr;
  }
  return &context.ReportSettings[static_cast<std::size_t>(index)];
}

}  // namespace kez
