// The Marketing Portal job: the two extracts, then the upload of the day's three files and of the
// report's earlier files that never reached the server.
#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/delivery_journal.h"
#include "app/ftps_trust.h"
#include "app/report_ftp.h"
#include "app/report_jobs.h"
#include "context/activity_log.h"
#include "context/report_record.h"
#include "extracts/customers_extract.h"
#include "extracts/extract_files.h"
#include "extracts/sales_extract.h"
#include "platform/date_text.h"
#include "platform/windows1252.h"
#include "posdata/dbsm_catalogue.h"

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

// The files of this report for `store`: prefix + store + "YYYYMMDD" + ".csv"; the day they are for.
ReportFileDay PortalFiles(std::string store) {
  return [store = std::move(store)](std::string_view name) -> std::optional<LocalDateTime> {
    for (const char* prefix : kUploadPrefixes) {
      const std::string start = std::string(prefix) + store;
      if (name.size() != start.size() + 12 || name.substr(0, start.size()) != start ||
          name.substr(name.size() - 4) != ".csv") {
        continue;
      }
      return ParseDateKey(name.substr(start.size(), 8));
    }
    return std::nullopt;
  };
}

DeliveryJournal OpenJournal(AppContext& context) {
  std::string error;
  DeliveryJournal journal = DeliveryJournal::Open(MarketingPortalFolder(context.pos.DataPath),
                                                  PortalFiles(context.export_state.StoreNumber),
                                                  context.host.Now(), &error);
  if (!error.empty()) Log(context, " - Error: delivery journal: " + error);
  return journal;
}

void SaveJournal(AppContext& context, const DeliveryJournal& journal) {
  std::string error;
  if (!journal.Save(&error)) Log(context, " - Error: delivery journal not written: " + error);
}

// Sends one file under its own name with the job's lines.
bool SendFile(AppContext& context, cFTP& ftp, DeliveryJournal& journal,
              const std::filesystem::path& local) {
  const std::string name = local.filename().string();
  return SendRecorded(context, ftp, journal, local, name,
                      {JobText(" - Upload file: " + name),
                       JobText(" - Error: Unable to upload: " + name), std::string(kJobName)});
}

// Counts the day's files that exist here as undelivered, with the reason, when no upload could
// be tried.
void NoneSent(AppContext& context, DeliveryJournal& journal, const std::filesystem::path& folder,
              const LocalDateTime& day, std::string_view reason) {
  for (const char* prefix : kUploadPrefixes) {
    const std::filesystem::path local =
        folder / ExtractFileName(prefix, context.export_state.StoreNumber, day);
    std::error_code code;
    if (!std::filesystem::is_regular_file(local, code)) continue;
    journal.MarkFailed(local, reason, context.host.Now());
    ++context.shortfall.not_delivered;
  }
}

UploadOutcome UploadFilesOfDay(AppContext& context, const LocalDateTime& day,
                               DeliveryJournal& journal, bool with_outbox) {
  Host& host = context.host;
  // A copy: a settings window handling events during the transfer must not change this run.
  const clsSettings report = ReportRecord(context, kMarketingPortalReport);
  const std::filesystem::path folder = MarketingPortalFolder(context.pos.DataPath);
  const std::unique_ptr<cFTP> ftp = NewReportFtpClient(context, report);
  UploadOutcome outcome;

  Log(context, " - Connecting To Web Site: " + report.FTPAddress);
  if (!ftp->OpenConnection(report.FTPAddress, report.FTPLogin, report.FTPPassword, 0)) {
    Log(context, " - Error: Unable to connect to site");
    Log(context, " - Reason: " + ftp->GetLastErrorMessage());
    OfferCertificateTrust(context, *ftp, kJobName, kMarketingPortalReport, report.FTPAddress);
    ++context.shortfall.uploads_not_started;
    NoneSent(context, journal, folder, day, ftp->GetLastErrorMessage());
  } else {
    outcome.connected = true;
    Log(context, " - Connected To Web Site: " + report.FTPAddress);
    host.SetProgress(20, "Setting Directory");
    if (!ftp->SetFTPDirectory(report.FTPDirectory)) {
      // Files sent elsewhere than the report's directory would count as sent and be lost.
      Log(context, " - Error: Unable to set directory to: " + report.FTPDirectory);
      Log(context, " - Reason: " + ftp->GetLastErrorMessage());
      ++context.shortfall.uploads_not_started;
      NoneSent(context, journal, folder, day, ftp->GetLastErrorMessage());
    } else {
      Log(context, " - Set directory to: " + report.FTPDirectory);
      host.SetProgress(40, "Uploading File");
      std::vector<std::string> tried;
      for (std::size_t i = 0; i < kUploadPrefixes.size(); ++i) {
        const std::string name =
            ExtractFileName(kUploadPrefixes[i], context.export_state.StoreNumber, day);
        const std::filesystem::path local = folder / name;
        tried.push_back(name);
        std::error_code code;
        if (!std::filesystem::is_regular_file(local, code)) {
          Log(context, " - Error: File " + name + " not found");
          Log(context, " - Reason: no such file in " + PathText(folder));
          ++outcome.missing;
        } else if (SendFile(context, *ftp, journal, local)) {
          ++outcome.sent;
        } else {
          ++outcome.failed;
        }
        if (i == 0) host.SetProgress(60, "Uploading File");
        if (i == 1) host.SetProgress(80, "Uploading File");
      }
      if (with_outbox) {
        // The report's earlier files that never reached the server, oldest first.
        for (const std::filesystem::path& local : journal.Pending(context.outbox_days, day)) {
          if (std::find(tried.begin(), tried.end(), local.filename().string()) != tried.end()) {
            continue;  // failed a moment ago: the next run tries it again
          }
          if (SendFile(context, *ftp, journal, local)) {
            ++outcome.sent;
          } else {
            ++outcome.failed;
          }
        }
      }
    }
    host.SetProgress(99, "Closing connection");
    ftp->CloseConnection();
    Log(context, " - Closing connection");
    host.SetProgress(100, JobText(" - Complete"));
  }
  SaveJournal(context, journal);
  host.SetBusy(false);
  host.DoEvents();
  return outcome;
}

