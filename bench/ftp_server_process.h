// The test suite's FTP server (tests/transfer/ftp_server.py under Debian's python3) for a
// benchmark: it serves `root` on 127.0.0.1 with the given user for as long as this object lives,
// and ends when its input closes, which happens at the latest when the benchmark process ends.
#ifndef KEZ_BENCH_FTP_SERVER_PROCESS_H_
#define KEZ_BENCH_FTP_SERVER_PROCESS_H_

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace kez::bench {

class FtpServerProcess {
 public:
  FtpServerProcess(const std::filesystem::path& root, const std::string& user,
                   const std::string& password) {
    std::vector<std::string> args = {
        "/usr/bin/python3", KEZ_SOURCE_DIR "/tests/transfer/ftp_server.py",
        "--root",           root.string(),
        "--user",           user,
        "--password",       password};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    input_ = input[1];
    char line[64] = {};
    std::size_t used = 0;
    pollfd ready{output[0], POLLIN, 0};
    while (pid_ > 0 && used + 1 < sizeof(line) && poll(&ready, 1, 15000) > 0 &&
           read(output[0], line + used, 1) == 1 && line[used] != '\n') {
      ++used;
    }
    close(output[0]);
    unsigned value = 0;
    if (std::sscanf(line, "PORT %u", &value) == 1) port_ = static_cast<int>(value);
  }
  ~FtpServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) close(input_);
  }
  FtpServerProcess(const FtpServerProcess&) = delete;
  FtpServerProcess& operator=(const FtpServerProcess&) = delete;

  // 0 when the server did not start.
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int port_ = 0;
};

}  // namespace kez::bench

#endif  // KEZ_BENCH_FTP_SERVER_PROCESS_H_
