// What the two Marketing Portal extracts share: their files of "|"-joined columns ended by CR LF,
// written through a temporary file, and their export logs.
#ifndef KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
#define KEZ_EXTRACTS_EXTRACT_OUTPUT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "context/activity_log.h"
#include "platform/file_io.h"
#include "platform/host.h"

namespace kez {

// One extract's file, written line by line as the rows are collected: the lines go to a temporary
// file beside it, which Commit renames over the file. An ExtractFile dropped without Commit leaves
// no trace, so a run without rows creates nothing.
class ExtractFile {
 public:
  ExtractFile(const LogWriter& log, std::filesystem::path file);

  // Starts a line, or adds one column to it, with "|" before every column but the first.
  void Column(std::string_view text);
  // Ends the current line with CR LF.
  void EndLine();
  std::int64_t count() const { return count_; }

  // Makes the lines the file's content. False, with an activity-log line naming the file and the
  // reason (a full disk, a folder without write access), when that fails; the old file is then
  // untouched.
  bool Commit();

 private:
  void Flush();

  const LogWriter& log_;
  std::filesystem::path file_;
  std::optional<ReplacingFile> out_;  // opened at the first flush
  std::string pending_;               // lines not yet handed to the file
  std::int64_t count_ = 0;
  bool line_open_ = false;
};

// One extract's export log in the MarketingPortal folder, appended line by line.
class ExportLog {
 public:
  // Makes sure the folder and the log exist; an activity-log line says so when they cannot be
  // made, and the run goes on (the extract itself reports the failure to write its file).
  ExportLog(Host& host, const LogWriter& log, std::filesystem::path file);

  // "<short date>\t<hh.mm>\t<count> lines exported".
  void Success(std::int64_t count);
  // "<short date>\tNo data Found for export".
  void NoData();

 private:
  void Append(const std::string& line);

  Host& host_;
  const LogWriter& log_;
  std::filesystem::path file_;
};

// Creates the data path's MarketingPortal folder when it is missing. False, with an activity-log
// line naming the folder and the reason, when it cannot be made.
bool MakeMarketingPortalFolder(const LogWriter& log, const std::filesystem::path& folder);

// The end of a run that found its start: without lines, the export log's "No data" line and the
// message "No Data found to export" (OK only, the application title, waiting for the answer);
// otherwise the file is committed and the export log counts its lines. True when the file was
// written.
bool FinishExtract(Host& host, ExtractFile& lines, ExportLog& log);

}  // namespace kez

#endif  // KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
