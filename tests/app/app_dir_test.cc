// Where the program's own files go: the order of the choices, and the per-user folder made and
// given the installed files without touching the user's own copies.
#include "app/app_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/program_folder.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AppDir, TheOptionThenTheEnvironmentThenAWritableProgramFolderThenTheUsersFolder) {
  const fs::path program = "/opt/kez/bin";
  const fs::path user = "/home/clerk/.local/share";
  EXPECT_EQ(ChooseAppDir("/mine", "/env", program, false, user).folder, "/mine");
  EXPECT_EQ(ChooseAppDir("/mine", "/env", program, false, user).source, AppDirSource::kOption);
  EXPECT_EQ(ChooseAppDir("", "/env", program, false, user).source, AppDirSource::kEnvironment);
  EXPECT_EQ(ChooseAppDir("", "", program, true, user).folder, program);
  const AppDirChoice per_user = ChooseAppDir("", nullptr, program, false, user);
  EXPECT_EQ(per_user.folder, user / kUserAppDirName);
  EXPECT_EQ(per_user.source, AppDirSource::kUserFolder);
  // Without a user folder the program's own is all there is.
  EXPECT_EQ(ChooseAppDir("", nullptr, program, false, fs::path()).folder, program);

  EXPECT_EQ(DescribeAppDir(per_user),
            "Program folder: " + (user / kUserAppDirName).string() +
                " (per user: the program's own folder is read-only or the system's)");
  EXPECT_EQ(DescribeAppDir(ChooseAppDir("", "/env", program, false, user)),
            "Program folder: /env (KEZ_APP_DIR)");
}

TEST(AppDir, AUserFolderIsMadeAndGivenTheInstalledFilesOnce) {
  TempDir program;
  TempDir home;
  std::ofstream(program / "KEZDataAggregator.ini", std::ios::binary) << "[Log]\r\nSaveLog=Y\r\n";
  std::ofstream(program / "KEZBTERR.MSG", std::ios::binary) << "texts";
  const AppDirChoice choice = ChooseAppDir("", nullptr, program.path(), false, home / "data");

  PrepareAppDir(choice, program.path());
  EXPECT_EQ(Read(choice.folder / "KEZDataAggregator.ini"), "[Log]\r\nSaveLog=Y\r\n");
  EXPECT_EQ(Read(choice.folder / "KEZBTERR.MSG"), "texts");
  EXPECT_FALSE(fs::exists(choice.folder / "upper.alt"));  // not installed: nothing to copy

  // The user's own settings stay; a file gone since is given again.
  std::ofstream(choice.folder / "KEZDataAggregator.ini", std::ios::binary)
      << "[Log]\r\nSaveLog=N\r\n";
  fs::remove(choice.folder / "KEZBTERR.MSG");
  PrepareAppDir(choice, program.path());
  EXPECT_EQ(Read(choice.folder / "KEZDataAggregator.ini"), "[Log]\r\nSaveLog=N\r\n");
  EXPECT_EQ(Read(choice.folder / "KEZBTERR.MSG"), "texts");

  // Other choices are used as they are.
  TempDir other;
  PrepareAppDir(ChooseAppDir(other.path().string(), nullptr, program.path(), false, home / "d"),
                program.path());
  EXPECT_TRUE(fs::is_empty(other.path()));
}

#ifndef _WIN32
TEST(AppDir, ASystemInstallGivesItsSharedDefaultsNotTheFilesBesideTheProgram) {
  TempDir prefix;
  TempDir home;
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "kez-data-aggregator");
  EXPECT_EQ(InstalledDefaultsFolder(prefix / "bin"), prefix / "share" / "kez-data-aggregator");
  std::ofstream(prefix / "share" / "kez-data-aggregator" / "KEZDataAggregator.ini",
                std::ios::binary)
      << "shared";
  std::ofstream(prefix / "bin" / "KEZDataAggregator.ini", std::ios::binary) << "beside";
  std::ofstream(prefix / "bin" / "KEZBTERR.MSG", std::ios::binary) << "texts";
  const AppDirChoice choice = ChooseAppDir("", nullptr, prefix / "bin", false, home / "data");
  PrepareAppDir(choice, prefix / "bin");
  EXPECT_EQ(Read(choice.folder / "KEZDataAggregator.ini"), "shared");
  // What the shared folder lacks still comes from beside the program.
  EXPECT_EQ(Read(choice.folder / "KEZBTERR.MSG"), "texts");
}
#endif

TEST(AppDir, TheUsersDataFolderAndTheWriteTest) {
  TempDir folder;
  EXPECT_TRUE(CanCreateFilesIn(folder.path()));
  EXPECT_TRUE(fs::is_empty(folder.path()));  // the trial file is gone
  EXPECT_FALSE(CanCreateFilesIn(folder / "missing"));
#ifndef _WIN32
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string kept = saved == nullptr ? "" : saved;
  ::setenv("XDG_DATA_HOME", "/srv/data-home", 1);
  EXPECT_EQ(UserDataFolder(), fs::path("/srv/data-home"));
  ::unsetenv("XDG_DATA_HOME");
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    EXPECT_EQ(UserDataFolder(), fs::path(home) / ".local" / "share");
  }
  if (saved != nullptr) ::setenv("XDG_DATA_HOME", kept.c_str(), 1);
#endif
}

}  // namespace
}  // namespace kez::testing
