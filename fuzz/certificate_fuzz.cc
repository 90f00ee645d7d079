// Fuzzes the reading of a server's certificate (PEM text from an ftps:// server nobody vouches
// for): any bytes give an identity or nothing, never a read past the certificate.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/ftps_trust.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  // Both the raw bytes and the bytes as the body of a PEM block.
  const std::string pem =
      "-----BEGIN CERTIFICATE-----\n" + std::string(body) + "\n-----END CERTIFICATE-----\n";
  for (std::string_view text : {body, std::string_view(pem)}) {
    const auto identity = kez::IdentifyCertificate(text);
    if (identity && (identity->pin.size() != 52 || identity->fingerprint.size() != 95)) {
      std::abort();
    }
  }
  return 0;
}
