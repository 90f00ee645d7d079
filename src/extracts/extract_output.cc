#include "extracts/extract_output.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/app_titles.h"
#include "platform/date_text.h"
#include "platform/file_io.h"
#include "platform/windows1252.h"

namespace kez {

namespace {

// Lines are handed to the file in pieces of about this size.
constexpr std::size_t kFlushBytes = 1 << 20;

// Column `index` (0-based) of a "|"-separated line.
std::string_view ColumnOf(std::string_view line, int index) {
  for (int i = 0; i < index; ++i) {
    const std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) return {};
    line.remove_prefix(bar + 1);
  }
  return line.substr(0, line.find('|'));
}

}  // namespace

ExtractFile::ExtractFile(const LogWriter& log, std::filesystem::path file)
    : log_(log), file_(std::move(file)) {}

ExtractFile::ExtractFile(const LogWriter& log, std::filesystem::path file, ExistingFile existing,
                         int key_column)
    : log_(log), file_(std::move(file)), existing_(existing), key_column_(key_column) {}

void ExtractFile::MakeRoom(std::size_t bytes) {
  pending_.resize(std::max(2 * pending_.size(), bytes + kFlushBytes));
}

void ExtractFile::EndLine(std::size_t end, std::string_view key) {
  used_ = end;
  ++count_;
  if (existing_ == ExistingFile::kKeepUndelivered) {
    // The column's own text, not the line cut at "|": a key holding one would match another
    // record's old line.
    keys_.emplace(key);
    return;  // held until Commit: the kept lines go first
  }
  if (used_ >= kFlushBytes) Flush();
}

bool ExtractFile::KeptLines(std::string* kept) {
  std::error_code code;
  if (!std::filesystem::exists(file_, code)) return true;
  std::string old;
  std::string error;
  if (!ReadWholeFile(file_, &old, &error)) {
    log_("Export file not written: " + error);
    return false;
  }
  std::string_view rest = old;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line =
        rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
    rest.remove_prefix(line.size());
    if (keys_.count(std::string(ColumnOf(line, key_column_))) == 0) *kept += line;
  }
  return true;
}

void ExtractFile::Flush() {
  if (!out_) out_.emplace(file_, FileAccess::kShared);
  out_->Append(std::string_view(pending_).substr(0, used_));
  used_ = 0;
}

bool ExtractFile::Commit() {
  if (existing_ == ExistingFile::kKeepUndelivered) {
    std::string lines;
    if (!KeptLines(&lines)) return false;
    pending_.resize(used_);
    pending_.insert(0, lines);
    used_ = pending_.size();
  }
  Flush();
  if (out_->Commit()) return true;
  log_("Export file not written: " + out_->error());
  return false;
}

ExportLog::ExportLog(Host& host, const LogWriter& log, std::filesystem::path file)
    : host_(host), log_(log), file_(std::move(file)) {
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  if (!out) log_("Export log " + PathText(file_) + " cannot be opened");
}

void ExportLog::Success(std::int64_t count) {
  const LocalDateTime now = host_.Now();
  Append(FormatShortDate(now) + "\t" + FormatHourDotMinute(now) + "\t" + std::to_string(count) +
         " lines exported");
}

void ExportLog::NoData() { Append(FormatShortDate(host_.Now()) + "\tNo data Found for export"); }

void ExportLog::Append(const std::string& line) {
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  out << line << "\r\n";
  out.close();
  if (!out) log_("Export log " + PathText(file_) + " cannot be written");
}

bool MakeMarketingPortalFolder(const LogWriter& log, const std::filesystem::path& folder) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (std::filesystem::is_directory(folder)) return true;
  log("Export folder " + PathText(folder) + " cannot be created: " + code.message());
  return false;
}

ExtractResult FinishExtract(Host& host, ExtractFile& lines, ExportLog& log) {
  if (lines.count() == 0) {
    log.NoData();
    host.ShowMessage("No Data found to export", MessageButtons::kOk, MessageIcon::kNone,
                     kApplicationTitle, MessageKind::kInformation);
    return ExtractResult::kNothingToExport;
  }
  if (!lines.Commit()) return ExtractResult::kNotWritten;
  log.Success(lines.count());
  return ExtractResult::kWritten;
}

}  // namespace kez
