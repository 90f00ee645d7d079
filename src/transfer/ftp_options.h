// How long the FTP client waits for a server before it gives up, and which certificates it
// trusts for TLS. See docs/ftp.md for why the defaults are what they are.
#ifndef KEZ_TRANSFER_FTP_OPTIONS_H_
#define KEZ_TRANSFER_FTP_OPTIONS_H_

#include <chrono>
#include <string>

namespace kez {

struct FtpOptions {
  // Reaching the server, its greeting and the login together.
  std::chrono::milliseconds connect_timeout{std::chrono::seconds(30)};
  // Waiting for any one reply on the control connection, and for an active-mode data
  // connection from the server.
  std::chrono::milliseconds response_timeout{std::chrono::seconds(60)};
  // A transfer that moves no byte for this long is given up.
  std::chrono::milliseconds stall_timeout{std::chrono::seconds(60)};
  // PEM file of the certificates trusted for ftps:// servers; empty: the system's store.
  std::string ca_file;
  // The one public key an ftps:// server must hold ("sha256//" + base64 of the SHA-256 of its
  // SubjectPublicKeyInfo). When set, it takes the place of the certificate checks: a server
  // with a certificate no authority signed can be trusted by its key, checked before the login.
  std::string pinned_public_key;
  // Writes libcurl's account of every command, reply and connection to stderr.
  bool trace = false;
  // The file libcurl is loaded from, where the program loads it while it runs; empty: the one it
  // was built against (CurlLibrary::DefaultName).
  std::string curl_library;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_OPTIONS_H_
