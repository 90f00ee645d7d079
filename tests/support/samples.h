// The real Btrieve sample files in tests. A test that reads them starts with KEZ_NEEDS_SAMPLES:
// without the files it is skipped (or fails under KEZ_REQUIRE_SAMPLES=1, as in CI).
#ifndef KEZ_TESTS_SUPPORT_SAMPLES_H_
#define KEZ_TESTS_SUPPORT_SAMPLES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "support/sample_lookup.h"

namespace kez::testing {

// The sample folder of this run, looked up once (support/sample_lookup.h).
const SampleFolder& Samples();
// A sample file by its path below that folder; fails the current test (fatally) when it is missing.
std::filesystem::path SamplePath(std::string_view relative);
// The whole content of a file.
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
// The project's source folder.
std::filesystem::path SourceDir();

}  // namespace kez::testing

// Skips the current test unless every named sample (a file or folder below the sample folder) is
// present; fails it instead when KEZ_REQUIRE_SAMPLES is set. It returns from the enclosing
// function, so it belongs before the test's first check: at the start of its body or of SetUp(),
// or first in a loop over its files.
#define KEZ_NEEDS_SAMPLES(...)                                                                  \
  do {                                                                                          \
    const ::kez::testing::SampleFolder& kez_samples = ::kez::testing::Samples();                \
    if (const std::string kez_missing =                                                         \
            ::kez::testing::MissingSamples(kez_samples, {__VA_ARGS__});                         \
        !kez_missing.empty()) {                                                                 \
      if (kez_samples.required) GTEST_FAIL() << kez_missing << " (KEZ_REQUIRE_SAMPLES is set)"; \
      GTEST_SKIP() << kez_missing;                                                              \
    }                                                                                           \
  } while (false)

#endif  // KEZ_TESTS_SUPPORT_SAMPLES_H_
