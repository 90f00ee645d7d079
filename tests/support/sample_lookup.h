// Where the real Btrieve sample files are, for the tests and the benchmarks alike. The files are
// public but not ours to ship: our own checkouts have them beside the source folder, anyone else
// gets them with scripts/fetch-samples into the user's cache. Header-only so that the benchmarks,
// which are built without the test support library, read the same rules.
#ifndef KEZ_TESTS_SUPPORT_SAMPLE_LOOKUP_H_
#define KEZ_TESTS_SUPPORT_SAMPLE_LOOKUP_H_

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace kez::testing {

// What the lookup depends on, gathered in one place so that its rules can be tried without
// touching the process environment.
struct SampleSettings {
  std::string env_dir;         // KEZ_SAMPLES_DIR when the program runs
  std::string configured_dir;  // -DKEZ_SAMPLES_DIR; empty unless given
  std::filesystem::path source_dir;
  std::string xdg_cache_home;
  std::string home;
  std::string require;  // KEZ_REQUIRE_SAMPLES
};

struct SampleFolder {
  std::filesystem::path path;                 // empty when no folder was found
  std::vector<std::filesystem::path> looked;  // every place tried, in order
  bool required = false;                      // a missing sample is a failure, not a skip

  bool found() const { return !path.empty(); }
};

inline std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

inline SampleSettings SampleSettingsFromEnvironment(std::string configured_dir,
                                                    std::filesystem::path source_dir) {
  return {EnvironmentValue("KEZ_SAMPLES_DIR"),
          std::move(configured_dir),
          std::move(source_dir),
          EnvironmentValue("XDG_CACHE_HOME"),
          EnvironmentValue("HOME"),
          EnvironmentValue("KEZ_REQUIRE_SAMPLES")};
}

// Where scripts/fetch-samples puts the files when given no folder; both must agree.
inline std::filesystem::path SampleCacheDir(const SampleSettings& settings) {
  if (!settings.xdg_cache_home.empty()) {
    return std::filesystem::path(settings.xdg_cache_home) / "kez-samples";
  }
  if (!settings.home.empty()) {
    return std::filesystem::path(settings.home) / ".cache" / "kez-samples";
  }
  return {};
}

// A folder the user names is the only one tried, even when it is missing: the tests then run on
// the files asked for or not at all, never quietly on others.
inline SampleFolder FindSampleFolder(const SampleSettings& settings) {
  SampleFolder folder;
  folder.required = !settings.require.empty() && settings.require != "0";
  std::vector<std::filesystem::path> candidates;
  if (!settings.env_dir.empty()) {
    candidates.emplace_back(settings.env_dir);
  } else if (!settings.configured_dir.empty()) {
    candidates.emplace_back(settings.configured_dir);
  } else {
    candidates.push_back(
        (settings.source_dir / ".." / "shared" / "btrieve-samples").lexically_normal());
    if (std::filesystem::path cache = SampleCacheDir(settings); !cache.empty()) {
      candidates.push_back(std::move(cache));
    }
  }
  for (const std::filesystem::path& candidate : candidates) {
    folder.looked.push_back(candidate);
    std::error_code error;
    if (std::filesystem::is_directory(candidate, error)) {
      folder.path = candidate;
      break;
    }
  }
  return folder;
}

// Empty when every named file (or folder) is present below the sample folder; otherwise the one
// line a skipped test or benchmark shows, saying how to get the files.
inline std::string MissingSamples(const SampleFolder& folder,
                                  std::initializer_list<std::string_view> relatives) {
  if (!folder.found()) {
    std::string places;
    for (const std::filesystem::path& place : folder.looked) {
      places += (places.empty() ? "" : ", ") + place.string();
    }
    return "Btrieve sample files not found (looked in " + places +
           "): run scripts/fetch-samples, or set KEZ_SAMPLES_DIR to their folder";
  }
  for (std::string_view relative : relatives) {
    const std::filesystem::path path = folder.path / relative;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
      return "sample file missing: " + path.string() + " (run scripts/fetch-samples " +
             folder.path.string() + ")";
    }
  }
  return {};
}

}  // namespace kez::testing

#endif  // KEZ_TESTS_SUPPORT_SAMPLE_LOOKUP_H_
