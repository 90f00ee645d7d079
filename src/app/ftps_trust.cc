#include "app/ftps_trust.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "context/activity_log.h"
#include "context/config_files.h"
#include "platform/windows1252.h"
#include "settings/ini_services.h"
#include "settings/sha256.h"

namespace kez {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The bytes of the base64 text between a PEM file's BEGIN and END lines; empty when malformed.
Bytes PemBody(std::string_view pem) {
  const std::size_t begin = pem.find("-----BEGIN CERTIFICATE-----");
  const std::size_t end = pem.find("-----END CERTIFICATE-----");
  if (begin == std::string_view::npos || end == std::string_view::npos || end < begin) return {};
  Bytes bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : pem.substr(begin + 27, end - begin - 27)) {
    const std::size_t value = kBase64.find(c);
    if (value == std::string_view::npos) continue;  // line ends, padding
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>((bits >> count) & 0xFF));
    }
  }
  return bytes;
}

std::string Base64(const Bytes& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    text += kBase64[(group >> 18) & 63];
    text += kBase64[(group >> 12) & 63];
    text += i + 1 < bytes.size() ? kBase64[(group >> 6) & 63] : '=';
    text += i + 2 < bytes.size() ? kBase64[group & 63] : '=';
  }
  return text;
}

Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::string Digest(const Bytes& bytes, std::size_t from, std::size_t size) {
  return clsSHA256().SHA256(
      std::string_view(reinterpret_cast<const char*>(bytes.data()) + from, size));
}

// One DER element at `at`: where its content starts and how long it is, the whole element's end.
struct Element {
  std::size_t content = 0;
  std::size_t size = 0;
  std::size_t end = 0;
};

std::optional<Element> ReadElement(const Bytes& der, std::size_t at) {
  if (at + 2 > der.size()) return std::nullopt;
  std::size_t length = der[at + 1];
  std::size_t content = at + 2;
  if (length & 0x80) {
    const std::size_t octets = length & 0x7F;
    if (octets == 0 || octets > 4 || content + octets > der.size()) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < octets; ++i) length = (length << 8) | der[content + i];
    content += octets;
  }
  if (content + length > der.size()) return std::nullopt;
  return Element{content, length, content + length};
}

// The SubjectPublicKeyInfo of a certificate: the seventh element of the signed part, the sixth
// when the optional version field is absent.
std::optional<std::pair<std::size_t, std::size_t>> PublicKeyInfo(const Bytes& der) {
  const auto certificate = ReadElement(der, 0);
  if (!certificate) return std::nullopt;
  const auto signed_part = ReadElement(der, certificate->content);
  if (!signed_part) return std::nullopt;
  std::size_t at = signed_part->content;
  if (at < der.size() && der[at] == 0xA0) {  // [0] version
    const auto version = ReadElement(der, at);
    if (!version) return std::nullopt;
    at = version->end;
  }
  for (int skip = 0; skip < 5; ++skip) {  // serial, signature, issuer, validity, subject
    const auto field = ReadElement(der, at);
    if (!field) return std::nullopt;
    at = field->end;
  }
  const auto key = ReadElement(der, at);
  if (!key || der[at] != 0x30) return std::nullopt;
  return std::make_pair(at, key->end - at);
}

std::string WithColons(std::string_view hex) {
  std::string text;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    if (!text.empty()) text += ':';
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(hex[i])));
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(hex[i + 1])));
  }
  return text;
}

}  // namespace

std::optional<CertificateIdentity> IdentifyCertificate(std::string_view pem) {
  const Bytes der = PemBody(pem);
  const auto key = PublicKeyInfo(der);
  if (!key) return std::nullopt;
  return CertificateIdentity{WithColons(Digest(der, 0, der.size())),
                             "sha256//" + Base64(FromHex(Digest(der, key->first, key->second)))};
}

std::string StoredPin(AppContext& context, const std::string& address) {
  clsINI_Services ini(context.host);
  ini.File_Name(context.AppDir / kAggregatorIniName);
  return ini.GetValue(kFtpsTrustSection, address, "");
}

bool StorePin(AppContext& context, const std::string& address, const std::string& pin) {
  clsINI_Services ini(context.host);
  ini.File_Name(context.AppDir / kAggregatorIniName);
  return ini.FileOpen() && ini.WriteData(kFtpsTrustSection, address, pin);
}

void OfferCertificateTrust(AppContext& context, const cFTP& ftp, std::string_view job, int report,
                           const std::string& address) {
  if (ftp.UntrustedCertificate().empty()) return;
  const std::optional<CertificateIdentity> identity =
      IdentifyCertificate(ftp.UntrustedCertificate());
  if (!identity) return;
  const std::string name(job);
  WriteLog(context, name +
                        " - Error: The server's certificate is not trusted. SHA-256 fingerprint: " +
                        identity->fingerprint);
  WriteLog(context, name +
                        " - To trust it, check the fingerprint with the server's owner, then: "
                        "kezagg trust --report " +
                        std::to_string(report) + " --pin " + identity->pin);
  const MessageAnswer answer = context.host.ShowMessage(
      "The server " + address +
          " shows a certificate that nobody on this computer vouches for.\r\rSHA-256 "
          "fingerprint:\r" +
          identity->fingerprint +
          "\r\rCheck the fingerprint with the server's owner. Trust this certificate?",
      MessageButtons::kYesNo, MessageIcon::kQuestion, "Trust this certificate",
      MessageKind::kDecision);
  if (answer != MessageAnswer::kYes) return;
  if (StorePin(context, address, identity->pin)) {
    WriteLog(context,
             name + " - Trusted the server's certificate by its public key " + identity->pin);
  } else {
    WriteLog(context, name + " - Error: the trust could not be stored in " +
                          PathText(context.AppDir / kAggregatorIniName));
  }
}

}  // namespace kez
