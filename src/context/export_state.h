// The export state of the Marketing Portal report: the store its files are for and where its next
// extracts start. The three texts keep the names the suite's KEZ.INI and the jobs' logs know them
// by; the FTP account beside them is our own.
#ifndef KEZ_CONTEXT_EXPORT_STATE_H_
#define KEZ_CONTEXT_EXPORT_STATE_H_

#include <optional>
#include <string>

namespace kez {

// The FTP account that the POS suite keeps in KEZ.INI's "EXPORT FTP" section.
struct ExportFtpAccount {
  std::string address;
  std::string username;
  std::string password;
  std::string directory;
  std::string port;
};

struct ExportState {
  std::string StoreNumber;  // five digits
  std::string LastInvoice;  // seven characters once a job has run
  std::string ExportDate;   // short date (M/D/YYYY) text
  // Written to KEZ.INI's "EXPORT FTP" section only when present, so that the suite's own account
  // is never blanked.
  std::optional<ExportFtpAccount> export_ftp;
};

}  // namespace kez

#endif  // KEZ_CONTEXT_EXPORT_STATE_H_
