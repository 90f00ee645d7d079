// 50 MB over loopback: cFTP::FTPUploadFile (255-byte chunks, an event and a host yield per
// chunk) beside the curl command-line tool's upload of the same file to the same server, in the
// same run. Prints the ratio of the two at the end. Needs Debian's python3 with pyftpdlib and
// the curl tool.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/host.h"
#include "transfer/ftp_client.h"

extern char** environ;

namespace {

constexpr std::size_t kFileSize = 50 * 1024 * 1024;
constexpr const char* kUser = "tester";
constexpr const char* kPassword = "secret";

// The test suite's FTP server, run for the length of the benchmark; it ends when its input
// closes, which happens at the latest when this process ends.
class Server {
 public:
  explicit Server(const std::filesystem::path& root) {
    std::vector<std::string> args = {
        "/usr/bin/python3", KEZ_SOURCE_DIR "/tests/transfer/ftp_server.py",
        "--root",           root.string(),
        "--user",           kUser,
        "--password",       kPassword};
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
  ~Server() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) close(input_);
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int port_ = 0;
};

struct Best {
  double client_seconds = 0;
  double curl_seconds = 0;
};

void KeepBest(double seconds, double* best) {
  if (*best == 0 || seconds < *best) *best = seconds;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("kez-ftp-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(work / "root");
  const std::filesystem::path file = work / "upload.bin";
  {
    std::string bytes(kFileSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  int status = 1;
  {
    Server server(work / "root");
    if (server.port() == 0) {
      std::fprintf(stderr, "the FTP server did not start\n");
    } else {
      Best best;
      kez::bench::QuietHost host;
      // Login and logout are timed too, as the curl tool does both for every upload.
      benchmark::RegisterBenchmark(
          "FTPUploadFile/50MB",
          [&](benchmark::State& state) {
            for (auto _ : state) {
              const auto start = std::chrono::steady_clock::now();
              kez::cFTP ftp(host);
              ftp.SetModePassive();
              ftp.SetTransferBinary();
              if (!ftp.OpenConnection("127.0.0.1", kUser, kPassword,
                                      static_cast<std::uint16_t>(server.port())) ||
                  !ftp.FTPUploadFile(file.string(), "client.bin")) {
                state.SkipWithError(ftp.GetLastErrorMessage().c_str());
                return;
              }
              ftp.CloseConnection();
              const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
              state.SetIterationTime(took.count());
              KeepBest(took.count(), &best.client_seconds);
            }
            state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
          })
          ->UseManualTime()
          ->Iterations(3)
          ->Unit(benchmark::kMillisecond);

      const std::string curl = "curl -s -S -T '" + file.string() + "' 'ftp://" + kUser + ":" +
                               kPassword + "@127.0.0.1:" + std::to_string(server.port()) +
                               "/curl.bin'";
      benchmark::RegisterBenchmark(
          "curl -T/50MB",
          [&](benchmark::State& state) {
            for (auto _ : state) {
              const auto start = std::chrono::steady_clock::now();
              if (std::system(curl.c_str()) != 0) {
                state.SkipWithError("curl -T failed");
                return;
              }
              const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
              state.SetIterationTime(took.count());
              KeepBest(took.count(), &best.curl_seconds);
            }
            state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
          })
          ->UseManualTime()
          ->Iterations(3)
          ->Unit(benchmark::kMillisecond);

      benchmark::RunSpecifiedBenchmarks();
      if (best.client_seconds > 0 && best.curl_seconds > 0) {
        std::printf("best of 3: FTPUploadFile %.3f s, curl -T %.3f s, ratio %.2f\n",
                    best.client_seconds, best.curl_seconds,
                    best.client_seconds / best.curl_seconds);
        status = 0;
      }
    }
  }
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(work, ignored);
  return status;
}
