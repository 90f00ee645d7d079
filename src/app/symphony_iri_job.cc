// The SymphonyIRI job: a week's movement collected, written to the movement file and uploaded.
#include <filesystem>
#include <string>

#include "app/report_ftp.h"
#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "extracts/movement_collection.h"
#include "extracts/movement_file.h"
#include "platform/date_text.h"

namespace kez {
namespace {

// Connects, sets the directory and sends the movement file under `remote_name`. Each step sets
// the progress position and caption, and writes its log line.
UploadOutcome UploadMovementFile(AppContext& context, const clsSettings& report,
                                 const std::filesystem::path& local,
                                 const std::string& remote_name) {
  Host& host = context.host;
  UploadOutcome outcome;
  host.SetProgress(0, "Connecting to FTP Server");
  WriteLog(context,
           "SymphonyIRI - Connecting To Web Site: " + std::string(" ") + report.FTPAddress);
  std::error_code code;
  if (local.empty() || !std::filesystem::is_regular_file(local, code)) {
    host.SetProgress(0, "File not found");
    WriteLog(context, "SymphonyIRI - Error: File not found");
    ++outcome.missing;
    return outcome;
  }
  const std::unique_ptr<cFTP> ftp = NewReportFtpClient(context, report);
  if (!ftp->OpenConnection(report.FTPAddress, report.FTPLogin, report.FTPPassword, 0)) {
    host.SetProgress(0, "Unable to connect to server");
    WriteLog(context, "SymphonyIRI - Error: Unable to connect to server");
    return outcome;
  }
  outcome.connected = true;
  WriteLog(context, "SymphonyIRI - Connected: " + std::string(" ") + report.FTPAddress);
  host.SetProgress(25, "Setting Directory");
  // A directory that cannot be set sends the file to the login directory.
  ftp->SetFTPDirectory(report.FTPDirectory);
  WriteLog(context, "SymphonyIRI - Set directory to: " + report.FTPDirectory);
  host.SetProgress(50, "Uploading File");
  if (!ftp->FTPUploadFile(local.string(), remote_name)) {
    host.SetProgress(0, "Unable to upload file");
    WriteLog(context, "SymphonyIRI - Error: Unable to upload file");
    ftp->CloseConnection();
    ++outcome.failed;
    return outcome;
  }
  ++outcome.sent;
  WriteLog(context, "SymphonyIRI - Uploaded file: " + remote_name);
  host.SetProgress(75, "Closing connection");
  ftp->CloseConnection();
  WriteLog(context, "SymphonyIRI - Closed connection to:  " + report.FTPAddress);
  host.SetProgress(100, "SymphonyIRI suceeded");
  return outcome;
}

}  // namespace

void RunSymphonyIRI(AppContext& context, const LocalDateTime& run_date) {
  Host& host = context.host;
  ReportRecord(context, kSymphonyIriReport).StartDate = run_date;
  // A copy: a settings window handling events during the transfer must not change this run.
  const clsSettings report = ReportRecord(context, kSymphonyIriReport);
  host.SetBusy(true);
  host.SetProgress(0, "SymphonyIRI Data 0%");
  WriteLog(context, "SymphonyIRI - Collecting data from database");
  CollectMovementData(context.pos, report, context.movement);
  host.SetProgress(50, "SymphonyIRI Data 50%");
  // A file that cannot be written is reported by the writer. An older file of the same name may
  // still lie there with other figures: it is not sent, the run ends as for a missing file.
  const bool written =
      WriteMovementFile(context.pos.DataPath, context.movement, ActivityLogWriter(context));
  const std::string remote_name = MovementFileName(context.movement.MovementStartKey);
  WriteLog(context, "SymphonyIRI - Saving data to file " + remote_name);
  UploadMovementFile(context, report,
                     written ? context.movement.MovementFilePath : std::filesystem::path{},
                     remote_name);
  host.SetBusy(false);
}

UploadOutcome ResendSymphonyIRI(AppContext& context, const LocalDateTime& run_date) {
  const clsSettings report = ReportRecord(context, kSymphonyIriReport);
  const std::string name = MovementFileName(FormatDateKey(run_date));
  context.host.SetBusy(true);
  const UploadOutcome outcome =
      UploadMovementFile(context, report, std::filesystem::path(context.pos.DataPath) / name, name);
  context.host.SetBusy(false);
  return outcome;
}

}  // namespace kez
