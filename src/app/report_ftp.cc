#include "app/report_ftp.h"

#include "app/ftps_trust.h"
#include "context/activity_log.h"

namespace kez {

std::unique_ptr<cFTP> NewReportFtpClient(AppContext& context, const clsSettings& report) {
  FtpOptions options = context.ftp_options;
  if (const std::string pin = StoredPin(context, report.FTPAddress); !pin.empty()) {
    options.pinned_public_key = pin;
  }
  auto ftp = std::make_unique<cFTP>(context.host, options);
  if (report.FTPMode) {
    ftp->SetModeActive();
  } else {
    ftp->SetModePassive();
  }
  if (report.FTPTransfeMode) {
    ftp->SetTransferBinary();
  } else {
    ftp->SetTransferASCII();
  }
  return ftp;
}

bool SendRecorded(AppContext& context, cFTP& ftp, DeliveryJournal& journal,
                  const std::filesystem::path& local, const std::string& remote_name,
                  const UploadLines& lines) {
  if (ftp.FTPUploadFile(local.string(), remote_name)) {
    WriteLog(context, lines.sent);
    journal.MarkDelivered(local, context.host.Now());
    return true;
  }
  const std::string reason = ftp.GetLastErrorMessage();
  WriteLog(context, lines.failed);
  WriteLog(context, lines.job + " - Reason: " + reason);
  journal.MarkFailed(local, reason, context.host.Now());
  ++context.shortfall.not_delivered;
  if (ftp.GetFTPFileSize(remote_name) >= 0 && !ftp.DeleteFTPFile(remote_name)) {
    WriteLog(context, lines.job + " - Error: Unable to remove the partial file: " + remote_name);
    WriteLog(context, lines.job + " - Reason: " + ftp.GetLastErrorMessage());
  }
  return false;
}

}  // namespace kez
