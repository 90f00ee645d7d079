// The names and places of the Marketing Portal files: the data path's MarketingPortal folder holds
// the day's extracts (prefix + store + YYYYMMDD + ".csv") and the two export logs.
#ifndef KEZ_EXTRACTS_EXTRACT_FILES_H_
#define KEZ_EXTRACTS_EXTRACT_FILES_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kez {

inline constexpr const char* kMarketingPortalFolder = "MarketingPortal";
inline constexpr const char* kCustomListPrefix = "KEZCustomList";
inline constexpr const char* kSalesExtractPrefix = "KEZSalesExtract";
inline constexpr const char* kCustomersExtractPrefix = "KEZCustomersExtract";
inline constexpr const char* kSalesExportLogName = "KEZSalesForExtractExport.log";
inline constexpr const char* kCustomersExportLogName = "KEZCustomersExtractExport.log";

// The data path's MarketingPortal folder.
std::filesystem::path MarketingPortalFolder(const std::filesystem::path& data_path);

// prefix + store + the day's "YYYYMMDD" + ".csv": "KEZSalesExtract0001220240131.csv".
std::string ExtractFileName(std::string_view prefix, std::string_view store_number,
                            const LocalDateTime& day);

}  // namespace kez

#endif  // KEZ_EXTRACTS_EXTRACT_FILES_H_
