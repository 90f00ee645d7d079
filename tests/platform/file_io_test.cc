#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/full_disk.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kez {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& file) {
  std::string bytes;
  std::string error;
  EXPECT_TRUE(ReadWholeFile(file, &bytes, &error)) << error;
  return bytes;
}

int EntriesIn(const fs::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

TEST(FileIo, ReplacesContentAndLeavesNoTemporary) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "a.txt", "first", FileAccess::kShared, &error)) << error;
  ASSERT_TRUE(
      ReplaceFileAtomically(dir / "a.txt", std::string("se\0cond", 7), FileAccess::kShared, &error))
      << error;
  EXPECT_EQ(Content(dir / "a.txt"), std::string("se\0cond", 7));
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

TEST(FileIo, FailureNamesTheFileAndKeepsNothingHalfWritten) {
  testing::TempDir dir;
  std::string error;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "missing" / "a.txt", "x", FileAccess::kShared, &error));
  EXPECT_NE(error.find("a.txt"), std::string::npos) << error;

  // A folder standing where the file should be cannot be replaced; it stays, nothing else appears.
  fs::create_directory(dir / "taken");
  EXPECT_FALSE(ReplaceFileAtomically(dir / "taken", "x", FileAccess::kShared, &error));
  EXPECT_TRUE(fs::is_directory(dir / "taken"));
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

TEST(FileIo, APieceByPieceReplacementIsAllOrNothing) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "a.txt", "old", FileAccess::kShared, &error));
  {
    ReplacingFile dropped(dir / "a.txt", FileAccess::kShared);
    ASSERT_TRUE(dropped.Append("half"));
  }
  EXPECT_EQ(Content(dir / "a.txt"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1);

  ReplacingFile replacing(dir / "a.txt", FileAccess::kShared);
  ASSERT_TRUE(replacing.Append("new "));
  ASSERT_TRUE(replacing.Append("content"));
  EXPECT_EQ(Content(dir / "a.txt"), "old");
  ASSERT_TRUE(replacing.Commit()) << replacing.error();
  EXPECT_EQ(Content(dir / "a.txt"), "new content");
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

// Large files start going to disk while they are written; every piece must still arrive, in
// order, and only at Commit.
TEST(FileIo, ALargeFileWrittenInUnevenPiecesArrivesWhole) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "a.txt", "old", FileAccess::kShared, &error));
  ReplacingFile replacing(dir / "a.txt", FileAccess::kShared);
  std::string expected;
  for (int piece = 0; piece < 9; ++piece) {
    const std::string bytes(700'000 + 1'111 * piece, static_cast<char>('a' + piece));
    ASSERT_TRUE(replacing.Append(bytes));
    expected += bytes;
  }
  EXPECT_EQ(Content(dir / "a.txt"), "old");
  ASSERT_TRUE(replacing.Commit()) << replacing.error();
  EXPECT_EQ(Content(dir / "a.txt"), expected);
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

#ifndef _WIN32
TEST(FileIo, AFullDiskKeepsTheOldFileAndSaysWhy) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "a.txt", "old", FileAccess::kShared, &error));
  {
    testing::FullDisk full(1000);
    EXPECT_FALSE(
        ReplaceFileAtomically(dir / "a.txt", std::string(5000, 'x'), FileAccess::kShared, &error));
  }
  EXPECT_NE(error.find("cannot be written: File too large"), std::string::npos) << error;
  EXPECT_EQ(Content(dir / "a.txt"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}
#endif

TEST(FileIo, ReadingAMissingFileOrAFolderFails) {
  testing::TempDir dir;
  std::string bytes = "kept";
  std::string error;
  EXPECT_FALSE(ReadWholeFile(dir / "none", &bytes, &error));
  EXPECT_NE(error.find("none"), std::string::npos);
  EXPECT_FALSE(ReadWholeFile(dir.path(), &bytes, &error));
  EXPECT_EQ(bytes, "kept");
}

#ifndef _WIN32
fs::perms PermissionsOf(const fs::path& file) { return fs::status(file).permissions(); }

TEST(FileIo, OwnerOnlyFilesAreNotReadableByOthers) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "secret", "pw", FileAccess::kShared, &error));
  fs::permissions(dir / "secret", fs::perms(0644));
  ASSERT_TRUE(ReplaceFileAtomically(dir / "secret", "pw2", FileAccess::kOwnerOnly, &error));
  EXPECT_EQ(PermissionsOf(dir / "secret"), fs::perms(0600));
}

TEST(FileIo, SharedFilesKeepThePermissionsOfTheFileTheyReplace) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(dir / "kez.ini", "a", FileAccess::kShared, &error));
  fs::permissions(dir / "kez.ini", fs::perms(0640));
  ASSERT_TRUE(ReplaceFileAtomically(dir / "kez.ini", "b", FileAccess::kShared, &error));
  EXPECT_EQ(PermissionsOf(dir / "kez.ini"), fs::perms(0640));
}
#endif

}  // namespace
}  // namespace kez
