#include "extracts/extract_files.h"

#include "platform/date_text.h"

namespace kez {

std::filesystem::path MarketingPortalFolder(const std::filesystem::path& data_path) {
  return data_path / kMarketingPortalFolder;
}

std::string ExtractFileName(std::string_view prefix, std::string_view store_number,
                            const LocalDateTime& day) {
  std::string name{prefix};
  name += store_number;
  name += FormatDateKey(day);
  name += ".csv";
  return name;
}

}  // namespace kez
