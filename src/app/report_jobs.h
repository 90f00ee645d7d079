// The two report jobs: the Marketing Portal job builds the sales and customer extracts and uploads
// the day's files; the SymphonyIRI job collects a week's movement, writes the movement file and
// uploads it. Both log every step to the activity log and show their progress through the host.
//
// Each upload makes its own FTP client with the report's address, login, password, directory,
// mode and transfer type, always on port 0 (the port in the address, else 21: an address may be
// written "host:port"). Nothing is retried, and the files are neither deleted nor renamed, so a
// day's upload can be sent again (ResendMarketingPortal, ResendSymphonyIRI).
#ifndef KEZ_APP_REPORT_JOBS_H_
#define KEZ_APP_REPORT_JOBS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "app/delivery_journal.h"
#include "context/app_context.h"
#include "platform/host.h"

namespace kez {

// How an upload run went.
struct UploadOutcome {
  bool connected = false;
  int sent = 0;     // files the server took
  int failed = 0;   // files the server refused or the transfer lost
  int missing = 0;  // files not found on this machine

  // Connected, and every file that was there went through.
  bool AllSent() const { return connected && failed == 0 && sent > 0; }
};

// The sales extract, the customer extract, report 0's Invoice := LastInvoice, then the upload.
// Today's extract files keep their lines when they never reached the server (see ExistingFile).
void RunMarketingPortal(AppContext& context);
// Uploads the day's three Marketing Portal files with report 0's FTP settings, then the report's
// files of the last `outbox_days` days that never reached the server, oldest first. The delivery
// journal in the MarketingPortal folder records each outcome; files that could not be written or
// delivered are counted in context.shortfall.
void UploadMarketingPortal(AppContext& context);
// Report 1's StartDate := `run_date`, then the movement collection, the movement file and its
// upload with report 1's FTP settings, then the report's earlier movement files that never
// reached the server (the journal lies in the data path).
void RunSymphonyIRI(AppContext& context, const LocalDateTime& run_date);

// The files of each report that wait for a later run, oldest first.
std::vector<PendingFile> PendingMarketingPortalFiles(AppContext& context);
std::vector<PendingFile> PendingSymphonyIriFiles(AppContext& context);

// The Marketing Portal upload of the files named for `day` and the export state's store number,
// with the job's log lines and progress.
UploadOutcome ResendMarketingPortal(AppContext& context, const LocalDateTime& day);
// The SymphonyIRI upload of the movement file of run date `run_date`, with the job's log lines
// and progress from the connecting step on.
UploadOutcome ResendSymphonyIRI(AppContext& context, const LocalDateTime& run_date);

}  // namespace kez

#endif  // KEZ_APP_REPORT_JOBS_H_
