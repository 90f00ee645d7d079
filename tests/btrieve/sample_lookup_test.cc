// Where the tests and benchmarks look for the real sample files, and what they say without them.
#include "support/sample_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

// A source folder with the samples beside it, as in our own checkouts, and a home with a fetch
// cache: every place the lookup knows, all present.
class SampleLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const fs::path& folder : {source(), beside(), cache(), named()}) {
      fs::create_directories(folder);
    }
  }

  // Built as the lookup builds them, so that messages can be searched for them on Windows too.
  fs::path source() const { return dir_ / "work" / "kez"; }
  fs::path beside() const {
    return (dir_ / "work" / "shared" / "btrieve-samples").lexically_normal();
  }
  fs::path cache() const { return dir_ / "home" / ".cache" / "kez-samples"; }
  fs::path named() const { return dir_ / "named"; }

  SampleSettings Settings() const {
    SampleSettings settings;
    settings.source_dir = source();
    settings.home = (dir_ / "home").string();
    return settings;
  }

  TempDir dir_;
};

TEST_F(SampleLookup, AFolderTheUserNamesIsTheOnlyOneTried) {
  SampleSettings settings = Settings();
  settings.configured_dir = beside().string();
  settings.env_dir = named().string();
  EXPECT_EQ(FindSampleFolder(settings).path, named());  // the environment over the build

  settings.env_dir.clear();
  EXPECT_EQ(FindSampleFolder(settings).path, beside());

  // Named but missing: no quiet fall-back to other files.
  settings.env_dir = (dir_ / "missing").string();
  const SampleFolder folder = FindSampleFolder(settings);
  EXPECT_FALSE(folder.found());
  EXPECT_EQ(folder.looked, std::vector<fs::path>{dir_ / "missing"});
}

TEST_F(SampleLookup, BesideTheCheckoutThenTheCacheTheFetchScriptFills) {
  SampleSettings settings = Settings();
  EXPECT_EQ(FindSampleFolder(settings).path, beside());

  fs::remove(beside());
  EXPECT_EQ(FindSampleFolder(settings).path, cache());

  // The script's default folder: $XDG_CACHE_HOME/kez-samples, else ~/.cache/kez-samples.
  settings.xdg_cache_home = (dir_ / "xdg").string();
  EXPECT_EQ(SampleCacheDir(settings), dir_ / "xdg/kez-samples");
  EXPECT_FALSE(FindSampleFolder(settings).found());
  fs::create_directories(dir_ / "xdg/kez-samples");
  EXPECT_EQ(FindSampleFolder(settings).path, dir_ / "xdg/kez-samples");
}

TEST_F(SampleLookup, WithoutSamplesTheMessageNamesThePlacesAndTheFetchScript) {
  fs::remove(beside());
  fs::remove(cache());
  SampleSettings settings = Settings();
  const SampleFolder folder = FindSampleFolder(settings);
  ASSERT_FALSE(folder.found());
  EXPECT_FALSE(folder.required);
  const std::string message = MissingSamples(folder, {"doclife/F23.DAT"});
  EXPECT_NE(message.find(beside().string()), std::string::npos) << message;
  EXPECT_NE(message.find(cache().string()), std::string::npos) << message;
  EXPECT_NE(message.find("scripts/fetch-samples"), std::string::npos) << message;
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;

  settings.require = "1";
  EXPECT_TRUE(FindSampleFolder(settings).required);
  settings.require = "0";
  EXPECT_FALSE(FindSampleFolder(settings).required);
}

TEST_F(SampleLookup, AFileMissingFromAFoundFolderIsNamed) {
  fs::create_directories(beside() / "doclife");
  const SampleFolder folder = FindSampleFolder(Settings());
  EXPECT_EQ(MissingSamples(folder, {"doclife"}), "");
  const std::string message = MissingSamples(folder, {"doclife", "doclife/F23.DAT"});
  EXPECT_NE(message.find((folder.path / "doclife/F23.DAT").string()), std::string::npos) << message;
  EXPECT_NE(message.find("scripts/fetch-samples " + beside().string()), std::string::npos)
      << message;
}

}  // namespace
}  // namespace kez::testing
