#include "transfer/ftp_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <utility>

namespace kez {
namespace {

// A curl_slist that frees itself.
class CommandList {
 public:
  CommandList(const CurlLibrary& curl, const std::vector<std::string>& commands) : curl_(curl) {
    for (const std::string& command : commands) {
      curl_slist* grown = curl_.slist_append(list_, command.c_str());
      if (grown == nullptr) break;
      list_ = grown;
    }
  }
  ~CommandList() { curl_.slist_free_all(list_); }
  CommandList(const CommandList&) = delete;
  CommandList& operator=(const CommandList&) = delete;

  curl_slist* get() const { return list_; }

 private:
  const CurlLibrary& curl_;
  curl_slist* list_ = nullptr;
};

// libcurl's timeouts in whole seconds take at least one second; zero would mean "none".
long WholeSeconds(std::chrono::milliseconds duration) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(duration).count();
  return static_cast<long>(std::max<decltype(seconds)>(seconds, 1));
}

const char* TypeCommand(bool ascii) { return ascii ? "TYPE A" : "TYPE I"; }

// The trace of --trace: the commands sent and the replies and notes received, on standard error,
// with the password of a PASS command masked (the trace is pasted into support requests).
int TraceLine(CURL*, curl_infotype type, char* data, std::size_t size, void*) {
  const char* mark = nullptr;
  switch (type) {
    case CURLINFO_TEXT:
      mark = "* ";
      break;
    case CURLINFO_HEADER_IN:
      mark = "< ";
      break;
    case CURLINFO_HEADER_OUT:
      mark = "> ";
      break;
    default:
      return 0;  // file bytes and TLS records stay out of the trace
  }
  std::string_view text(data, size);
  if (type == CURLINFO_HEADER_OUT && text.size() >= 5 &&
      (text.substr(0, 5) == "PASS " || text.substr(0, 5) == "pass ")) {
    text = "PASS ********\r\n";
  }
  std::fputs(mark, stderr);
  std::fwrite(text.data(), 1, text.size(), stderr);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  return 0;
}

}  // namespace

std::unique_ptr<FtpSession> FtpSession::Create(std::shared_ptr<const CurlLibrary> curl,
                                               const FtpLogin& login, const FtpOptions& options) {
  CURL* handle = curl->easy_init();
  if (handle == nullptr) return nullptr;
  std::unique_ptr<FtpSession> session(new FtpSession(std::move(curl), handle, login));
  session->SetConnectionOptions(options);
  return session;
}

FtpSession::FtpSession(std::shared_ptr<const CurlLibrary> curl, CURL* handle, const FtpLogin& login)
    : curl_(std::move(curl)), handle_(handle), login_(login) {}

FtpSession::~FtpSession() { curl_->easy_cleanup(handle_); }

void FtpSession::SetConnectionOptions(const FtpOptions& options) {
  curl_->easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_->easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
  if (options.trace) {
    curl_->easy_setopt(handle_, CURLOPT_DEBUGFUNCTION, TraceLine);
    curl_->easy_setopt(handle_, CURLOPT_VERBOSE, 1L);
  }
  curl_->easy_setopt(handle_, CURLOPT_USERNAME, login_.user.c_str());
  curl_->easy_setopt(handle_, CURLOPT_PASSWORD, login_.password.c_str());
  curl_->easy_setopt(handle_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_->easy_setopt(handle_, CURLOPT_FTPPORT, login_.passive ? nullptr : "-");
  if (login_.address.tls) {
    curl_->easy_setopt(handle_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_->easy_setopt(handle_, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    if (!options.ca_file.empty())
      curl_->easy_setopt(handle_, CURLOPT_CAINFO, options.ca_file.c_str());
    if (!options.pinned_public_key.empty()) {
      curl_->easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 0L);
      curl_->easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 0L);
      curl_->easy_setopt(handle_, CURLOPT_PINNEDPUBLICKEY, options.pinned_public_key.c_str());
    }
  }
  curl_->easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connect_timeout.count()));
  curl_->easy_setopt(handle_, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     WholeSeconds(options.response_timeout));
  curl_->easy_setopt(handle_, CURLOPT_ACCEPTTIMEOUT_MS,
                     static_cast<long>(options.response_timeout.count()));
  curl_->easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_->easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, WholeSeconds(options.stall_timeout));
  curl_->easy_setopt(handle_, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_->easy_setopt(handle_, CURLOPT_ERRORBUFFER, error_buffer_.data());
  curl_->easy_setopt(handle_, CURLOPT_HEADERFUNCTION, &FtpSession::OnHeader);
  curl_->easy_setopt(handle_, CURLOPT_HEADERDATA, this);
}

