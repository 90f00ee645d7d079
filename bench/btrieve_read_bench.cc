// Reading a real 6.0 file of 7,639 records (WCCACMS2.DAT, 3.6 MB): physical scan and key-order
// walk beside a plain sequential read of the same bytes; open plus one Get Equal.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/file.h"
#include "tests/support/sample_lookup.h"

namespace {

constexpr const char* kSampleName = "wbtrv32/assets/WCCACMS2.DAT";

const kez::testing::SampleFolder kSamples = kez::testing::FindSampleFolder(
    kez::testing::SampleSettingsFromEnvironment(KEZ_SAMPLES_DIR, KEZ_SOURCE_DIR));
const std::filesystem::path kSample = kSamples.path / kSampleName;

void SetRates(benchmark::State& state, std::int64_t records) {
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(kSample));
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlainSequentialRead(benchmark::State& state) {
  std::vector<char> buffer(1 << 16);
  for (auto _ : state) {
    std::FILE* in = std::fopen(kSample.c_str(), "rb");
    std::size_t total = 0;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;) total += n;
    std::fclose(in);
    benchmark::DoNotOptimize(total);
  }
  SetRates(state, 7639);
}
BENCHMARK(BM_PlainSequentialRead);

// Null, with the benchmark stopped, when the file does not open: callers leave at once.
std::unique_ptr<btrieve::File> OpenSample(benchmark::State& state) {
  std::unique_ptr<btrieve::File> file;
  if (!btrieve::File::Open(kSample, &file).ok()) state.SkipWithError("open failed");
  return file;
}

std::int64_t Scan(btrieve::File& file) {
  btrieve::Bytes record;
  std::int64_t records = 0;
  for (auto s = file.StepFirst(&record); s.ok(); s = file.StepNext(&record)) ++records;
  benchmark::DoNotOptimize(record.data());
  return records;
}

std::int64_t Walk(btrieve::File& file) {
  btrieve::Bytes key;
  btrieve::Bytes record;
  std::int64_t records = 0;
  for (auto s = file.GetFirst(0, &key, &record); s.ok(); s = file.GetNext(0, &key, &record)) {
    ++records;
  }
  benchmark::DoNotOptimize(record.data());
  return records;
}

// The file stays open: the scan itself, every record copied out.
void BM_PhysicalScan(benchmark::State& state) {
  auto file = OpenSample(state);
  if (!file) return;
  std::int64_t records = 0;
  for (auto _ : state) records = Scan(*file);
  SetRates(state, records);
}
BENCHMARK(BM_PhysicalScan);

void BM_KeyOrderWalk(benchmark::State& state) {
  auto file = OpenSample(state);
  if (!file) return;
  std::int64_t records = 0;
  for (auto _ : state) records = Walk(*file);
  SetRates(state, records);
}
BENCHMARK(BM_KeyOrderWalk);

// Opened anew each time: includes mapping the file and the page faults of a first touch.
void BM_OpenAndPhysicalScan(benchmark::State& state) {
  std::int64_t records = 0;
  for (auto _ : state) {
    auto file = OpenSample(state);
    if (!file) return;
    records = Scan(*file);
  }
  SetRates(state, records);
}
BENCHMARK(BM_OpenAndPhysicalScan);

void BM_OpenAndKeyOrderWalk(benchmark::State& state) {
  std::int64_t records = 0;
  for (auto _ : state) {
    auto file = OpenSample(state);
    if (!file) return;
    records = Walk(*file);
  }
  SetRates(state, records);
}
BENCHMARK(BM_OpenAndKeyOrderWalk);

void BM_OpenAndGetEqual(benchmark::State& state) {
  btrieve::Bytes key = {0x10, 0x00};
  btrieve::Bytes record;
  for (auto _ : state) {
    auto file = OpenSample(state);
    if (!file) return;
    btrieve::Bytes search = key;
    benchmark::DoNotOptimize(file->GetGreaterOrEqual(0, &search, &record).ok());
  }
}
BENCHMARK(BM_OpenAndGetEqual);

}  // namespace

// Without the sample file there is nothing to measure: one line instead of a failure per
// benchmark, and a failure only where the samples must be present.
int main(int argc, char** argv) {
  if (const std::string missing = kez::testing::MissingSamples(kSamples, {kSampleName});
      !missing.empty()) {
    std::fprintf(stderr, "btrieve_read_bench: %s: %s\n",
                 kSamples.required ? "KEZ_REQUIRE_SAMPLES is set" : "skipped", missing.c_str());
    return kSamples.required ? 1 : 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
