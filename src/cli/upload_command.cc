// kezagg upload: sends files to an FTP server through the system's FTP client, under their own
// names, as support staff do to resend a day's extracts. The password comes from the
// KEZ_FTP_PASSWORD environment variable or is asked on the terminal; it is never an option, since
// other users of the machine can read a command line.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "platform/host.h"
#include "transfer/ftp_client.h"

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace kez::cli {
namespace {

struct UploadOptions {
  std::string server;
  std::string user;
  std::string dir;
  bool active = false;
  bool binary = false;
  bool tls = false;
  std::string ca_file;
  bool trace = false;
  std::vector<std::string> files;
};

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// Reads a line from the terminal with echo off; nullopt when standard input is no terminal,
// so that a run without one fails at once instead of waiting for input that never comes.
std::optional<std::string> AskPassword(const std::string& prompt) {
  std::string password;
#ifdef _WIN32
  if (_isatty(_fileno(stdin)) == 0) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.c_str());
  for (int c = _getch(); c != '\r' && c != '\n' && c != EOF; c = _getch()) {
    if (c == '\b') {
      if (!password.empty()) password.pop_back();
    } else {
      password.push_back(static_cast<char>(c));
    }
  }
#else
  if (isatty(STDIN_FILENO) == 0) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.c_str());
  termios saved{};
  tcgetattr(STDIN_FILENO, &saved);
  termios silent = saved;
  silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  std::getline(std::cin, password);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
#endif
  std::fprintf(stderr, "\n");
  return password;
}

// The server text for cFTP: --tls turns any address into an ftps:// one.
std::string ServerText(const UploadOptions& options) {
  if (!options.tls || options.server.rfind("ftps://", 0) == 0) return options.server;
  std::string host = options.server;
  if (host.rfind("ftp://", 0) == 0) host.erase(0, 6);
  return "ftps://" + host;
}

// Shows a file's progress in whole percent on a terminal; elsewhere only the final line.
class ProgressLine {
 public:
  ProgressLine(std::string name, bool terminal) : name_(std::move(name)), terminal_(terminal) {}

  void Show(std::int64_t current, std::int64_t total) {
    const int percent = total > 0 ? static_cast<int>(current * 100 / total) : 100;
    if (!terminal_ || percent == shown_) return;
    shown_ = percent;
    std::fprintf(stderr, "\r%s: %3d%%", name_.c_str(), percent);
  }
  void Done(std::int64_t total) {
    std::fprintf(stderr, "%s%s: %lld bytes sent\n", terminal_ ? "\r" : "", name_.c_str(),
                 static_cast<long long>(total));
  }

 private:
  std::string name_;
  bool terminal_;
  int shown_ = -1;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "kezagg upload: %s\n", message.c_str());
  return 1;
}

int RunUpload(const UploadOptions& options) {
  for (const std::string& file : options.files) {
    if (!std::filesystem::is_regular_file(file)) return Fail(file + ": no such file");
  }
  std::string password;
  if (const char* from_environment = std::getenv("KEZ_FTP_PASSWORD")) {
    password = from_environment;
  } else if (auto asked = AskPassword("FTP password for " + options.user + ": ")) {
    password = std::move(*asked);
  } else {
    return Fail("no password: set KEZ_FTP_PASSWORD or run from a terminal");
  }

  ConsoleHost host;
  FtpOptions ftp_options;
  ftp_options.ca_file = options.ca_file;
  ftp_options.trace = options.trace;
  cFTP ftp(host, ftp_options);
  if (options.active) {
    ftp.SetModeActive();
  } else {
    ftp.SetModePassive();
  }
  if (options.binary) {
    ftp.SetTransferBinary();
  } else {
    ftp.SetTransferASCII();
  }
  if (!ftp.OpenConnection(ServerText(options), options.user, password)) {
    return Fail(ftp.GetLastErrorMessage());
  }
  if (!options.dir.empty() && !ftp.SetFTPDirectory(options.dir)) {
    return Fail(ftp.GetLastErrorMessage());
  }
  const bool terminal = StderrIsTerminal();
  for (const std::string& file : options.files) {
    const std::string name = std::filesystem::path(file).filename().string();
    ProgressLine progress(name, terminal);
    std::int64_t sent = 0;
    ftp.SetFileTransferProgress([&](std::int64_t current, std::int64_t total) {
      progress.Show(current, total);
      sent = total;
    });
    if (!ftp.FTPUploadFile(file, name)) {
      if (terminal) std::fprintf(stderr, "\n");
      return Fail(name + ": " + ftp.GetLastErrorMessage());
    }
    progress.Done(sent);
  }
  ftp.CloseConnection();
  return 0;
}

}  // namespace

void AddUploadCommand(CLI::App& app, const GlobalOptions& /*global*/, int& exit_code) {
  auto* command = app.add_subcommand(
      "upload", "Send files to an FTP server under their own names (password: KEZ_FTP_PASSWORD)");
  auto options = std::make_shared<UploadOptions>();
  command->add_option("--server", options->server, "FTP server as HOST[:PORT]")->required();
  command->add_option("--user", options->user, "Login name")->required();
  command->add_option("--dir", options->dir, "Remote folder to upload into");
  command->add_flag("--active", options->active, "Active mode (the server connects back)");
  command->add_flag("--binary", options->binary, "Binary transfer (default: ASCII)");
  command->add_flag("--tls", options->tls, "Explicit TLS (AUTH TLS) on the FTP port");
  command->add_option("--ca-file", options->ca_file,
                      "PEM certificates to trust for --tls instead of the system's");
  command->add_flag("--trace", options->trace, "Show every FTP command and reply on stderr");
  command->add_option("files", options->files, "Files to send")->required();
  command->callback([options, &exit_code] { exit_code = RunUpload(*options); });
}

}  // namespace kez::cli
