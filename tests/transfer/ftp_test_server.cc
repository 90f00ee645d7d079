#include "transfer/ftp_test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace kez::testing {
namespace {

constexpr int kStartTimeoutMs = 15000;

// Reads the "PORT <n> PID <pid>" line, waiting at most kStartTimeoutMs.
bool ReadPort(int fd, std::uint16_t* port, std::string* error) {
  std::string line;
  char c = 0;
  while (line.find('\n') == std::string::npos) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, kStartTimeoutMs) <= 0) {
      *error = "the FTP server did not announce its port in time";
      return false;
    }
    if (read(fd, &c, 1) != 1) {
      *error = "the FTP server ended before it listened";
      return false;
    }
    line.push_back(c);
  }
  unsigned value = 0;
  if (std::sscanf(line.c_str(), "PORT %u", &value) != 1 || value == 0 || value > 65535) {
    *error = "unexpected first line from the FTP server: " + line;
    return false;
  }
  *port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

FtpTestServer::FtpTestServer(std::filesystem::path work_dir, bool tls)
    : work_dir_(std::move(work_dir)), root_(work_dir_ / "root"), tls_(tls) {}

std::unique_ptr<FtpTestServer> FtpTestServer::Start(const std::filesystem::path& work_dir,
                                                    const FtpServerOptions& options,
                                                    std::string* error) {
  std::unique_ptr<FtpTestServer> server(new FtpTestServer(work_dir, options.tls));
  std::filesystem::create_directories(server->root_);

  std::vector<std::string> args = {KEZ_FTP_TEST_PYTHON,
                                   KEZ_FTP_SERVER_SCRIPT,
                                   "--root",
                                   server->root_.string(),
                                   "--user",
                                   kUser,
                                   "--password",
                                   kPassword};
  if (options.tls) args.insert(args.end(), {"--tls-dir", work_dir.string()});
  if (options.require_tls) args.emplace_back("--require-tls");
  if (!options.fault.empty()) args.insert(args.end(), {"--fault", options.fault});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // Close-on-exec on our ends, so that no other child keeps the server's input open.
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  const std::string log = (work_dir / "server.log").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int spawned = posix_spawn(&server->pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  server->stdin_fd_ = input[1];
  if (spawned != 0) {
    server->pid_ = -1;
    close(output[0]);
    *error = std::string("cannot start ") + argv[0] + ": " + std::strerror(spawned);
    return nullptr;
  }
  const bool announced = ReadPort(output[0], &server->port_, error);
  close(output[0]);
  if (!announced) {
    *error += "\n" + server->Log();
    return nullptr;
  }
  return server;
}

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (stdin_fd_ >= 0) close(stdin_fd_);
}

std::string FtpTestServer::address() const {
  return (tls_ ? "ftps://127.0.0.1:" : "127.0.0.1:") + std::to_string(port_);
}

std::string FtpTestServer::Log() const {
  std::ifstream file(work_dir_ / "server.log");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int FtpTestServer::SessionCount() const {
  const std::string log = Log();
  int count = 0;
  for (std::size_t at = log.find("FTP session opened"); at != std::string::npos;
       at = log.find("FTP session opened", at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace kez::testing
