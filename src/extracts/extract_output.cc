#include "extracts/extract_output.h"

#include <fstream>
#include <system_error>

#include "app/activity_log.h"
#include "platform/app_titles.h"
#include "platform/date_text.h"
#include "platform/file_io.h"
#include "platform/windows1252.h"

namespace kez {

void ExtractLines::Column(std::string_view text) {
  if (line_open_) {
    bytes_ += '|';
  } else {
    line_open_ = true;
  }
  bytes_ += text;
}

void ExtractLines::EndLine() {
  bytes_ += "\r\n";
  line_open_ = false;
  ++count_;
}

ExportLog::ExportLog(AppContext& context, std::filesystem::path file)
    : context_(context), file_(std::move(file)) {
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  if (!out) WriteLog(context_, "Export log " + PathText(file_) + " cannot be opened");
}

void ExportLog::Success(std::int64_t count) {
  const LocalDateTime now = context_.host.Now();
  Append(FormatShortDate(now) + "\t" + FormatHourDotMinute(now) + "\t" + std::to_string(count) +
         " lines exported");
}

void ExportLog::NoData() {
  Append(FormatShortDate(context_.host.Now()) + "\tNo data Found for export");
}

void ExportLog::Append(const std::string& line) {
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  out << line << "\r\n";
  out.close();
  if (!out) WriteLog(context_, "Export log " + PathText(file_) + " cannot be written");
}

bool MakeMarketingPortalFolder(AppContext& context, const std::filesystem::path& folder) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (std::filesystem::is_directory(folder)) return true;
  WriteLog(context, "Export folder " + PathText(folder) + " cannot be created: " + code.message());
  return false;
}

bool WriteExtractFile(AppContext& context, const std::filesystem::path& file,
                      const ExtractLines& lines) {
  std::string error;
  if (ReplaceFileAtomically(file, lines.bytes(), FileAccess::kShared, &error)) return true;
  WriteLog(context, "Export file not written: " + error);
  return false;
}

void ShowNoDataMessage(AppContext& context) {
  context.host.ShowMessage("No Data found to export", MessageButtons::kOk, MessageIcon::kNone,
                           kApplicationTitle);
}

}  // namespace kez
