#include "settings/cls_settings.h"

namespace kez {

clsSettings NewReportSettings(const LocalDateTime& now) {
  clsSettings record;
  record.StartDate = now;
  // The file keeps whole seconds; a record that keeps less reads back equal to itself.
  record.StartDate.millisecond = 0;
  return record;
}

}  // namespace kez
