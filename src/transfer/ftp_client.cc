#include "transfer/ftp_client.h"

#include <curl/curl.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "transfer/curl_library.h"
#include "transfer/ftp_address.h"
#include "transfer/ftp_listing.h"
#include "transfer/ftp_local_time.h"
#include "transfer/ftp_session.h"
#include "transfer/ftp_transfer.h"

namespace kez {
namespace {

// The streamed transfers move the file in chunks of this size, one progress event each.
constexpr std::size_t kChunkSize = 255;
// The whole-file transfers read and write in blocks of this size.
constexpr std::size_t kBlockSize = 64 * 1024;

// Reply codes of a server that does not know a command.
bool IsUnknownCommand(int reply_code) { return reply_code == 500 || reply_code == 502; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::int32_t Low32Bits(std::uint64_t size) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
}

std::filesystem::path LocalPath(std::string_view name) {
  return std::filesystem::path(std::string(name));
}

// libcurl before 8.0.0 cannot open an active data connection under TLS (it fails after the
// server has already created the remote file).
bool ActiveTlsWorks(const CurlLibrary& curl) {
  return curl.version_info(CURLVERSION_NOW)->version_num >= 0x080000;
}

// `text` with every occurrence of `secret` masked.
std::string Masked(std::string text, std::string_view secret) {
  // A password of a few characters cannot be told from ordinary words in a message.
  if (secret.size() < 4) return text;
  for (std::size_t at = text.find(secret); at != std::string::npos;
       at = text.find(secret, at + 8)) {
    text.replace(at, secret.size(), "********");
  }
  return text;
}

}  // namespace

cFTP::cFTP(Host& host, FtpOptions options) : host_(host), options_(std::move(options)) {}

cFTP::~cFTP() = default;

bool cFTP::OpenConnection(std::string_view server, std::string_view user, std::string_view password,
                          std::uint16_t port) {
  CloseConnection();
  password_ = std::string(password);
  FtpLogin login;
  login.user = std::string(user);
  login.password = std::string(password);
  login.passive = passive_;
  if (!ParseFtpAddress(TrimBlanks(server), port, &login.address)) {
    RecordError("InternetConnect", CURLE_URL_MALFORMAT,
                "Not a server address: \"" + std::string(server) + "\"");
    return false;
  }
  if (!LoadCurl()) {
    RecordError("InternetOpen", CURLE_FAILED_INIT, curl_error_);
    return false;
  }
  if (login.address.tls && !passive_ && !ActiveTlsWorks(*curl_)) {
    // Refused before any command, so that no empty file is left on the server by a transfer
    // that cannot start.
    RecordError("InternetConnect", CURLE_UNSUPPORTED_PROTOCOL,
                "Active mode over TLS needs libcurl 8.0.0 or later (this is " +
                    std::string(curl_->version_info(CURLVERSION_NOW)->version) +
                    "); set the report's FTP mode to passive");
    return false;
  }
  session_ = FtpSession::Create(curl_, login, options_);
  if (!session_) {
    RecordError("InternetOpen", CURLE_FAILED_INIT, CurlText(CURLE_FAILED_INIT));
    return false;
  }
  untrusted_certificate_.clear();
  if (const CURLcode result = session_->Connect(); result != CURLE_OK) {
    RecordFailure("InternetConnect", result);
    session_.reset();
    if (result == CURLE_PEER_FAILED_VERIFICATION && login.address.tls) {
      untrusted_certificate_ = FtpSession::ProbeCertificate(curl_, login, options_);
    }
    return false;
  }
  current_dir_ = session_->EntryPath();
  mlsd_unknown_ = false;
  return true;
}

void cFTP::CloseConnection() { session_.reset(); }

bool cFTP::SimpleFTPPutFile(std::string_view local, std::string_view remote) {
  constexpr std::string_view kLabel = "SimpleFtpPutFile";
  std::string remote_path;
  if (!RequireConnection(kLabel) || !RemotePath(kLabel, remote, &remote_path)) return false;
  const std::filesystem::path local_path = LocalPath(local);
  std::error_code error;
  const auto total = static_cast<std::int64_t>(std::filesystem::file_size(local_path, error));
  std::ifstream file(local_path, std::ios::binary);
  if (error || !file) {
    RecordError(kLabel, CURLE_READ_ERROR, LocalFileText(CURLE_READ_ERROR, local_path));
    return false;
  }
  UploadSource source(file, total, kBlockSize, ascii_, [](std::size_t) {});
  const CURLcode result = session_->Upload(
      remote_path, ascii_, ascii_ ? -1 : total,
      [&source](char* buffer, std::size_t room) { return source.Fill(buffer, room); });
  if (result == CURLE_OK) return true;
  if (source.failed()) {
    RecordError(kLabel, CURLE_READ_ERROR, LocalFileText(CURLE_READ_ERROR, local_path));
  } else {
    RecordFailure(kLabel, result);
  }
  return false;
}

bool cFTP::SimpleFTPGetFile(std::string_view local, std::string_view remote) {
  constexpr std::string_view kLabel = "SimpleFtpGetFile";
  std::string remote_path;
  if (!RequireConnection(kLabel) || !RemotePath(kLabel, remote, &remote_path)) return false;
  DownloadSink sink(LocalPath(local), 0, kBlockSize, [](std::size_t) {});
  const CURLcode result = session_->Download(
      remote_path, ascii_,
      [&sink](const char* data, std::size_t size) { return sink.Write(data, size); });
  const bool closed = sink.Finish(result == CURLE_OK);
  if (!closed) {
    RecordError(kLabel, CURLE_WRITE_ERROR, LocalFileText(CURLE_WRITE_ERROR, sink.local()));
    return false;
  }
  if (result != CURLE_OK) {
    RecordFailure(kLabel, result);
    return false;
  }
  return true;
}

bool cFTP::FTPUploadFile(std::string_view local, std::string_view remote) {
  local = TrimBlanks(local);
  remote = TrimBlanks(remote);
  if (local.empty() || remote.empty()) return false;
  std::string remote_path;
  if (!RequireConnection("FtpOpenFile:PutFile") ||
      !RemotePath("FtpOpenFile:PutFile", remote, &remote_path)) {
    return false;
  }
  // The local file is opened first, so that a missing one leaves no empty file on the server.
  const std::filesystem::path local_path = LocalPath(local);
  std::error_code error;
  const auto total = static_cast<std::int64_t>(std::filesystem::file_size(local_path, error));
  std::ifstream file(local_path, std::ios::binary);
  if (error || !file) {
    RecordError("FTPUploadFile", CURLE_READ_ERROR, LocalFileText(CURLE_READ_ERROR, local_path));
    return false;
  }
  std::int64_t sent = 0;
  UploadSource source(file, total, kChunkSize, ascii_, [&](std::size_t bytes) {
    if (bytes < kChunkSize) return;  // the remainder is reported by the final event
    host_.DoEvents();
    sent += static_cast<std::int64_t>(bytes);
    RaiseProgress(sent, total);
  });
  const CURLcode result = session_->Upload(
      remote_path, ascii_, ascii_ ? -1 : total,
      [&source](char* buffer, std::size_t room) { return source.Fill(buffer, room); });
  if (result != CURLE_OK) {
    if (source.failed()) {
      RecordError("FTPUploadFile", CURLE_READ_ERROR, LocalFileText(CURLE_READ_ERROR, local_path));
    } else if (!source.started()) {
      RecordFailure("FtpOpenFile:PutFile", result);
    } else {
      RecordFailure(source.last_chunk_partial() ? "InternetWriteFile2" : "InternetWriteFile",
                    result);
    }
    return false;
  }
  RaiseProgress(total, total);
  return true;
}

bool cFTP::FTPDownloadFile(std::string_view local, std::string_view remote) {
  local = TrimBlanks(local);
  remote = TrimBlanks(remote);
  if (local.empty() || remote.empty()) return false;
  const std::int64_t size = GetFTPFileSize(remote);
  if (size <= 0) return false;
  std::string remote_path;
  if (!RemotePath("FtpOpenFile:GetFile", remote, &remote_path)) return false;
  std::int64_t received = 0;
  DownloadSink sink(LocalPath(local), size, kChunkSize, [&](std::size_t bytes) {
    host_.DoEvents();
    received += static_cast<std::int64_t>(bytes);
    RaiseProgress(received, size);
  });
  const CURLcode result = session_->Download(
      remote_path, ascii_,
      [&sink](const char* data, std::size_t count) { return sink.Write(data, count); });
  if (!sink.Finish(false)) {
    RecordError("FTPDownloadFile", CURLE_WRITE_ERROR,
                LocalFileText(CURLE_WRITE_ERROR, sink.local()));
    return false;
  }
  if (result != CURLE_OK) {
    const std::int64_t full_chunks =
        size / static_cast<std::int64_t>(kChunkSize) * static_cast<std::int64_t>(kChunkSize);
    if (sink.received() == 0) {
      RecordFailure("FtpOpenFile:GetFile", result);
    } else {
      RecordFailure(sink.received() < full_chunks ? "InternetReadFile" : "InternetReadFile2",
                    result);
    }
    return false;
  }
  RaiseProgress(size, size);
  return true;
}

bool cFTP::RenameFTPFile(std::string_view existing, std::string_view new_name) {
  constexpr std::string_view kLabel = "RenameFTPFile";
  std::string from;
  std::string to;
  if (!RemotePath(kLabel, existing, &from) || !RemotePath(kLabel, new_name, &to)) return false;
  return RunCommands(kLabel, {"RNFR " + from, "RNTO " + to});
}

bool cFTP::CreateFTPDirectory(std::string_view directory) {
  std::string path;
  return RemotePath("CreateFTPDirectory", directory, &path) &&
         RunCommands("CreateFTPDirectory", {"MKD " + path});
}

bool cFTP::RemoveFTPDirectory(std::string_view directory) {
  std::string path;
  return RemotePath("RemoveFTPDirectory", directory, &path) &&
         RunCommands("RemoveFTPDirectory", {"RMD " + path});
}

bool cFTP::DeleteFTPFile(std::string_view remote) {
  std::string path;
  return RemotePath("DeleteFTPFile", remote, &path) &&
         RunCommands("DeleteFTPFile", {"DELE " + path});
}

std::string cFTP::GetFTPDirectory() {
  if (!RequireConnection("FtpGetCurrentDirectory")) return {};
  return current_dir_;
}

bool cFTP::SetFTPDirectory(std::string_view directory) {
  constexpr std::string_view kLabel = "FtpSetCurrentDirectory";
  std::string path;
  // The server itself checks the folder every time: a folder removed since the last visit is
  // found missing even on a connection that was in it before.
  if (!RemotePath(kLabel, directory, &path) || !RunCommands(kLabel, {"CWD " + path, "PWD"})) {
    return false;
  }
  std::string confirmed;
  if (!session_->last_reply().empty()) {
    confirmed = FolderFromPwdReply(session_->last_reply().front());
  }
  current_dir_ = confirmed.empty() ? path : confirmed;
  return true;
}

std::int32_t cFTP::GetFTPFileSize(std::string_view file) {
  std::string pattern(file);
  for (char& c : pattern) {
    if (c == ' ') c = '?';
  }
  std::vector<ListingEntry> matches;
  switch (Find(pattern, &matches)) {
    case FindResult::kFound:
      return Low32Bits(matches.front().size);
    case FindResult::kNothingMatched:
      return -1;
    case FindResult::kFailed:
      break;
  }
  return -2;
}

const cDirList* cFTP::GetDirectoryListing(std::string_view filter) {
  directory_.Clear();
  std::vector<ListingEntry> matches;
  if (Find(filter, &matches) != FindResult::kFound) return nullptr;
  for (ListingEntry& entry : matches) {
    const LocalDateTime written = entry.modified ? ToLocal(*entry.modified) : kZeroDateTime;
    const LocalDateTime created = entry.created ? ToLocal(*entry.created) : written;
    directory_.Add(entry.attributes, created, written, written, Low32Bits(entry.size),
                   std::move(entry.name));
  }
  return &directory_;
}

bool cFTP::LoadCurl() {
  if (curl_) return true;
  curl_error_.clear();
  curl_ = CurlLibrary::Load(options_.curl_library, &curl_error_);
  return curl_ != nullptr;
}

std::string cFTP::CurlText(int code) const {
  if (!curl_) return "libcurl error " + std::to_string(code);
  return curl_->Text(static_cast<CURLcode>(code));
}

std::string cFTP::LocalFileText(int code, const std::filesystem::path& path) const {
  return CurlText(code) + ": " + path.string();
}

bool cFTP::RequireConnection(std::string_view label) {
  if (session_) return true;
  // Without libcurl no connection can ever open; its reason says more than the missing one.
  RecordError(label, CURLE_FAILED_INIT,
              curl_error_.empty() ? "No connection is open" : curl_error_);
  return false;
}

bool cFTP::RunCommands(std::string_view label, const std::vector<std::string>& commands) {
  if (!RequireConnection(label)) return false;
  if (const CURLcode result = session_->RunCommands(commands); result != CURLE_OK) {
    RecordFailure(label, result);
    return false;
  }
  return true;
}

bool cFTP::RemotePath(std::string_view label, std::string_view name, std::string* path) {
  // A line end inside a name would end the command early and start another one.
  if (name.find_first_of("\r\n") != std::string_view::npos) {
    RecordError(label, CURLE_URL_MALFORMAT, "A remote name holds a line end");
    return false;
  }
  *path = ResolveRemotePath(current_dir_, name);
  return true;
}

cFTP::FindResult cFTP::Find(std::string_view pattern, std::vector<ListingEntry>* matches) {
  constexpr std::string_view kLabel = "FtpFindFirstFile";
  std::string folder;
  std::string name_pattern;
  if (!RemotePath(kLabel, pattern, &folder)) return FindResult::kFailed;
  if (!pattern.empty() && pattern.back() != '/') {
    const std::string path = folder;
    SplitRemotePath(path, &folder, &name_pattern);
  }
  if (!RequireConnection(kLabel)) return FindResult::kFailed;
  std::string listing;
  const FtpSession::Sink collect = [&listing](const char* data, std::size_t size) {
    listing.append(data, size);
    return true;
  };
  CURLcode result = CURLE_OK;
  if (!mlsd_unknown_) {
    result = session_->List(folder, true, collect);
    mlsd_unknown_ = result != CURLE_OK && IsUnknownCommand(session_->last_reply_code());
  }
  if (mlsd_unknown_) {
    listing.clear();
    result = session_->List(folder, false, collect);
  }
  if (result != CURLE_OK) {
    RecordFailure(listing.empty() ? kLabel : "InternetFindNextFile", result);
    return FindResult::kFailed;
  }
  const LocalDateTime now = host_.Now();
  const UtcDateTime today{now.year, now.month, now.day, now.hour, now.minute, now.second};
  for (const std::string_view line : ListingLines(listing)) {
    ListingEntry entry;
    const bool parsed =
        mlsd_unknown_ ? ParseListLine(line, today, &entry) : ParseMlsdLine(line, &entry);
    if (parsed && MatchesNamePattern(name_pattern, entry.name))
      matches->push_back(std::move(entry));
  }
  return matches->empty() ? FindResult::kNothingMatched : FindResult::kFound;
}

LocalDateTime cFTP::ToLocal(const UtcDateTime& utc) {
  LocalDateTime local;
  if (const int error = UtcToLocal(utc, &local); error != 0) {
    host_.ShowMessage(
        "A file time could not be converted to local time. System error " + std::to_string(error),
        MessageButtons::kOk, MessageIcon::kExclamation, "KEZ Marketing Portal",
        MessageKind::kInformation);
    return kZeroDateTime;
  }
  return local;
}

void cFTP::RaiseProgress(std::int64_t current, std::int64_t total) {
  if (progress_) progress_(current, total);
}

void cFTP::RecordFailure(std::string_view label, int code) {
  // A command the server refused is best described in the server's own words.
  if (session_ && session_->last_reply_code() >= 400) {
    std::string reply;
    for (const std::string& line : session_->last_reply()) {
      if (!reply.empty()) reply += "\r\n";
      reply += line;
    }
    last_error_message_ = Masked(std::move(reply), password_);
    return;
  }
  const std::string text =
      session_ ? session_->FailureText(static_cast<CURLcode>(code)) : CurlText(code);
  RecordError(label, code, text);
}

void cFTP::RecordError(std::string_view label, int code, std::string_view text) {
  last_error_message_ = Masked(std::string(label) + " error code: " + std::to_string(code) +
                                   " Message: " + std::string(text),
                               password_);
}

}  // namespace kez
