// cFTP, the system's FTP client, over libcurl. docs/ftp.md describes its timeouts, the error
// texts it leaves and what the platform's libcurl cannot do.
#ifndef KEZ_TRANSFER_FTP_CLIENT_H_
#define KEZ_TRANSFER_FTP_CLIENT_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "transfer/ftp_dir_list.h"
#include "transfer/ftp_options.h"

namespace kez {

class CurlLibrary;
class FtpSession;
struct ListingEntry;
struct UtcDateTime;

// One login to one FTP server, kept open from OpenConnection to CloseConnection, with whole-file
// and streamed transfers, folder and file commands and directory listings.
//
// Nothing is thrown: every operation answers with its result (false, -1/-2, empty or nullptr on
// failure) and leaves a readable description of a failure in GetLastErrorMessage(), which the
// next success does not clear. Remote names are taken relative to the current directory
// (SetFTPDirectory) unless they start with "/". Local names are paths of this machine.
//
// Mode and type are set before OpenConnection; the type can also change between transfers.
// The streamed transfers let the host run its pending events (Host::DoEvents) after every
// 255-byte chunk; nothing stops a handler from starting another operation on this object then,
// which fails because a transfer is under way.
class cFTP {
 public:
  // Reports a streamed transfer's progress: the bytes moved so far and the file's length.
  using FileTransferProgress =
      std::function<void(std::int64_t lCurrentBytes, std::int64_t lTotalBytes)>;

  // A client with no connection, ASCII type and active mode. `host` must outlive it.
  explicit cFTP(Host& host, FtpOptions options = {});
  ~cFTP();
  cFTP(const cFTP&) = delete;
  cFTP& operator=(const cFTP&) = delete;

  // Receives the FileTransferProgress events of FTPUploadFile and FTPDownloadFile.
  void SetFileTransferProgress(FileTransferProgress handler) { progress_ = std::move(handler); }

  // The entries of the last successful GetDirectoryListing; empty before one and after a failed
  // one.
  const cDirList& Directory() const { return directory_; }
  // The description of the last failure: "<label> error code: <libcurl code> Message: <text>",
  // or the server's own reply lines when the server refused the command, the login password
  // masked wherever it appears. Empty before the first.
  const std::string& GetLastErrorMessage() const { return last_error_message_; }
  // After an OpenConnection refused because nobody vouches for an ftps:// server's certificate:
  // that certificate as PEM text, for the user to decide whether to trust it. Empty otherwise.
  const std::string& UntrustedCertificate() const { return untrusted_certificate_; }

  // Connects to `server` ("host", "host:port", "ftp://host" or "ftps://host" for explicit TLS)
  // and logs in; `port` 0 takes the port from `server`, else 21. Closes an earlier connection
  // first. The later operations reuse this connection. Active mode over TLS is refused at once
  // where the platform's libcurl cannot do it. libcurl is loaded by the first call; when it
  // cannot be, this and every later operation fail with the library's name and the reason.
  bool OpenConnection(std::string_view server, std::string_view user, std::string_view password,
                      std::uint16_t port = 0);
  // Logs out and closes the connection; nothing happens when none is open.
  void CloseConnection();

  // Sends the local file as the remote file in one go, without progress events.
  bool SimpleFTPPutFile(std::string_view local, std::string_view remote);
  // Fetches the remote file into the local file (created or replaced) in one go.
  bool SimpleFTPGetFile(std::string_view local, std::string_view remote);
  // Sends the local file in 255-byte chunks: after each full chunk, Host::DoEvents and a
  // FileTransferProgress(sent, total); at the end FileTransferProgress(total, total). Blanks
  // around either name are ignored; a blank name gives false and records nothing.
  bool FTPUploadFile(std::string_view local, std::string_view remote);
  // Fetches the remote file in 255-byte chunks with the same events as FTPUploadFile. A remote
  // file that is empty or missing (GetFTPFileSize not above 0) is not fetched: false, and the
  // local file stays as it was.
  bool FTPDownloadFile(std::string_view local, std::string_view remote);

  bool RenameFTPFile(std::string_view existing, std::string_view new_name);
  bool CreateFTPDirectory(std::string_view directory);
  bool RemoveFTPDirectory(std::string_view directory);
  bool DeleteFTPFile(std::string_view remote);

  // The current remote directory; empty (and recorded) when no connection is open.
  std::string GetFTPDirectory();
  // Makes `directory` the current remote directory after the server has confirmed that it
  // exists; false (and the current directory unchanged) when it does not.
  bool SetFTPDirectory(std::string_view directory);

  // The low 32 bits of the size of the first entry matching `file`, each blank of which is
  // taken as "?" so that the name serves as a search pattern; -1 when nothing matches (nothing
  // recorded), -2 when the listing failed.
  std::int32_t GetFTPFileSize(std::string_view file);
  // Lists the entries matching `filter` ("*" and "?" in its last part, any folder before it;
  // empty or "*.*" for all) into Directory() and returns it; nullptr when nothing matches
  // (nothing recorded) or the listing failed.
  const cDirList* GetDirectoryListing(std::string_view filter);

  void SetTransferASCII() { ascii_ = true; }
  void SetTransferBinary() { ascii_ = false; }
  void SetModeActive() { passive_ = false; }
  void SetModePassive() { passive_ = true; }

 private:
  // The outcome of a search for entries that match a pattern.
  enum class FindResult { kFound, kNothingMatched, kFailed };

  bool LoadCurl();
  std::string CurlText(int code) const;
  std::string LocalFileText(int code, const std::filesystem::path& path) const;
  bool RequireConnection(std::string_view label);
  bool RunCommands(std::string_view label, const std::vector<std::string>& commands);
  bool RemotePath(std::string_view label, std::string_view name, std::string* path);
  FindResult Find(std::string_view pattern, std::vector<ListingEntry>* matches);
  LocalDateTime ToLocal(const UtcDateTime& utc);
  void RaiseProgress(std::int64_t current, std::int64_t total);
  void RecordFailure(std::string_view label, int code);
  void RecordError(std::string_view label, int code, std::string_view text);

  Host& host_;
  FtpOptions options_;
  std::shared_ptr<const CurlLibrary> curl_;  // loaded by the first OpenConnection
  std::string curl_error_;                   // why it could not be; empty when it was
  std::unique_ptr<FtpSession> session_;
  std::string current_dir_;
  bool ascii_ = true;
  bool passive_ = false;
  bool mlsd_unknown_ = false;       // the server has answered MLSD as an unknown command
  std::string last_error_message_;  // never holds the password (see OpenConnection)
  std::string password_;            // of the last OpenConnection, to mask it in error texts
  std::string untrusted_certificate_;
  cDirList directory_;
  FileTransferProgress progress_;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_CLIENT_H_
