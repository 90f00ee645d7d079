// The three extracts on a generated store, each beside a plain walk over the records it reads
// through the same record layer, and the movement merge (a hash index) beside the quadratic merge
// that searches the rows built so far for every line, on a synthetic week of 1,000,000 lines.
//
// The store is KEZ_BENCH_STORE when set (for example a `kezagg sample --scale large` folder with
// sales up to 2026-12-01), otherwise a `store`-scale sample written for the run. Peak memory is the
// process's; run one benchmark per process (--benchmark_filter) to read it for that benchmark.
//
// Measured on the team's 2-core machine (shared with other work) on the large store (600,000
// sales, 1,999,489 lines, 200,000 customers), each in its own process; scripts/bench-compare runs
// the first two in turn and prints their ratio:
//   walk SALESHEAD + SALESITEM             0.7-0.8 s   35 MB
//   sales extract, the whole store         1.2-1.4 s   44 MB   (200 MB written)
//   walk NAMES                             0.29 s CPU  30 MB
//   customer extract, one year             0.23 s      32 MB
//   movement collection, one week          18-26 ms    55 MB   (7,145 rows; the tables' caches
//                                                               hold 42 MB when it is done)
//   merge of 1,000,000 lines: hash index 0.59-0.82 s, quadratic 92.8 s (84,000 rows)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "btrieve/operation.h"
#include "context/activity_log.h"
#include "context/app_context.h"
#include "extracts/customers_extract.h"
#include "extracts/movement_collection.h"
#include "extracts/sales_extract.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"
#include "sample/sample_generator.h"
#include "settings/cls_settings.h"

namespace {

namespace fs = std::filesystem;

constexpr kez::LocalDateTime kUntil{2026, 12, 1};

const kez::bench::BenchStore& TheStore() {
  static const kez::bench::BenchStore store("kez-extracts-bench", kUntil, "KEZ_BENCH_STORE");
  return store;
}

// A context over the store with its tables open, as start-up leaves it.
struct OpenStore {
  kez::bench::QuietHost host{kUntil};
  kez::AppContext context{host};
  bool ok = false;

