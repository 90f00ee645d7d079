// The FTP client of one report upload, set up from the report's settings.
#ifndef KEZ_APP_REPORT_FTP_H_
#define KEZ_APP_REPORT_FTP_H_

#include <memory>

#include "context/app_context.h"
#include "transfer/ftp_client.h"

namespace kez {

// A new client with the context's timeouts: active mode when the report's FTPMode is true, else
// passive; binary transfers when its FTPTransfeMode is true, else ASCII.
std::unique_ptr<cFTP> NewReportFtpClient(AppContext& context, const clsSettings& report);

}  // namespace kez

#endif  // KEZ_APP_REPORT_FTP_H_
