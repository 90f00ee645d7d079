#include "posdata/cls_data_path.h"

#include <filesystem>
#include <system_error>

#include "btrieve/dictionary.h"
#include "platform/app_titles.h"
#include "platform/number_text.h"
#include "platform/windows1252.h"

namespace kez {
namespace {

constexpr const char* kNetworkKey = "NETWORK";
constexpr const char* kStationKey = "STATION";
constexpr const char* kStationPathKey = "STATIONPATH";
constexpr const char* kDataPathKey = "DATAPATH";
constexpr const char* kTestDataKey = "TESTDATA";

// Data folders copied from Windows keep their names but may change their letter case.
bool FileExistsIn(std::string_view folder, std::string_view name) {
  std::error_code code;
  return std::filesystem::is_regular_file(btrieve::ResolvePath(std::filesystem::path(folder), name),
                                          code);
}

// A stored boolean: "True"/"False" in any letter case, or a number (non-zero is true).
bool BooleanText(std::string_view text) {
  const std::string trimmed = TrimBlanks(text);
  if (EqualsIgnoreCase1252(trimmed, "True")) return true;
  if (EqualsIgnoreCase1252(trimmed, "False")) return false;
  return LeadingNumber(trimmed) != 0;
}

}  // namespace

bool FolderExists(std::string_view folder) {
  std::error_code code;
  return !folder.empty() && std::filesystem::is_directory(std::filesystem::path(folder), code);
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// Either separator: Windows takes both, and a path typed as "C:\KEZ/" names the same folder.
std::string WithoutFinalSeparator(std::string_view path) {
  constexpr std::string_view kSeparators = "\\/";
  if (!path.empty() && kSeparators.find(path.back()) != std::string_view::npos) {
    path.remove_suffix(1);
  }
  return std::string(path);
}

void clsDataPath::Read(UserSettingsStore& store, bool bSuppressDefaults,
                       std::optional<std::string_view> sAppLabel) {
  if (sAppLabel) AppLabel = std::string(*sAppLabel);
  auto read = [&](const char* key, std::string_view fallback) {
    std::optional<std::string> value = store.Get(AppLabel, kDataPathSection, key);
    return value ? *value : std::string(bSuppressDefaults ? std::string_view() : fallback);
  };
  const std::optional<std::string> network = store.Get(AppLabel, kDataPathSection, kNetworkKey);
  if (network) {
    Network = BooleanText(*network);
  } else {
    Network = bSuppressDefaults ? false : DefaultNetwork;
  }
  Station = read(kStationKey, DefaultStation);
  StationPath = read(kStationPathKey, DefaultStationPath);
  DataPath = TrimBlanks(read(kDataPathKey, DefaultDataPath));
  TestPath = read(kTestDataKey, "");
  RebuildStationLabel();
}

bool clsDataPath::Save(UserSettingsStore& store) {
  bool saved = store.Set(AppLabel, kDataPathSection, kNetworkKey, Network ? "True" : "False");
  saved = store.Set(AppLabel, kDataPathSection, kStationKey, Station) && saved;
  saved = store.Set(AppLabel, kDataPathSection, kStationPathKey, StationPath) && saved;
  saved = store.Set(AppLabel, kDataPathSection, kDataPathKey, DataPath) && saved;
  saved = store.Set(AppLabel, kDataPathSection, kTestDataKey, TestPath) && saved;
  RebuildStationLabel();
  return saved;
}

bool clsDataPath::Delete(UserSettingsStore& store) {
  bool removed = true;
  for (const char* key : {kNetworkKey, kStationKey, kStationPathKey, kDataPathKey, kTestDataKey}) {
    removed = store.Remove(AppLabel, kDataPathSection, key) && removed;
  }
  return removed;
}

bool clsDataPath::Validate(bool quiet, Host* host) {
  valid_ = true;
  field_key_.clear();
  validation_message_.clear();
  if (LeadingNumber(Station) > MaxStations) {
    Station = "1";
    field_key_ = kStationKey;
  }
  if (StationPathEnabled && !FolderExists(StationPath)) {
    Fail(kStationPathKey, "Station Path Not Found.", "Use the Browse method to find a valid path.");
  } else if (!FolderExists(DataPath)) {
    Fail(kDataPathKey, "Data Path Not Found.", "Use the Browse method to find a valid path.");
  } else if (StationPathEnabled && !SupressFileCheck &&
             !FileExistsIn(StationPath, "STA" + Station + ".KEZ")) {
    Fail(kStationPathKey, "Station " + Station + " not in Station Path.",
         "Select another Station or change the Station Path.");
  } else if (!CheckFile.empty() && !SupressFileCheck && !FileExistsIn(DataPath, CheckFile)) {
    Fail(kDataPathKey, "Primary Data File Not Found.",
         "There is no '" + CheckFile + "' file in the specified data path.");
  }
  if (!valid_ && !quiet && host != nullptr) {
    host->ShowMessage(validation_message_, MessageButtons::kOk, MessageIcon::kExclamation,
                      kApplicationTitle, MessageKind::kInformation);
  }
  return valid_;
}

void clsDataPath::RebuildStationLabel() {
  station_label_ = "Station " + Station + " of " + std::to_string(MaxStations);
}

void clsDataPath::Fail(std::string field_key, std::string_view line1, std::string_view line2) {
  valid_ = false;
  field_key_ = std::move(field_key);
  validation_message_ = std::string(line1) + "\r\n" + std::string(line2);
}

}  // namespace kez