  OpenStore() {
    context.AppDir = fs::temp_directory_path();
    context.ReportSettings = {kez::NewReportSettings(kUntil), kez::NewReportSettings(kUntil)};
    context.export_state.StoreNumber = "00001";
    kez::UseDataPath(context.pos, TheStore().folder().string());
    ok = kez::DBSM_OpenDatabase(context.pos) && kez::DBSM_OpenAll(context.pos);
  }
  ~OpenStore() { kez::DBSM_UnloadHolder(context.pos); }
};

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Every record of `table` in the order of `key`, through the record layer.
std::int64_t Walk(kez::PosDatabase& db, int table, int key) {
  std::int64_t records = 0;
  for (bool read = kez::DBSM_TableOp(db, table, btrieve::kOpGetFirst, key); read;
       read = kez::DBSM_TableOp(db, table, btrieve::kOpGetNext, key)) {
    ++records;
  }
  return records;
}

#define SKIP_UNLESS_OPEN(store)                                                 \
  if (!TheStore().ok()) return state.SkipWithError(TheStore().error().c_str()); \
  if (!(store).ok) return state.SkipWithError("the store's tables did not open")

void BM_WalkSalesRecords(benchmark::State& state) {
  OpenStore store;
  SKIP_UNLESS_OPEN(store);
  std::int64_t records = 0;
  for (auto _ : state) {
    records =
        Walk(store.context.pos, kez::kSalesHead, 0) + Walk(store.context.pos, kez::kSalesItem, 0);
  }
  state.counters["records"] = static_cast<double>(records);
  ReportPeakMemory(state);
}
BENCHMARK(BM_WalkSalesRecords)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every sale of the store: the extract starts at its first day.
void BM_SalesExtractWholeStore(benchmark::State& state) {
  OpenStore store;
  SKIP_UNLESS_OPEN(store);
  for (auto _ : state) {
    store.context.export_state.LastInvoice = "0000000";
    store.context.export_state.ExportDate = "1/1/2000";
    benchmark::DoNotOptimize(kez::CreateSalesExtract(store.context.pos, store.context.export_state,
                                                     kez::ActivityLogWriter(store.context)));
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_SalesExtractWholeStore)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_WalkCustomers(benchmark::State& state) {
  OpenStore store;
  SKIP_UNLESS_OPEN(store);
  std::int64_t records = 0;
  for (auto _ : state) records = Walk(store.context.pos, kez::kNames, 0);
  state.counters["records"] = static_cast<double>(records);
  ReportPeakMemory(state);
}
BENCHMARK(BM_WalkCustomers)->Unit(benchmark::kMillisecond)->Iterations(1);

// A year's customers: the whole table is walked, the recent ones written.
void BM_CustomersExtractOneYear(benchmark::State& state) {
  OpenStore store;
  SKIP_UNLESS_OPEN(store);
  for (auto _ : state) {
    store.context.export_state.ExportDate = "12/1/2025";
    benchmark::DoNotOptimize(kez::CreateCustomersExtract(
        store.context.pos, store.context.export_state, kez::ActivityLogWriter(store.context)));
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_CustomersExtractOneYear)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MovementCollectionLastWeek(benchmark::State& state) {
  OpenStore store;
  SKIP_UNLESS_OPEN(store);
  store.context.ReportSettings[kez::kSymphonyIriReport].StartDate = kUntil;
  std::int64_t rows = 0;
  for (auto _ : state) {
    const std::optional<std::int64_t> collected = kez::CollectMovementData(
        store.context.pos, store.context.ReportSettings[kez::kSymphonyIriReport],
        store.context.movement);
    if (!collected) return state.SkipWithError("a table was not read to its end");
    rows = *collected;
  }
  state.counters["rows"] = static_cast<double>(rows);
  // What the tables' caches hold when the job is done; the tray program's jobs give it back.
  std::size_t cached = 0;
  for (const auto& handle : store.context.pos.VATable) {
    auto* engine = dynamic_cast<kez::EngineTableHandle*>(handle.get());
    btrieve::File* file = engine != nullptr ? engine->table().file() : nullptr;
    if (file != nullptr) cached += file->cached_bytes();
  }
  state.counters["cached_MB"] = static_cast<double>(cached) / (1 << 20);
  ReportPeakMemory(state);
}
BENCHMARK(BM_MovementCollectionLastWeek)->Unit(benchmark::kMillisecond);

// A week of 1,000,000 sale lines over 12,000 items: up to 84,000 rows.
std::vector<kez::clsMovmentData> SyntheticWeek() {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> item(1, 12000);
  std::uniform_int_distribution<int> day(0, 6);
  std::vector<kez::clsMovmentData> lines(1000000);
  for (kez::clsMovmentData& line : lines) {
    line.InvID = item(random);
    line.lngDate = 20261124 + day(random);
    line.StoreNumber = 1;
    line.QuantitySold = 1;
    line.TotalDollars = {19900};
  }
  return lines;
}

void BM_MovementMergeHashIndex(benchmark::State& state) {
  const std::vector<kez::clsMovmentData> lines = SyntheticWeek();
  std::size_t rows = 0;
  for (auto _ : state) {
    kez::MovementData movement;
    for (const kez::clsMovmentData& line : lines) {
      movement.CurrentMovementRow = line;
      kez::AddMovementRow(movement);
    }
    rows = movement.MovementRows.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_MovementMergeHashIndex)->Unit(benchmark::kMillisecond);

// The straight merge: every line searches the rows built so far from the first.
void BM_MovementMergeQuadratic(benchmark::State& state) {
  const std::vector<kez::clsMovmentData> lines = SyntheticWeek();
  std::size_t rows = 0;
  for (auto _ : state) {
    std::vector<kez::clsMovmentData> merged;
    for (const kez::clsMovmentData& line : lines) {
      bool found = false;
      for (kez::clsMovmentData& row : merged) {
        if (row.InvID == line.InvID && row.StoreNumber == line.StoreNumber &&
            row.lngDate == line.lngDate) {
          row.TotalDollars.ten_thousandths += line.TotalDollars.ten_thousandths;
          row.QuantitySold += line.QuantitySold;
          found = true;
          break;
        }
      }
      if (!found) merged.push_back(line);
    }
    rows = merged.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_MovementMergeQuadratic)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
