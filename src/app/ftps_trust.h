// Trust in an ftps:// server whose certificate no authority on this machine vouches for: its
// fingerprint shown to the user, and a pin of its public key that the user can store for the
// report's address in KEZDataAggregator.ini ([FTPS Trust] <address>=sha256//...), outside
// portal.xml. A pinned key is checked during the TLS handshake, before the login.
#ifndef KEZ_APP_FTPS_TRUST_H_
#define KEZ_APP_FTPS_TRUST_H_

#include <optional>
#include <string>
#include <string_view>

#include "context/app_context.h"
#include "transfer/ftp_client.h"

namespace kez {

inline constexpr const char* kFtpsTrustSection = "FTPS Trust";

// What a certificate (PEM text) shows for trusting it.
struct CertificateIdentity {
  std::string fingerprint;  // SHA-256 of the certificate, "AB:CD:..."
  std::string pin;          // "sha256//" + base64 of the SHA-256 of its public key
};
// Nullopt when the text holds no certificate this reads.
std::optional<CertificateIdentity> IdentifyCertificate(std::string_view pem);

// The pin stored for `address`, or "" (read from KEZDataAggregator.ini in AppDir).
std::string StoredPin(AppContext& context, const std::string& address);
// Stores `pin` for `address`. False when the file cannot be written.
bool StorePin(AppContext& context, const std::string& address, const std::string& pin);

// After a refused connection of `job` (e.g. "Marketing Portal") to report `report`: when the
// certificate was the cause, two activity-log lines give its fingerprint and how to trust it, and
// the host asks whether to trust it ("Trust this certificate", a decision: a host without a person
// declines). A Yes stores the pin for the report's address, so the next run gets through.
void OfferCertificateTrust(AppContext& context, const cFTP& ftp, std::string_view job, int report,
                           const std::string& address);

}  // namespace kez

#endif  // KEZ_APP_FTPS_TRUST_H_