void FtpSession::ResetRequestOptions() {
  curl_->easy_setopt(handle_, CURLOPT_NOBODY, 0L);
  curl_->easy_setopt(handle_, CURLOPT_UPLOAD, 0L);
  curl_->easy_setopt(handle_, CURLOPT_QUOTE, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_PREQUOTE, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_IGNORE_CONTENT_LENGTH, 0L);
  curl_->easy_setopt(handle_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
  curl_->easy_setopt(handle_, CURLOPT_READFUNCTION, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_READDATA, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_WRITEFUNCTION, nullptr);
  curl_->easy_setopt(handle_, CURLOPT_WRITEDATA, nullptr);
}

CURLcode FtpSession::Perform() {
  // Both describe this request only: libcurl leaves the error buffer alone on success, and a
  // request that sends no command gets no reply.
  error_buffer_[0] = '\0';
  reply_lines_.clear();
  reply_complete_ = true;
  const CURLcode result = curl_->easy_perform(handle_);
  ResetRequestOptions();
  return result;
}

std::string FtpSession::ProbeCertificate(std::shared_ptr<const CurlLibrary> curl,
                                         const FtpLogin& login, const FtpOptions& options) {
  // Anonymous, so that the account's password never goes to a server nobody has vouched for;
  // the login may fail, the handshake has happened by then.
  FtpLogin probe = login;
  probe.user = "anonymous";
  probe.password = "";
  FtpOptions unchecked = options;
  unchecked.trace = false;
  unchecked.pinned_public_key.clear();
  std::unique_ptr<FtpSession> session = Create(std::move(curl), probe, unchecked);
  if (!session) return {};
  session->curl_->easy_setopt(session->handle_, CURLOPT_SSL_VERIFYPEER, 0L);
  session->curl_->easy_setopt(session->handle_, CURLOPT_SSL_VERIFYHOST, 0L);
  session->curl_->easy_setopt(session->handle_, CURLOPT_CERTINFO, 1L);
  session->Connect();
  curl_certinfo* info = nullptr;
  if (session->curl_->easy_getinfo(session->handle_, CURLINFO_CERTINFO, &info) != CURLE_OK ||
      info == nullptr || info->num_of_certs < 1) {
    return {};
  }
  constexpr std::string_view kCert = "Cert:";
  for (curl_slist* item = info->certinfo[0]; item != nullptr; item = item->next) {
    const std::string_view text(item->data);
    if (text.substr(0, kCert.size()) == kCert) return std::string(text.substr(kCert.size()));
  }
  return {};
}

CURLcode FtpSession::Connect() {
  curl_->easy_setopt(handle_, CURLOPT_URL, RemoteUrl(login_.address, "/", true).c_str());
  curl_->easy_setopt(handle_, CURLOPT_NOBODY, 1L);
  return Perform();
}

CURLcode FtpSession::RunCommands(const std::vector<std::string>& commands) {
  const CommandList list(*curl_, commands);
  curl_->easy_setopt(handle_, CURLOPT_URL, RemoteUrl(login_.address, "/", true).c_str());
  curl_->easy_setopt(handle_, CURLOPT_NOBODY, 1L);
  curl_->easy_setopt(handle_, CURLOPT_QUOTE, list.get());
  return Perform();
}

CURLcode FtpSession::Upload(std::string_view path, bool ascii, std::int64_t size,
                            const Source& source) {
  // libcurl's own ASCII handling changes line ends differently from one version to the next, so
  // it is told "binary" and the type is set just before STOR; the caller shapes the bytes.
  const CommandList type(*curl_, {TypeCommand(ascii)});
  curl_->easy_setopt(handle_, CURLOPT_URL, RemoteUrl(login_.address, path, false).c_str());
  curl_->easy_setopt(handle_, CURLOPT_UPLOAD, 1L);
  curl_->easy_setopt(handle_, CURLOPT_PREQUOTE, type.get());
  curl_->easy_setopt(handle_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
  curl_->easy_setopt(handle_, CURLOPT_READFUNCTION, &FtpSession::OnRead);
  curl_->easy_setopt(handle_, CURLOPT_READDATA, &source);
  return Perform();
}

CURLcode FtpSession::Download(std::string_view path, bool ascii, const Sink& sink) {
  const CommandList type(*curl_, {TypeCommand(ascii)});
  curl_->easy_setopt(handle_, CURLOPT_URL, RemoteUrl(login_.address, path, false).c_str());
  curl_->easy_setopt(handle_, CURLOPT_PREQUOTE, type.get());
  // An ASCII transfer's length differs from the size the server reports for the file.
  curl_->easy_setopt(handle_, CURLOPT_IGNORE_CONTENT_LENGTH, ascii ? 1L : 0L);
  curl_->easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &FtpSession::OnWrite);
  curl_->easy_setopt(handle_, CURLOPT_WRITEDATA, &sink);
  return Perform();
}

CURLcode FtpSession::List(std::string_view path, bool mlsd, const Sink& sink) {
  curl_->easy_setopt(handle_, CURLOPT_URL, RemoteUrl(login_.address, path, true).c_str());
  curl_->easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, mlsd ? "MLSD" : nullptr);
  curl_->easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &FtpSession::OnWrite);
  curl_->easy_setopt(handle_, CURLOPT_WRITEDATA, &sink);
  return Perform();
}

