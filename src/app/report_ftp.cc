#include "app/report_ftp.h"

namespace kez {

std::unique_ptr<cFTP> NewReportFtpClient(AppContext& context, const clsSettings& report) {
  auto ftp = std::make_unique<cFTP>(context.host, context.ftp_options);
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

}  // namespace kez
