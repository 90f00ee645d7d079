// The whole Marketing Portal job (sales extract, customer extract, upload of the day's files to a
// local pyftpdlib server) and the whole SymphonyIRI job on a generated store, as the scheduler
// runs them: a daily run (the sales since the last exported invoice, the customers since
// yesterday), a first run (every sale of the store, the customers up to the extract's cap) and a
// week of movement.
//
// The store is generated once into a cache folder and reused by later runs: KEZ_BENCH_CACHE (or
// $HOME/.cache/kez-bench) / <scale>-20261201, the scale from KEZ_BENCH_SCALE (tiny, store or
// large; default large, which takes a minute or two to generate). The jobs write their files into
// that folder as they would into a store's. Peak memory is the process's: run one benchmark per
// process (--benchmark_filter) to read it for that benchmark.
//
// Measured on the team's 2-core machine, Release build, idle, on the large store (600,000 sales,
// 1,999,489 lines, 200,000 customers; generated in 72 s, 1.7 GB), one process per benchmark:
//   Marketing Portal, daily run (the last day's sales, the customers since yesterday)
//                                       560 ms   38 MB peak   (0.07 MB + 0.04 MB sent)
//   Marketing Portal, first run (every sale, customers up to the 32,000 cap)
//                                       7.4 s    66 MB peak   (199.7 MB + 9.7 MB sent)
//   SymphonyIRI, one week (7,145 movement rows)
//                                        99 ms   42 MB peak
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "app/report_jobs.h"
#include "app/scheduler.h"
#include "bench/bench_support.h"
#include "bench/ftp_server_process.h"
#include "btrieve/operation.h"
#include "context/app_context.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "sample/sample_generator.h"
#include "settings/cls_settings.h"

