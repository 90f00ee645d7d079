#include "cli/data_path_option.h"

#include "posdata/cls_data_path.h"
#include "posdata/data_path_ops.h"

namespace kez::cli {

std::optional<std::string> ResolveDataPath(const std::string& option, std::string* error) {
  if (!option.empty()) return WithoutFinalSeparator(option);
  const std::unique_ptr<UserSettingsStore> store = OpenUserSettingsStore();
  clsDataPath path;
  path.Read(*store, true, kSuiteSettingsLabel);
  const std::string data_path = WithoutFinalSeparator(path.DataPath);
  if (data_path.empty()) {
    *error = "no data path is stored in " + store->Location(kSuiteSettingsLabel) +
             "; give --data-path DIR or store one with: kezagg datapath set DIR";
    return std::nullopt;
  }
  return data_path;
}

}  // namespace kez::cli
