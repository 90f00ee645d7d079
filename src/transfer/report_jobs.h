// The two report jobs: the Marketing Portal job builds the sales and customer extracts and uploads
// the day's files; the SymphonyIRI job collects a week's movement, writes the movement file and
// uploads it. Both log every step to the activity log and show their progress through the host.
#ifndef KEZ_TRANSFER_REPORT_JOBS_H_
#define KEZ_TRANSFER_REPORT_JOBS_H_

#include "app/app_context.h"
#include "platform/host.h"

namespace kez {

// The sales extract, the customer extract, report 0's Invoice := LastInvoice, then the upload.
void RunMarketingPortal(AppContext& context);
// Uploads the day's three Marketing Portal files with report 0's FTP settings.
void UploadMarketingPortal(AppContext& context);
// Report 1's StartDate := `run_date`, then the movement collection, the movement file and its
// upload with report 1's FTP settings.
void RunSymphonyIRI(AppContext& context, const LocalDateTime& run_date);

}  // namespace kez

#endif  // KEZ_TRANSFER_REPORT_JOBS_H_
