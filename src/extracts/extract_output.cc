#include "extracts/extract_output.h"

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

}  // namespace

ExtractFile::ExtractFile(const LogWriter& log, std::filesystem::path file)
    : log_(log), file_(std::move(file)) {}

void ExtractFile::Column(std::string_view text) {
  if (line_open_) {
    pending_ += '|';
  } else {
    line_open_ = true;
  }
  pending_ += text;
}

void ExtractFile::EndLine() {
  pending_ += "\r\n";
  line_open_ = false;
  ++count_;
  if (pending_.size() >= kFlushBytes) Flush();
}

void ExtractFile::Flush() {
  if (!out_) out_.emplace(file_, FileAccess::kShared);
  out_->Append(pending_);
  pending_.clear();
}

bool ExtractFile::Commit() {
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

bool FinishExtract(Host& host, ExtractFile& lines, ExportLog& log) {
  if (lines.count() == 0) {
    log.NoData();
    host.ShowMessage("No Data found to export", MessageButtons::kOk, MessageIcon::kNone,
                     kApplicationTitle, MessageKind::kInformation);
    return false;
  }
  if (!lines.Commit()) return false;
  log.Success(lines.count());
  return true;
}

}  // namespace kez
