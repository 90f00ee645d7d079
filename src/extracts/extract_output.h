// What the two Marketing Portal extracts share: their lines ("|"-joined columns ended by CR LF),
// their export logs, and the safe writing of the finished file.
#ifndef KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
#define KEZ_EXTRACTS_EXTRACT_OUTPUT_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/app_context.h"

namespace kez {

// The lines of one extract as they are collected, already in their final form.
class ExtractLines {
 public:
  // Starts a line, or adds one column to it, with "|" before every column but the first.
  void Column(std::string_view text);
  // Ends the current line with CR LF.
  void EndLine();

  std::int64_t count() const { return count_; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::int64_t count_ = 0;
  bool line_open_ = false;
};

// One extract's export log in the MarketingPortal folder, appended line by line.
class ExportLog {
 public:
  // Makes sure the folder and the log exist; an activity-log line says so when they cannot be
  // made, and the run goes on (the extract itself reports the failure to write its file).
  ExportLog(AppContext& context, std::filesystem::path file);

  // "<short date>\t<hh.mm>\t<count> lines exported".
  void Success(std::int64_t count);
  // "<short date>\tNo data Found for export".
  void NoData();

 private:
  void Append(const std::string& line);

  AppContext& context_;
  std::filesystem::path file_;
};

// Creates the data path's MarketingPortal folder when it is missing. False, with an activity-log
// line naming the folder and the reason, when it cannot be made.
bool MakeMarketingPortalFolder(AppContext& context, const std::filesystem::path& folder);

// Replaces `file` by the collected lines through a temporary file. False, with an activity-log
// line naming the file and the reason, when that fails; the old file is then untouched.
bool WriteExtractFile(AppContext& context, const std::filesystem::path& file,
                      const ExtractLines& lines);

// Shows "No Data found to export" (OK only, the application title) and waits for the answer.
void ShowNoDataMessage(AppContext& context);

}  // namespace kez

#endif  // KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