namespace {

namespace fs = std::filesystem;

constexpr kez::LocalDateTime kUntil{2026, 12, 1};
constexpr kez::LocalDateTime kRunMoment{2026, 12, 1, 1, 0, 0, 0};
constexpr const char* kUser = "bench";
constexpr const char* kPassword = "bench-secret";

fs::path CacheFolder() {
  if (const char* given = std::getenv("KEZ_BENCH_CACHE")) return given;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/tmp") / ".cache" / "kez-bench";
}

// The cached store of the chosen scale, generated when it is not there yet. Empty on failure.
fs::path CachedStore() {
  const char* scale_text = std::getenv("KEZ_BENCH_SCALE");
  const std::string scale_name = scale_text != nullptr ? scale_text : "large";
  const std::optional<kez::SampleScale> scale = kez::ParseSampleScale(scale_name);
  if (!scale) {
    std::fprintf(stderr, "KEZ_BENCH_SCALE is tiny, store or large\n");
    return {};
  }
  const fs::path folder = CacheFolder() / (scale_name + "-20261201");
  if (fs::exists(folder / "complete")) return folder;
  std::fprintf(stderr, "generating the %s store in %s ...\n", scale_name.c_str(), folder.c_str());
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<kez::SampleStoreWriter> writer;
  std::string error;
  kez::SampleOptions options;
  options.scale = *scale;
  options.until = kUntil;
  fs::create_directories(folder.parent_path());
  if (!kez::SampleStoreWriter::Start(folder, 1, true, &writer, &error) ||
      !kez::GenerateSampleStore(options, *writer, &error) ||
      !writer->Finish(kez::SampleSuiteIni(kUntil), &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return {};
  }
  std::ofstream(folder / "complete") << "";
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::fprintf(stderr, "generated in %.0f s\n", took.count());
  return folder;
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The store opened as start-up opens it, and both reports pointed at the server.
class JobBench {
 public:
  JobBench(const fs::path& store, int port) : host_(kRunMoment), context_(host_) {
    context_.pos.app_dir = KEZ_SOURCE_DIR "/resources";
    context_.AppDir = context_.pos.app_dir;  // the log stays off: nothing is written there
    kez::UseDataPath(context_.pos, store.string());
    ok_ = kez::DBSM_OpenDatabase(context_.pos) && kez::DBSM_OpenAll(context_.pos);
    context_.ReportSettings = {kez::NewReportSettings(kRunMoment),
                               kez::NewReportSettings(kRunMoment)};
    for (kez::clsSettings& report : context_.ReportSettings) {
      report.FTPAddress = "127.0.0.1:" + std::to_string(port);
      report.FTPLogin = kUser;
      report.FTPPassword = kPassword;
      report.FTPTransfeMode = true;
    }
  }
  ~JobBench() { kez::DBSM_UnloadHolder(context_.pos); }

  bool ok() const { return ok_; }
  kez::AppContext& context() { return context_; }

  // The invoice of the first sale of the store's last day, found through the date key.
  std::string FirstInvoiceOfLastDay() {
    kez::RecordBuffer& sale = context_.pos.buffers[kez::kSalesHead];
    sale.SetText(1, "20261130");
    sale.SetInteger(0, 0);
    if (!kez::DBSM_TableOp(context_.pos, kez::kSalesHead, btrieve::kOpGetGreaterOrEqual, 1)) {
      return "0000000";
    }
    return sale.Text(4);
  }

 private:
  kez::bench::QuietHost host_;
  kez::AppContext context_;
  bool ok_ = false;
};

double FileMegabytes(const fs::path& file) {
  std::error_code code;
  const auto size = fs::file_size(file, code);
  return code ? 0.0 : static_cast<double>(size) / 1e6;
}

void RunMarketingPortal(benchmark::State& state, JobBench& bench, const std::string& invoice,
                        const kez::LocalDateTime& start_date) {
  kez::AppContext& context = bench.context();
  const fs::path folder = fs::path(context.pos.DataPath) / "MarketingPortal";
  const fs::path sales = folder / "KEZSalesExtract0000120261201.csv";
  const fs::path customers = folder / "KEZCustomersExtract0000120261201.csv";
  for (auto _ : state) {
    // An extract without data makes no file: an earlier run's must not be sent in its place.
    state.PauseTiming();
    std::error_code ignored;
    fs::remove(sales, ignored);
    fs::remove(customers, ignored);
    state.ResumeTiming();
    context.ReportSettings[0].Invoice = invoice;
    context.ReportSettings[0].StartDate = start_date;
    kez::LoadReportExportState(context, 0);
    kez::RunMarketingPortal(context);
  }
  state.counters["sales_MB"] = FileMegabytes(sales);
  state.counters["customers_MB"] = FileMegabytes(customers);
  state.counters["peak_MB"] = PeakMegabytes();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const fs::path store = CachedStore();
  if (store.empty()) return 1;
  const fs::path root = fs::temp_directory_path() / ("kez-jobs-bench-" + std::to_string(getpid()));
  fs::create_directories(root);
  int status = 1;
  {
    kez::bench::FtpServerProcess server(root, kUser, kPassword);
    JobBench bench(store, server.port());
    if (server.port() == 0 || !bench.ok()) {
      std::fprintf(stderr, "the FTP server or the store could not be opened\n");
    } else {
      const std::string last_day_invoice = bench.FirstInvoiceOfLastDay();
      benchmark::RegisterBenchmark(
          "MarketingPortal/daily",
          [&](benchmark::State& state) {
            RunMarketingPortal(state, bench, last_day_invoice, {2026, 12, 1, 0, 0, 0, 0});
          })
          ->Iterations(5)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(
          "MarketingPortal/first-run",
          [&](benchmark::State& state) {
            RunMarketingPortal(state, bench, "0000000", {2021, 12, 1, 0, 0, 0, 0});
          })
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark("SymphonyIRI/week",
                                   [&](benchmark::State& state) {
                                     for (auto _ : state) {
                                       kez::RunSymphonyIRI(bench.context(), kRunMoment);
                                     }
                                     state.counters["rows"] = static_cast<double>(
                                         bench.context().movement.MovementRows.size());
                                     state.counters["peak_MB"] = PeakMegabytes();
                                   })
          ->Iterations(5)
          ->Unit(benchmark::kMillisecond);
      benchmark::RunSpecifiedBenchmarks();
      status = 0;
    }
  }
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return status;
}
