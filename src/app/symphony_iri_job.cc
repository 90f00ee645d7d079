// The SymphonyIRI job: a week's movement collected, written to the movement file and uploaded,
// then the report's earlier movement files that never reached the server.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/delivery_journal.h"
#include "app/ftps_trust.h"
#include "app/report_ftp.h"
#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "extracts/movement_collection.h"
#include "extracts/movement_file.h"
#include "platform/date_text.h"
#include "posdata/dbsm_catalogue.h"

namespace kez {
namespace {

constexpr std::string_view kMovementPrefix = "movement.CCC.cc";

// Movement files: "movement.CCC.cc" + YYMMDD, the run date they are named after.
std::optional<LocalDateTime> MovementFileDay(std::string_view name) {
  if (name.size() != kMovementPrefix.size() + 6 ||
      name.substr(0, kMovementPrefix.size()) != kMovementPrefix) {
    return std::nullopt;
  }
  return ParseDateKey("20" + std::string(name.substr(kMovementPrefix.size())));
}

DeliveryJournal OpenJournal(AppContext& context) {
  std::string error;
  DeliveryJournal journal =
      DeliveryJournal::Open(context.pos.DataPath, MovementFileDay, context.host.Now(), &error);
  if (!error.empty()) WriteLog(context, "SymphonyIRI - Error: delivery journal: " + error);
  return journal;
}

void SaveJournal(AppContext& context, const DeliveryJournal& journal) {
  std::string error;
  if (!journal.Save(&error)) {
    WriteLog(context, "SymphonyIRI - Error: delivery journal not written: " + error);
  }
}

void LogReason(AppContext& context, std::string_view reason) {
  WriteLog(context, "SymphonyIRI - Reason: " + std::string(reason));
}

// The job's lines for one movement file.
UploadLines MovementLines(const std::string& name) {
  return {"SymphonyIRI - Uploaded file: " + name, "SymphonyIRI - Error: Unable to upload file",
          "SymphonyIRI"};
}

// Connects, sets the directory and sends the movement file under `remote_name`, then the files
// of `pending`. Each step sets the progress position and caption, and writes its log line.
UploadOutcome UploadMovementFiles(AppContext& context, const clsSettings& report,
                                  DeliveryJournal& journal, const std::filesystem::path& local,
                                  const std::string& remote_name,
                                  const std::vector<std::filesystem::path>& pending) {
  Host& host = context.host;
  UploadOutcome outcome;
  host.SetProgress(0, "Connecting to FTP Server");
  WriteLog(context,
           "SymphonyIRI - Connecting To Web Site: " + std::string(" ") + report.FTPAddress);
  std::error_code code;
  const bool present = !local.empty() && std::filesystem::is_regular_file(local, code);
  if (!present) {
    host.SetProgress(0, "File not found");
    WriteLog(context, "SymphonyIRI - Error: File not found");
    LogReason(context, "no movement file " + remote_name + " in the data path");
    ++outcome.missing;
    if (pending.empty()) return outcome;
  }
  const std::unique_ptr<cFTP> ftp = NewReportFtpClient(context, report);
  if (!ftp->OpenConnection(report.FTPAddress, report.FTPLogin, report.FTPPassword, 0)) {
    host.SetProgress(0, "Unable to connect to server");
    WriteLog(context, "SymphonyIRI - Error: Unable to connect to server");
    LogReason(context, ftp->GetLastErrorMessage());
    OfferCertificateTrust(context, *ftp, "SymphonyIRI", kSymphonyIriReport, report.FTPAddress);
    ++context.shortfall.uploads_not_started;
    if (present) {
      journal.MarkFailed(local, ftp->GetLastErrorMessage(), host.Now());
      ++context.shortfall.not_delivered;
    }
    return outcome;
  }
  outcome.connected = true;
  WriteLog(context, "SymphonyIRI - Connected: " + std::string(" ") + report.FTPAddress);
  host.SetProgress(25, "Setting Directory");
  if (!ftp->SetFTPDirectory(report.FTPDirectory)) {
    // A file sent elsewhere than the report's directory would count as sent and be lost.
    host.SetProgress(0, "Unable to set directory");
    WriteLog(context, "SymphonyIRI - Error: Unable to set directory to: " + report.FTPDirectory);
    LogReason(context, ftp->GetLastErrorMessage());
    ++context.shortfall.uploads_not_started;
    if (present) {
      journal.MarkFailed(local, ftp->GetLastErrorMessage(), host.Now());
      ++context.shortfall.not_delivered;
    }
    ftp->CloseConnection();
    return outcome;
  }
  WriteLog(context, "SymphonyIRI - Set directory to: " + report.FTPDirectory);
  host.SetProgress(50, "Uploading File");
  if (present) {
    if (!SendRecorded(context, *ftp, journal, local, remote_name, MovementLines(remote_name))) {
      host.SetProgress(0, "Unable to upload file");
      ftp->CloseConnection();
      ++outcome.failed;
      return outcome;
    }
    ++outcome.sent;
  }
  for (const std::filesystem::path& file : pending) {
    if (file.filename() == remote_name) continue;
    const std::string name = file.filename().string();
    UploadLines lines = MovementLines(name);
    lines.failed += ": " + name;  // an earlier week's file: say which
    if (SendRecorded(context, *ftp, journal, file, name, lines)) {
      ++outcome.sent;
    } else {
      ++outcome.failed;
    }
  }
  host.SetProgress(75, "Closing connection");
  ftp->CloseConnection();
  WriteLog(context, "SymphonyIRI - Closed connection to:  " + report.FTPAddress);
  if (outcome.failed == 0 && present) host.SetProgress(100, "SymphonyIRI suceeded");
  return outcome;
}

}  // namespace

void RunSymphonyIRI(AppContext& context, const LocalDateTime& run_date) {
  Host& host = context.host;
  if (!DBSM_ReopenAll(context.pos)) {
    ++context.shortfall.tables_not_read;
    WriteLog(context, "SymphonyIRI - Error: the store's tables could not be read; nothing is sent");
    return;
  }
  ReportRecord(context, kSymphonyIriReport).StartDate = run_date;
  // A copy: a settings window handling events during the transfer must not change this run.
  const clsSettings report = ReportRecord(context, kSymphonyIriReport);
  host.SetBusy(true);
  // Read before the movement file is written: on a first run, what lies here counts as sent.
  DeliveryJournal journal = OpenJournal(context);
  host.SetProgress(0, "SymphonyIRI Data 0%");
  WriteLog(context, "SymphonyIRI - Collecting data from database");
  if (!CollectMovementData(context.pos, report, context.movement)) {
    // A week with rows missing would look complete to the partner: no file, nothing sent.
    ++context.shortfall.tables_not_read;
    WriteLog(context, "SymphonyIRI - Error: the store's tables could not be read; nothing is sent");
    host.SetProgress(0, "SymphonyIRI Data 0%");
    host.SetBusy(false);
    return;
  }
  host.SetProgress(50, "SymphonyIRI Data 50%");
  // A file that cannot be written is reported by the writer. An older file of the same name may
  // still lie there with other figures: it is not sent, the run ends as for a missing file.
  const bool written =
      WriteMovementFile(context.pos.DataPath, context.movement, ActivityLogWriter(context));
  if (!written) ++context.shortfall.not_written;
  const std::string remote_name = MovementFileName(context.movement.MovementStartKey);
  WriteLog(context, "SymphonyIRI - Saving data to file " + remote_name);
  std::vector<std::filesystem::path> pending = journal.Pending(context.outbox_days, run_date);
  if (!written) {
    std::erase_if(pending, [&](const auto& file) { return file.filename() == remote_name; });
  }
  UploadMovementFiles(context, report, journal,
                      written ? context.movement.MovementFilePath : std::filesystem::path{},
                      remote_name, pending);
  SaveJournal(context, journal);
  host.SetBusy(false);
}

UploadOutcome ResendSymphonyIRI(AppContext& context, const LocalDateTime& run_date) {
  const clsSettings report = ReportRecord(context, kSymphonyIriReport);
  const std::string name = MovementFileName(FormatDateKey(run_date));
  context.host.SetBusy(true);
  DeliveryJournal journal = OpenJournal(context);
  const UploadOutcome outcome = UploadMovementFiles(
      context, report, journal, std::filesystem::path(context.pos.DataPath) / name, name, {});
  SaveJournal(context, journal);
  context.host.SetBusy(false);
  return outcome;
}

std::vector<PendingFile> PendingSymphonyIriFiles(AppContext& context) {
  return OpenJournal(context).PendingWithReasons(context.outbox_days, context.host.Now());
}

}  // namespace kez
