// sm_Settings: the report settings file portal.xml in the data path. Loads it into the list of
// report records at start-up (creating it with initial values when it is missing or unusable),
// and writes the whole list back whenever asked.
//
// A damaged file is never simply overwritten: it is kept as "portal.xml.bad" first, and values
// that cannot be read are reported, so that no setting is lost without a word. Saving replaces the
// file atomically; on POSIX it is readable by its owner only, because it holds FTP passwords.
#ifndef KEZ_SETTINGS_SM_SETTINGS_H_
#define KEZ_SETTINGS_SM_SETTINGS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "settings/cls_settings.h"

namespace kez {

// data path + "portal.xml", or the file of that name in another letter case when one exists.
std::filesystem::path PortalFilePath(const std::filesystem::path& data_path);
// data path + "portal.xml.bad": where a damaged file is kept.
std::filesystem::path DamagedPortalFilePath(const std::filesystem::path& data_path);

// What LoadReportSettings did.
struct ReportSettingsLoad {
  enum class Outcome {
    kRead,      // the file was read (notes may still report values that could not be taken)
    kCreated,   // there was no file; one with initial values was written
    kReplaced,  // the file was unusable; it was kept as portal.xml.bad and replaced
  };
  Outcome outcome = Outcome::kRead;
  // Lines for the activity log: what was wrong and what was done about it.
  std::vector<std::string> notes;
};

// Fills records 0 and 1 from portal.xml. A missing file, or one that does not parse or holds
// other than two "SettingName" elements, is replaced through CreateDefaultReportSettings (a
// damaged one kept as portal.xml.bad first; if it cannot be kept, the damaged file stays and
// only the records get initial values). A readable file with values that cannot be taken is read
// as far as it goes and copied to portal.xml.bad. `now` is the StartDate of records created here.
ReportSettingsLoad LoadReportSettings(const std::filesystem::path& data_path,
                                      const LocalDateTime& now, std::vector<clsSettings>& records);

// Makes sure records 0 and 1 exist (existing ones keep their values), names them "Backup" and
// "SymphonyIRI", and writes them as a fresh portal.xml. Returns false with `error` set when the
// file cannot be written.
[[nodiscard]] bool CreateDefaultReportSettings(const std::filesystem::path& data_path,
                                               const LocalDateTime& now,
                                               std::vector<clsSettings>& records,
                                               std::string* error);

// Writes records 0 and 1 as portal.xml, replacing the old file. Returns false with `error` set
// when that fails (the old file then stays as it was); also when there are fewer than two records.
[[nodiscard]] bool SaveReportSettings(const std::filesystem::path& data_path,
                                      const std::vector<clsSettings>& records, std::string* error);

}  // namespace kez

#endif  // KEZ_SETTINGS_SM_SETTINGS_H_
