// 50 MB over loopback: cFTP::FTPUploadFile (255-byte chunks, an event and a host yield per
// chunk) beside the curl command-line tool's upload of the same file to the same server, in the
// same run. Prints the ratio of the two at the end. Needs Debian's python3 with pyftpdlib and
// the curl tool.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/ftp_server_process.h"
#include "platform/host.h"
#include "transfer/ftp_client.h"

namespace {

constexpr std::size_t kFileSize = 50 * 1024 * 1024;
constexpr const char* kUser = "tester";
constexpr const char* kPassword = "secret";

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
    kez::bench::FtpServerProcess server(work / "root", kUser, kPassword);
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