// Today's file of an extract keeps its lines when it never reached the server, so that a second
// run of the day sends every sale since the last delivered file.
ExistingFile TodaysFile(AppContext& context, const DeliveryJournal& journal, const char* prefix) {
  const std::filesystem::path file =
      MarketingPortalFolder(context.pos.DataPath) /
      ExtractFileName(prefix, context.export_state.StoreNumber, context.host.Now());
  std::error_code code;
  if (!std::filesystem::is_regular_file(file, code) || journal.IsDelivered(file)) {
    return ExistingFile::kReplace;
  }
  return ExistingFile::kKeepUndelivered;
}

// Counts what the extract left undone; true when it read its tables.
bool CountShortfall(AppContext& context, ExtractResult result) {
  if (result == ExtractResult::kNotWritten) ++context.shortfall.not_written;
  if (result != ExtractResult::kNotRead) return true;
  ++context.shortfall.tables_not_read;
  return false;
}

}  // namespace

void RunMarketingPortal(AppContext& context) {
  if (!DBSM_ReopenAll(context.pos)) {
    ++context.shortfall.tables_not_read;
    Log(context, " - Error: the store's tables could not be read; nothing is sent");
    return;
  }
  context.host.SetBusy(true);
  // Read before the extracts write: on a first run, what lies here already counts as sent.
  DeliveryJournal journal = OpenJournal(context);
  // Each extract reports its own failures (activity log, message box); the upload sends whatever
  // files of today's names exist.
  const LogWriter log = ActivityLogWriter(context);
  bool read = CountShortfall(context,
                             CreateSalesExtract(context.pos, context.export_state, log,
                                                TodaysFile(context, journal, kSalesExtractPrefix)));
  Log(context, " - Create Kez Sales For Extract");
  context.host.SetProgress(50, JobText(" 50%"));
  read = CountShortfall(context, CreateCustomersExtract(
                                     context.pos, context.export_state, log,
                                     TodaysFile(context, journal, kCustomersExtractPrefix))) &&
         read;
  Log(context, " - Create KEZ Customers Extract");
  context.host.SetProgress(100, JobText(" 100%"));
  ReportRecord(context, kMarketingPortalReport).Invoice = context.export_state.LastInvoice;
  if (!read) {
    // The partners get the day's files whole or not at all; the next run, with the damage
    // repaired, sends them and whatever is waiting in the outbox.
    Log(context, " - Error: the store's tables could not be read; nothing is sent");
    context.host.SetBusy(false);
    return;
  }
  UploadFilesOfDay(context, context.host.Now(), journal, /*with_outbox=*/true);
}

void UploadMarketingPortal(AppContext& context) {
  DeliveryJournal journal = OpenJournal(context);
  UploadFilesOfDay(context, context.host.Now(), journal, /*with_outbox=*/true);
}

UploadOutcome ResendMarketingPortal(AppContext& context, const LocalDateTime& day) {
  context.host.SetBusy(true);
  DeliveryJournal journal = OpenJournal(context);
  return UploadFilesOfDay(context, day, journal, /*with_outbox=*/false);
}

std::vector<PendingFile> PendingMarketingPortalFiles(AppContext& context) {
  return OpenJournal(context).PendingWithReasons(context.outbox_days, context.host.Now());
}

}  // namespace kez
