// The Marketing Portal job: the two extracts, then the upload of the day's three files.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/report_ftp.h"
#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "extracts/customers_extract.h"
#include "extracts/extract_files.h"
#include "extracts/sales_extract.h"

namespace kez {
namespace {

constexpr std::string_view kJobName = "Marketing Portal";

// The upload order: the custom list (made elsewhere, sent when present), then the two extracts.
constexpr std::array<const char*, 3> kUploadPrefixes = {kCustomListPrefix, kSalesExtractPrefix,
                                                        kCustomersExtractPrefix};

// Every log line and some captions of the job are its name followed by a piece.
std::string JobText(std::string_view piece) {
  std::string text{kJobName};
  text += piece;
  return text;
}

void Log(AppContext& context, std::string_view piece) { WriteLog(context, JobText(piece)); }

UploadOutcome UploadFilesOfDay(AppContext& context, const LocalDateTime& day) {
  Host& host = context.host;
  // A copy: a settings window handling events during the transfer must not change this run.
  const clsSettings report = ReportRecord(context, kMarketingPortalReport);
  const std::filesystem::path folder = MarketingPortalFolder(context.pos.DataPath);
  const std::unique_ptr<cFTP> ftp = NewReportFtpClient(context, report);
  UploadOutcome outcome;

  Log(context, " - Connecting To Web Site: " + report.FTPAddress);
  if (!ftp->OpenConnection(report.FTPAddress, report.FTPLogin, report.FTPPassword, 0)) {
    Log(context, " - Error: Unable to connect to site");
  } else {
    outcome.connected = true;
    Log(context, " - Connected To Web Site: " + report.FTPAddress);
    host.SetProgress(20, "Setting Directory");
    // A directory that cannot be set leaves the files in the login directory.
    ftp->SetFTPDirectory(report.FTPDirectory);
    Log(context, " - Set directory to: " + report.FTPDirectory);
    host.SetProgress(40, "Uploading File");
    for (std::size_t i = 0; i < kUploadPrefixes.size(); ++i) {
      const std::string name =
          ExtractFileName(kUploadPrefixes[i], context.export_state.StoreNumber, day);
      const std::filesystem::path local = folder / name;
      std::error_code code;
      if (!std::filesystem::is_regular_file(local, code)) {
        Log(context, " - Error: File " + name + " not found");
        ++outcome.missing;
      } else if (ftp->FTPUploadFile(local.string(), name)) {
        Log(context, " - Upload file: " + name);
        ++outcome.sent;
      } else {
        Log(context, " - Error: Unable to upload: " + name);
        ++outcome.failed;
      }
      if (i == 0) host.SetProgress(60, "Uploading File");
      if (i == 1) host.SetProgress(80, "Uploading File");
    }
    host.SetProgress(99, "Closing connection");
    ftp->CloseConnection();
    Log(context, " - Closing connection");
    host.SetProgress(100, JobText(" - Complete"));
  }
  host.SetBusy(false);
  host.DoEvents();
  return outcome;
}

}  // namespace

void RunMarketingPortal(AppContext& context) {
  context.host.SetBusy(true);
  // Each extract reports its own failures (activity log, message box); the upload sends whatever
  // files of today's names exist.
  const LogWriter log = ActivityLogWriter(context);
  CreateSalesExtract(context.pos, context.export_state, log);
  Log(context, " - Create Kez Sales For Extract");
  context.host.SetProgress(50, JobText(" 50%"));
  CreateCustomersExtract(context.pos, context.export_state, log);
  Log(context, " - Create KEZ Customers Extract");
  context.host.SetProgress(100, JobText(" 100%"));
  ReportRecord(context, kMarketingPortalReport).Invoice = context.export_state.LastInvoice;
  UploadMarketingPortal(context);
}

void UploadMarketingPortal(AppContext& context) { UploadFilesOfDay(context, context.host.Now()); }

UploadOutcome ResendMarketingPortal(AppContext& context, const LocalDateTime& day) {
  context.host.SetBusy(true);
  return UploadFilesOfDay(context, day);
}

}  // namespace kez
