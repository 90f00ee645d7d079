// What the two Marketing Portal extracts share: their files of "|"-joined columns ended by CR LF,
// written through a temporary file, and their export logs.
#ifndef KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
#define KEZ_EXTRACTS_EXTRACT_OUTPUT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "context/activity_log.h"
#include "platform/file_io.h"
#include "platform/host.h"

namespace kez {

// What becomes of an extract's file of the same name that is already there.
enum class ExistingFile {
  kReplace,  // the run's lines replace it
  // The file never reached the server: its lines stay, except those of a record the run writes
  // again (the same value in the key column), and the run's lines follow them.
  kKeepUndelivered,
};

// How an extract run ended.
enum class ExtractResult {
  kWritten,          // the file holds the run's lines
  kNothingToExport,  // no row: nothing was written, as a quiet day gives
  kNotWritten,       // rows were found but the file (or its folder) could not be written
  // A table could not be read to its end (the record layer reported why): nothing was written,
  // for a file missing rows would look complete, and the export state stays where it was.
  kNotRead,
};

// One extract's file, written line by line as the rows are collected: the lines go to a temporary
// file beside it, which Commit renames over the file. An ExtractFile dropped without Commit leaves
// no trace, so a run without rows creates nothing.
class ExtractFile {
 public:
  ExtractFile(const LogWriter& log, std::filesystem::path file);
  // With kKeepUndelivered, the lines of an existing file are kept as described there; `key_column`
  // (0-based) tells which column names the record. The run's lines are then held until Commit.
  ExtractFile(const LogWriter& log, std::filesystem::path file, ExistingFile existing,
              int key_column);

  // Lines are added by a LineWriter (line_writer.h): columns joined by "|", ended by CR LF.
  std::int64_t count() const { return count_; }

  // Makes the lines the file's content. False, with an activity-log line naming the file and the
  // reason (a full disk, a folder without write access), when that fails; the old file is then
  // untouched.
  bool Commit();

 private:
  friend class LineWriter;
  // Room for pending_'s first `bytes` bytes at least.
  void MakeRoom(std::size_t bytes);
  // The line written after the first used_ bytes of pending_ ends before byte `end`; `key` is its
  // key column's text.
  void EndLine(std::size_t end, std::string_view key);
  void Flush();
  // The lines of the existing file whose key the run does not write again.
  bool KeptLines(std::string* kept);

  const LogWriter& log_;
  std::filesystem::path file_;
  std::optional<ReplacingFile> out_;  // opened at the first flush
  std::string pending_;               // its first used_ bytes: lines not yet handed to the file
  std::size_t used_ = 0;
  std::int64_t count_ = 0;
  ExistingFile existing_ = ExistingFile::kReplace;
  int key_column_ = 0;
  std::unordered_set<std::string> keys_;  // the key column of the run's lines, when kept
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
// otherwise the file is committed and the export log counts its lines.
ExtractResult FinishExtract(Host& host, ExtractFile& lines, ExportLog& log);

}  // namespace kez

#endif  // KEZ_EXTRACTS_EXTRACT_OUTPUT_H_
