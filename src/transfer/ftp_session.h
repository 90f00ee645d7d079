// One libcurl easy handle and the FTP control connection it keeps between requests.
#ifndef KEZ_TRANSFER_FTP_SESSION_H_
#define KEZ_TRANSFER_FTP_SESSION_H_

#include <curl/curl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/curl_library.h"
#include "transfer/ftp_address.h"
#include "transfer/ftp_options.h"

namespace kez {

// Who logs in where, and how data connections are made.
struct FtpLogin {
  FtpAddress address;
  std::string user;
  std::string password;
  bool passive = false;
};

// The requests the FTP client makes, each one a libcurl transfer on the same handle, so that the
// login and the control connection carry over from one to the next. libcurl logs in again by
// itself when a failure has closed the connection. Paths are absolute and are sent as they are
// (no CWD), so the server's current folder never matters.
//
// Every request reports libcurl's result code; the server's reply to the last command of the
// request and libcurl's own detail text then describe it.
class FtpSession {
 public:
  // Receives the next bytes of a download or listing; false stops the transfer.
  using Sink = std::function<bool(const char* data, std::size_t size)>;
  // Fills at most `room` bytes of an upload and returns how many (0 at the end); nullopt
  // stops the transfer.
  using Source = std::function<std::optional<std::size_t>(char* buffer, std::size_t room)>;

  // A session for this login through `curl`; nullptr when libcurl cannot give a handle.
  static std::unique_ptr<FtpSession> Create(std::shared_ptr<const CurlLibrary> curl,
                                            const FtpLogin& login, const FtpOptions& options);
  ~FtpSession();
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  // Connects and logs in.
  CURLcode Connect();

  // The PEM text of the certificate an ftps:// server shows, read over a connection that checks
  // nothing and logs in anonymously; empty when none could be read.
  static std::string ProbeCertificate(std::shared_ptr<const CurlLibrary> curl,
                                      const FtpLogin& login, const FtpOptions& options);
  // Sends each command in turn and stops at the first one the server refuses.
  CURLcode RunCommands(const std::vector<std::string>& commands);
  // Stores `source`'s bytes as the remote file `path`. `ascii` sends TYPE A, otherwise TYPE I;
  // the bytes go on the wire as `source` gives them. `size` (-1: unknown) is checked against
  // what was sent.
  CURLcode Upload(std::string_view path, bool ascii, std::int64_t size, const Source& source);
  // Retrieves the remote file `path` into `sink`, bytes as they come off the wire.
  CURLcode Download(std::string_view path, bool ascii, const Sink& sink);
  // Lists the folder `path` with MLSD, or with LIST when `mlsd` is false.
  CURLcode List(std::string_view path, bool mlsd, const Sink& sink);

  // The lines of the server's last reply during the last request; empty when there was none.
  const std::vector<std::string>& last_reply() const { return reply_lines_; }
  // The three-digit code of that reply; 0 when there was none.
  int last_reply_code() const;
  // libcurl's description of the last request's failure: its detail text where it gave one,
  // else the text of the code. Meaningful only after a failed request.
  std::string FailureText(CURLcode code) const;
  // The folder the server put the login in; "/" when it did not say.
  std::string EntryPath() const;

 private:
  FtpSession(std::shared_ptr<const CurlLibrary> curl, CURL* handle, const FtpLogin& login);
  void SetConnectionOptions(const FtpOptions& options);
  void ResetRequestOptions();
  CURLcode Perform();
  void TakeReplyLine(std::string_view line);

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* session);
  static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* sink);
  static std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* source);

  std::shared_ptr<const CurlLibrary> curl_;
  CURL* handle_;
  FtpLogin login_;
  std::array<char, CURL_ERROR_SIZE> error_buffer_{};
  std::vector<std::string> reply_lines_;
  bool reply_complete_ = true;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_SESSION_H_
