// What the benchmark programs share: a host that lets nothing happen in between, and a generated
// sample store that lives for the run of the program.
#ifndef KEZ_BENCH_BENCH_SUPPORT_H_
#define KEZ_BENCH_BENCH_SUPPORT_H_

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "sample/sample_generator.h"

namespace kez::bench {

// Messages are answered OK at once, events and progress go nowhere, the clock stands still at
// `now`: only the cost of the calls is measured.
class QuietHost : public Host {
 public:
  explicit QuietHost(LocalDateTime now = {}) : now_(now) {}
  MessageAnswer ShowMessage(std::string_view, MessageButtons, MessageIcon, std::string_view,
                            MessageKind) override {
    return MessageAnswer::kOk;
  }
  void DoEvents() override {}
  void SetBusy(bool) override {}
  void SetProgress(int, std::string_view) override {}
  bool OpenWithViewer(const std::filesystem::path&) override { return false; }
  LocalDateTime Now() override { return now_; }

 private:
  LocalDateTime now_;
};

// A store-scale sample with sales up to the day before `until`, written to a temporary folder and
// removed when the object goes; or, when the environment variable `override_variable` names a
// folder with a dictionary, that folder as it is (a large store made once with kezagg sample).
class BenchStore {
 public:
  BenchStore(std::string_view name, const LocalDateTime& until,
             const char* override_variable = nullptr) {
    if (const char* given = override_variable ? std::getenv(override_variable) : nullptr) {
      folder_ = given;
      ok_ = std::filesystem::exists(folder_ / "FILE.DDF");
      if (!ok_) error_ = std::string(override_variable) + " names no store";
      return;
    }
    folder_ = std::filesystem::temp_directory_path() / name;
    owned_ = true;
    std::unique_ptr<SampleStoreWriter> writer;
    SampleOptions options;
    options.until = until;
    ok_ = SampleStoreWriter::Start(folder_, 1, true, &writer, &error_) &&
          GenerateSampleStore(options, *writer, &error_) &&
          writer->Finish(SampleSuiteIni(until), &error_);
  }
  ~BenchStore() {
    std::error_code ignored;
    if (owned_) std::filesystem::remove_all(folder_, ignored);
  }
  BenchStore(const BenchStore&) = delete;
  BenchStore& operator=(const BenchStore&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path folder_;
  bool owned_ = false;
  bool ok_ = false;
  std::string error_;
};

}  // namespace kez::bench

#endif  // KEZ_BENCH_BENCH_SUPPORT_H_
