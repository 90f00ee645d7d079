// A file of sale lines (150-byte records, a two-segment unique key and two duplicate keys) built
// by bulk insertion, then read: insert rate, Get Equal latency, physical scan, key-order walk,
// and file size beside the raw record bytes; a plain read of the same bytes from the page cache
// as the yardstick of the scans. KEZ_BENCH_RECORDS sets the record count (default 1,000,000).
// KEZ_BENCH_FILE names where the file is kept: an existing file there is read as it is, so that
// scripts/bench-compare builds it once (the insert figures are then not measured).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"

namespace {

constexpr std::uint16_t kRecordLength = 150;

std::uint32_t RecordCount() {
  const char* given = std::getenv("KEZ_BENCH_RECORDS");
  return given != nullptr ? static_cast<std::uint32_t>(std::atol(given)) : 1000000u;
}

// Sale number (int32) + line (int16): unique; item (int32): duplicates; date (8 chars): duplicates.
btrieve::FilePlan SaleLinePlan() {
  btrieve::FilePlan plan;
  plan.record_length = kRecordLength;
  plan.page_size = 4096;
  plan.keys.push_back({{{0, 4, btrieve::kKeySegmented, btrieve::kTypeInteger, 0, -1},
                        {4, 2, 0, btrieve::kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{6, 4, btrieve::kKeyDuplicates, btrieve::kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{10, 8, btrieve::kKeyDuplicates, btrieve::kTypeString, 0, -1}}});
  return plan;
}

btrieve::Bytes SaleLine(std::uint32_t i) {
  btrieve::Bytes record(kRecordLength, ' ');
  btrieve::StoreU32(record.data(), i / 3 + 1);  // three lines a sale
  btrieve::StoreU16(record.data() + 4, static_cast<std::uint16_t>(i % 3 + 1));
  btrieve::StoreU32(record.data() + 6, (i * 2654435761u) % 5000);  // 5,000 items
  const std::uint32_t day = i / 3000;                              // a thousand sales a day
  char date[16];
  std::snprintf(date, sizeof date, "2%03u%02u%02u", 20 + day / 365, 1 + day % 365 / 31,
                1 + day % 31);
  std::memcpy(record.data() + 10, date, 8);
  for (std::size_t b = 18; b < kRecordLength; ++b) record[b] = static_cast<std::uint8_t>(i + b);
  return record;
}

class SaleLineFile {
 public:
  static SaleLineFile& Get() {
    static SaleLineFile* file = new SaleLineFile();
    return *file;
  }
  const std::filesystem::path& path() const { return path_; }
  double insert_seconds() const { return insert_seconds_; }
  std::uint32_t records() const { return records_; }

 private:
  SaleLineFile() : records_(RecordCount()) {
    if (const char* kept = std::getenv("KEZ_BENCH_FILE")) {
      path_ = kept;
      if (std::filesystem::exists(path_)) return;
    } else {
      path_ = std::filesystem::temp_directory_path() / "kez-bench-salelines.dat";
    }
    std::filesystem::remove(path_);
    if (!btrieve::CreateFile(path_, SaleLinePlan(), true).ok()) std::abort();
    std::unique_ptr<btrieve::File> file;
    btrieve::OpenOptions options;
    options.writable = true;
    if (!btrieve::File::Open(path_, &file, options).ok()) std::abort();
    const auto start = std::chrono::steady_clock::now();
    if (!file->BeginBulk().ok()) std::abort();
    for (std::uint32_t i = 0; i < records_; ++i) {
      btrieve::Bytes record = SaleLine(i);
      if (!file->Insert(-1, &record).ok()) std::abort();
    }
    if (!file->EndBulk().ok()) std::abort();
    insert_seconds_ =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::filesystem::path path_;
  std::uint32_t records_;
  double insert_seconds_ = 0;
};

std::unique_ptr<btrieve::File> Open(
    std::size_t cache_bytes = btrieve::PageSource::kDefaultCacheBytes,
    btrieve::MapLimits map_limits = {}) {
  std::unique_ptr<btrieve::File> file;
  btrieve::OpenOptions options;
  options.cache_bytes = cache_bytes;
  options.map_limits = map_limits;
  if (!btrieve::File::Open(SaleLineFile::Get().path(), &file, options).ok()) std::abort();
  return file;
}

// Bytes this process has read through read/pread so far (the kernel's count, page cache hits
// included), or 0 where it is not known.
double BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string name;
  double value = 0;
  while (io >> name >> value) {
    if (name == "rchar:") return value;
  }
  return 0;
}

void BM_BulkInsert(benchmark::State& state) {
  const SaleLineFile& built = SaleLineFile::Get();
  if (built.insert_seconds() == 0) {
    for (auto _ : state) benchmark::DoNotOptimize(built.records());
    return state.SkipWithError("the file was kept from an earlier run");
  }
  for (auto _ : state) benchmark::DoNotOptimize(built.records());
  const double raw = static_cast<double>(built.records()) * kRecordLength;
  const double size = static_cast<double>(std::filesystem::file_size(built.path()));
  state.counters["inserts/s"] = built.records() / built.insert_seconds();
  state.counters["insert_s"] = built.insert_seconds();
  state.counters["size/raw"] = size / raw;
  state.counters["file_MB"] = size / 1e6;
}
BENCHMARK(BM_BulkInsert)->Iterations(1);

// Random sale lines by their unique key, after a first lookup that validates the index. `file` is
// opened with `cache_mb` of page cache (16 is the default; 512 holds the whole file, read once by
// a walk before timing).
void GetEqualAtRandom(benchmark::State& state, std::unique_ptr<btrieve::File> file,
                      std::int64_t cache_mb) {
  btrieve::Bytes key(6);
  btrieve::Bytes record;
  if (cache_mb >= 512) {
    btrieve::Bytes value;
    for (auto s = file->GetFirst(0, &value, &record); s.ok();
         s = file->GetNext(0, &value, &record)) {
    }
  }
  std::mt19937 random(7);
  const std::uint32_t sales = SaleLineFile::Get().records() / 3;
  // The first read of a key checks its whole index: not part of a lookup.
  btrieve::StoreU32(key.data(), 1);
  btrieve::StoreU16(key.data() + 4, 1);
  if (!file->GetEqual(0, &key, &record).ok()) return state.SkipWithError("missing record");
  const double read_before = BytesReadSoFar();
  for (auto _ : state) {
    btrieve::StoreU32(key.data(), static_cast<std::uint32_t>(1 + random() % sales));
    btrieve::StoreU16(key.data() + 4, static_cast<std::uint16_t>(1 + random() % 3));
    if (!file->GetEqual(0, &key, &record).ok()) state.SkipWithError("missing record");
  }
  state.counters["read_B/lookup"] =
      (BytesReadSoFar() - read_before) / static_cast<double>(state.iterations());
}

// Argument: the page cache in MB.
void BM_GetEqual(benchmark::State& state) {
  GetEqualAtRandom(state, Open(static_cast<std::size_t>(state.range(0)) << 20), state.range(0));
}
BENCHMARK(BM_GetEqual)->Arg(16)->Arg(512)->Repetitions(5)->ReportAggregatesOnly(true);

// The mapping windows are off by default; these say what they would give. The argument is the
// windows' resident bytes in MB: 16 bounds them, 1024 keeps every page of the file mapped once
// touched (sixteen windows of 16 MB cover it).
btrieve::MapLimits Windows(std::int64_t resident_mb) {
  return {.window_bytes = 16u << 20,
          .windows = 16,
          .resident_bytes = static_cast<std::size_t>(resident_mb) << 20};
}

void BM_MappedGetEqual(benchmark::State& state) {
  GetEqualAtRandom(state, Open(btrieve::PageSource::kDefaultCacheBytes, Windows(state.range(0))),
                   16);
}
BENCHMARK(BM_MappedGetEqual)->Arg(16)->Arg(1024)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_PhysicalScan(benchmark::State& state) {
  auto file = Open();
  std::int64_t records = 0;
  for (auto _ : state) {
    btrieve::Bytes record;
    records = 0;
    for (auto s = file->StepFirst(&record); s.ok(); s = file->StepNext(&record)) ++records;
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PhysicalScan)->Unit(benchmark::kMillisecond);

void BM_KeyOrderWalk(benchmark::State& state) {
  auto file = Open();
  std::int64_t records = 0;
  for (auto _ : state) {
    btrieve::Bytes key;
    btrieve::Bytes record;
    records = 0;
    for (auto s = file->GetFirst(0, &key, &record); s.ok(); s = file->GetNext(0, &key, &record)) {
      ++records;
    }
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_KeyOrderWalk)->Unit(benchmark::kMillisecond);

// The same two walks a batch of 256 records at a time, as `kezagg dump --raw` reads.
void BM_PhysicalScanInBatches(benchmark::State& state) {
  auto file = Open();
  std::int64_t records = 0;
  for (auto _ : state) {
    btrieve::Bytes record;
    btrieve::RecordBatch batch;
    records = 0;
    for (auto s = file->StepFirst(&record); s.ok(); s = file->StepNextBatch(256, &batch)) {
      records += static_cast<std::int64_t>(batch.size());
    }
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PhysicalScanInBatches)->Unit(benchmark::kMillisecond);

void BM_KeyOrderWalkInBatches(benchmark::State& state) {
  auto file = Open();
  std::int64_t records = 0;
  for (auto _ : state) {
    btrieve::Bytes key;
    btrieve::Bytes record;
    btrieve::RecordBatch batch;
    records = 0;
    for (auto s = file->GetFirst(0, &key, &record); s.ok();
         s = file->GetNextBatch(0, 256, &batch)) {
      records += static_cast<std::int64_t>(batch.size());
    }
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_KeyOrderWalkInBatches)->Unit(benchmark::kMillisecond);

// Key 1 holds 5,000 item numbers, about 200 lines each, in linked duplicate chains. The lines of
// one item lie all over the file, so each record of the walk is on another data page; read_B/record
// says how many of them the cache holds (4,096 bytes a record: none).
void DuplicateKeyWalk(benchmark::State& state, std::unique_ptr<btrieve::File> file) {
  std::int64_t records = 0;
  const double read_before = BytesReadSoFar();
  for (auto _ : state) {
    btrieve::Bytes key;
    btrieve::Bytes record;
    records = 0;
    for (auto s = file->GetFirst(1, &key, &record); s.ok(); s = file->GetNext(1, &key, &record)) {
      ++records;
    }
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
  state.counters["read_B/record"] =
      (BytesReadSoFar() - read_before) / static_cast<double>(records * state.iterations());
}

void BM_DuplicateKeyWalk(benchmark::State& state) { DuplicateKeyWalk(state, Open()); }
BENCHMARK(BM_DuplicateKeyWalk)->Unit(benchmark::kMillisecond);

void BM_MappedDuplicateKeyWalk(benchmark::State& state) {
  DuplicateKeyWalk(state, Open(btrieve::PageSource::kDefaultCacheBytes, Windows(state.range(0))));
}
BENCHMARK(BM_MappedDuplicateKeyWalk)->Arg(16)->Arg(1024)->Unit(benchmark::kMillisecond);

// The yardstick of the scans: the file's bytes read in 64 KB pieces from the page cache.
void BM_PlainRead(benchmark::State& state) {
  const std::filesystem::path& path = SaleLineFile::Get().path();
  std::vector<char> buffer(1 << 16);
  std::int64_t total = 0;
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return state.SkipWithError("the file did not open");
    total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
    ::close(fd);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

// The floor of a lookup or a duplicate-key step whose data page is not cached: one positioned
// read of a 4 KB page at random from the kernel's page cache, nothing else.
void BM_RandomPageRead(benchmark::State& state) {
  const std::filesystem::path& path = SaleLineFile::Get().path();
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return state.SkipWithError("the file did not open");
  const auto pages = static_cast<std::uint32_t>(std::filesystem::file_size(path) / 4096);
  std::mt19937 random(7);
  std::vector<char> page(4096);
  for (auto _ : state) {
    const off_t at = static_cast<off_t>(random() % pages) * 4096;
    benchmark::DoNotOptimize(::pread(fd, page.data(), page.size(), at));
  }
  ::close(fd);
}
BENCHMARK(BM_RandomPageRead)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
