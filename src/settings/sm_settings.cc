#include "settings/sm_settings.h"

#include <system_error>

#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/windows1252.h"
#include "settings/portal_xml.h"

namespace kez {
namespace {

constexpr const char* kReportNames[] = {"Backup", "SymphonyIRI"};

// Moves the damaged file aside, replacing an older copy. False with `error` set when it cannot.
bool KeepDamaged(const std::filesystem::path& data_path, std::string* error) {
  std::error_code code;
  const std::filesystem::path bad = DamagedPortalFilePath(data_path);
  std::filesystem::remove(bad, code);
  std::filesystem::rename(PortalFilePath(data_path), bad, code);
  if (code) *error = code.message();
  return !code;
}

// Makes sure records 0 and 1 exist and gives them the reports' names.
void NameRecords(std::vector<clsSettings>& records, const LocalDateTime& now) {
  while (records.size() < 2) records.push_back(NewReportSettings(now));
  for (std::size_t i = 0; i < 2; ++i) records[i].SettingName = kReportNames[i];
}

}  // namespace

std::filesystem::path PortalFilePath(const std::filesystem::path& data_path) {
  return FindFileAnyCase(data_path, "portal.xml");
}

std::filesystem::path DamagedPortalFilePath(const std::filesystem::path& data_path) {
  return data_path / "portal.xml.bad";
}

ReportSettingsLoad LoadReportSettings(const std::filesystem::path& data_path,
                                      const LocalDateTime& now, std::vector<clsSettings>& records) {
  ReportSettingsLoad load;
  const std::filesystem::path file = PortalFilePath(data_path);
  const std::string file_text = PathText(file);
  std::string error;
  std::error_code code;
  if (!std::filesystem::exists(file, code)) {
    load.outcome = ReportSettingsLoad::Outcome::kCreated;
    if (!CreateDefaultReportSettings(data_path, now, records, &error)) {
      load.notes.push_back("Report settings file could not be created: " + error);
    }
    return load;
  }

  std::string bytes;
  std::string damage;
  PortalXmlRead read;
  if (!ReadWholeFile(file, &bytes, &error)) {
    damage = "it cannot be read (" + error + ")";
  } else {
    read = ReadPortalXml(bytes, records, now);
    damage = read.damage;
  }

  if (!damage.empty()) {
    load.outcome = ReportSettingsLoad::Outcome::kReplaced;
    if (!KeepDamaged(data_path, &error)) {
      load.notes.push_back("Report settings file " + file_text + " is unusable, " + damage +
                           ", and could not be kept as portal.xml.bad (" + error +
                           "); it stays as it is and initial settings are used");
      NameRecords(records, now);
      return load;
    }
    load.notes.push_back("Report settings file " + file_text + " is unusable, " + damage +
                         "; it was kept as portal.xml.bad and replaced by initial settings");
    if (!CreateDefaultReportSettings(data_path, now, records, &error)) {
      load.notes.push_back("Report settings file could not be created: " + error);
    }
    return load;
  }

  if (!read.problems.empty()) {
    load.notes = std::move(read.problems);
    std::filesystem::copy_file(file, DamagedPortalFilePath(data_path),
                               std::filesystem::copy_options::overwrite_existing, code);
    load.notes.push_back(code
                             ? "portal.xml could not be copied to portal.xml.bad: " + code.message()
                             : "portal.xml was copied to portal.xml.bad as it was");
  }
  return load;
}

bool CreateDefaultReportSettings(const std::filesystem::path& data_path, const LocalDateTime& now,
                                 std::vector<clsSettings>& records, std::string* error) {
  NameRecords(records, now);
  return SaveReportSettings(data_path, records, error);
}

bool SaveReportSettings(const std::filesystem::path& data_path,
                        const std::vector<clsSettings>& records, std::string* error) {
  if (records.size() < 2) {
    *error = "the report settings are not loaded";
    return false;
  }
  // The file holds FTP passwords.
  return ReplaceFileAtomically(PortalFilePath(data_path), WritePortalXml(records),
                               FileAccess::kOwnerOnly, error);
}

}  // namespace kez
