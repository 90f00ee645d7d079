// clsSettings: one scheduled report's settings (schedule, FTP account, store number, start date,
// last invoice), as the report settings file portal.xml keeps them. Record 0 of the list is the
// Marketing Portal report (named "Backup" in the file), record 1 the SymphonyIRI report.
#ifndef KEZ_SETTINGS_CLS_SETTINGS_H_
#define KEZ_SETTINGS_CLS_SETTINGS_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/date_text.h"
#include "platform/host.h"

namespace kez {

// Positions of the two reports in the list of report records.
inline constexpr int kMarketingPortalReport = 0;
inline constexpr int kSymphonyIriReport = 1;

// The property names are those of portal.xml's elements; SettingFieldsInFileOrder lists them in
// the file's order. Texts are single-byte (Windows-1252).
struct clsSettings {
  std::string SettingName;          // "Backup" or "SymphonyIRI"
  bool FTPRunDailyOrWeekly = true;  // schedule kind: daily, or on the chosen weekdays
  bool FTPRunWeeklyMon = false;     // weekly runs, one switch per weekday
  bool FTPRunWeeklyTue = false;
  bool FTPRunWeeklyWed = false;
  bool FTPRunWeeklyThu = false;
  bool FTPRunWeeklyFri = false;
  bool FTPRunWeeklySat = false;
  bool FTPRunWeeklySun = false;
  LocalDateTime StartTimeTime{1899, 12, 30, 12, 0, 0, 0};  // start time of day (noon, no date)
  bool StartTimeOnceDailyOrEvery = true;                   // once a day, or repeated
  std::int16_t StartTimeOnceDailyTime = 0;                 // repeat interval
  bool FTPEnable = true;              // edited in the settings window; jobs ignore it
  std::string FTPLogin;               // FTP user name
  std::string FTPAddress;             // FTP server
  std::string FTPPassword;            // kept as plain text, as the file holds it
  std::string FTPPort;                // as entered
  std::string FTPDirectory;           // remote directory
  bool FTPMode = false;               // true: active connection, false: passive
  bool FTPTransfeMode = false;        // true: binary transfer, false: ASCII
  std::string StoreNumber = "00001";  // store number of the exports
  LocalDateTime StartDate;            // next export's start day; see NewReportSettings
  std::string Invoice = "00001";      // last exported invoice
  bool Run = false;                   // edited in the settings window; jobs ignore it
  bool FTPUseForAll = false;          // the window copies FTP fields between the reports

  friend bool operator==(const clsSettings&, const clsSettings&) = default;
};

// A record with the initial values, its StartDate the moment `now` to the second.
clsSettings NewReportSettings(const LocalDateTime& now);

}  // namespace kez

#endif  // KEZ_SETTINGS_CLS_SETTINGS_H_
