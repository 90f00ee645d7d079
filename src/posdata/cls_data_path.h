// clsDataPath: where the POS suite's data is, as the suite keeps it in the per-user settings store
// (application label, section "DATABASE", keys NETWORK, STATION, STATIONPATH, DATAPATH, TESTDATA),
// with the defaults, the checks and the texts of the path dialog. One instance serves the run.
#ifndef KEZ_POSDATA_CLS_DATA_PATH_H_
#define KEZ_POSDATA_CLS_DATA_PATH_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "posdata/user_settings_store.h"

namespace kez {

// The section of the settings store that holds the data location.
inline constexpr const char* kDataPathSection = "DATABASE";

class clsDataPath {
 public:
  // The properties the path dialog and the start-up set. Texts are single-byte text.
  std::string Title = "Station and Data Path";  // title of the path dialog
  std::string Station = "1";                    // station number as text
  std::string DataPath;  // folder of the dictionary and data files, no final separator
  std::string TestPath;  // training data path: kept, never used by this program
  std::string AppLabel;  // application label in the settings store
  std::string DefaultStation = "1";
  std::string DefaultDataPath;
  bool Network = false;  // the data path is on a network
  bool DefaultNetwork = false;
  std::string StationPath;       // folder of the station files, no final separator
  std::int16_t MaxStations = 4;  // highest valid station number
  std::string DefaultStationPath;
  bool StationPathEnabled = false;  // the station path is in use and checked
  bool Cancelled = false;           // the path dialog was cancelled
  std::string CheckFile;            // a file that must exist in the data path when not empty
  std::string StationFile;
  bool SupressFileCheck = false;  // skips the station file and check file tests
  bool CreatePath = false;        // the path dialog may create a missing folder
  bool StationNumberEnabled = false;

  // "Station " + Station + " of " + MaxStations, as last rebuilt by Read or Save.
  const std::string& StationLabel() const { return station_label_; }
  // The result of the last validation.
  bool Valid() const { return valid_; }
  // The store key of the field that failed the last validation ("STATION", "STATIONPATH",
  // "DATAPATH"), or empty.
  const std::string& FieldKey() const { return field_key_; }
  // The two-line message of the last failed validation, or empty.
  const std::string& ValidationMessage() const { return validation_message_; }

  // Reads the five keys; `sAppLabel`, when given, replaces AppLabel first. With `bSuppressDefaults`
  // missing keys read as empty (a missing or blank NETWORK as false); without it they take
  // DefaultNetwork, DefaultStation, DefaultStationPath and DefaultDataPath. The data path loses its
  // surrounding blanks. Rebuilds StationLabel.
  void Read(UserSettingsStore& store, bool bSuppressDefaults,
            std::optional<std::string_view> sAppLabel = std::nullopt);
  // Writes the five keys (NETWORK as "True" or "False") and rebuilds StationLabel. False when the
  // store refused a value.
  bool Save(UserSettingsStore& store);
  // Removes the five keys. False when the store refused.
  bool Delete(UserSettingsStore& store);

  // Checks the station, the station path, the data path, the station file and the check file, in
  // that order, stopping at the first failure; sets Valid, FieldKey and ValidationMessage. A
  // station number above MaxStations becomes "1" (FieldKey "STATION") without failing. Unless
  // `quiet`, a failure's message is shown through `host` (application title).
  bool Validate(bool quiet, Host* host);

 private:
  void RebuildStationLabel();
  void Fail(std::string field_key, std::string_view line1, std::string_view line2);

  std::string station_label_ = "Station 1 of 4";
  bool valid_ = false;
  std::string field_key_;
  std::string validation_message_;
};

// True when `folder` names an existing folder.
bool FolderExists(std::string_view folder);
// `text` without its surrounding blanks.
std::string TrimBlanks(std::string_view text);
// `path` without one final "\" (and, outside Windows, one final "/").
std::string WithoutFinalSeparator(std::string_view path);

}  // namespace kez

#endif  // KEZ_POSDATA_CLS_DATA_PATH_H_
