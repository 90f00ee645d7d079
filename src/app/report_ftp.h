// The FTP client of one report upload, set up from the report's settings, and the sending of one
// file with its log lines and its record in the delivery journal.
#ifndef KEZ_APP_REPORT_FTP_H_
#define KEZ_APP_REPORT_FTP_H_

#include <filesystem>
#include <memory>
#include <string>

#include "app/delivery_journal.h"
#include "context/app_context.h"
#include "transfer/ftp_client.h"

namespace kez {

// A new client with the context's timeouts: active mode when the report's FTPMode is true, else
// passive; binary transfers when its FTPTransfeMode is true, else ASCII; the public key pinned
// for the report's address, if any (see ftps_trust.h).
std::unique_ptr<cFTP> NewReportFtpClient(AppContext& context, const clsSettings& report);

// The activity-log lines of one file's upload, each whole.
struct UploadLines {
  std::string sent;    // "Marketing Portal - Upload file: <name>"
  std::string failed;  // "Marketing Portal - Error: Unable to upload: <name>"
  std::string job;     // "Marketing Portal": the start of the reason and clean-up lines
};

// Sends `local` as `remote_name` into the current directory and records the outcome in the
// journal. A failure writes `failed`, then "<job> - Reason: <the client's error>", counts the file
// in context.shortfall, and takes away whatever part of it reached the server (logging when that
// fails), so that nothing there looks whole. True when the file went through.
bool SendRecorded(AppContext& context, cFTP& ftp, DeliveryJournal& journal,
                  const std::filesystem::path& local, const std::string& remote_name,
                  const UploadLines& lines);

}  // namespace kez

#endif  // KEZ_APP_REPORT_FTP_H_