int FtpSession::last_reply_code() const {
  if (reply_lines_.empty()) return 0;
  const std::string& line = reply_lines_.back();
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::string FtpSession::FailureText(CURLcode code) const {
  if (error_buffer_[0] != '\0') return std::string(error_buffer_.data());
  return curl_->Text(code);
}

std::string FtpSession::EntryPath() const {
  char* path = nullptr;
  if (curl_->easy_getinfo(handle_, CURLINFO_FTP_ENTRY_PATH, &path) != CURLE_OK || path == nullptr ||
      path[0] != '/') {
    return "/";
  }
  return path;
}

void FtpSession::TakeReplyLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  const bool numbered = line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                        std::isdigit(static_cast<unsigned char>(line[1])) &&
                        std::isdigit(static_cast<unsigned char>(line[2])) &&
                        (line[3] == ' ' || line[3] == '-');
  if (!numbered) {
    // Inside a multi-line reply any text may follow; outside one, libcurl passes lines of its
    // own making (Content-Length and the like), which are no reply.
    if (!reply_complete_) reply_lines_.emplace_back(line);
    return;
  }
  if (reply_complete_) reply_lines_.clear();
  reply_lines_.emplace_back(line);
  reply_complete_ = line[3] == ' ';
}

std::size_t FtpSession::OnHeader(char* data, std::size_t size, std::size_t count, void* session) {
  static_cast<FtpSession*>(session)->TakeReplyLine(std::string_view(data, size * count));
  return size * count;
}

std::size_t FtpSession::OnWrite(char* data, std::size_t size, std::size_t count, void* sink) {
  const std::size_t bytes = size * count;
  return (*static_cast<const Sink*>(sink))(data, bytes) ? bytes : 0;
}

std::size_t FtpSession::OnRead(char* buffer, std::size_t size, std::size_t count, void* source) {
  const std::optional<std::size_t> filled =
      (*static_cast<const Source*>(source))(buffer, size * count);
  return filled ? *filled : CURL_READFUNC_ABORT;
}

}  // namespace kez
