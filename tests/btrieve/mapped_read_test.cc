// Reads through the mapping windows of a local file: the same bytes as positioned reads, through
// windows far fewer than the file needs; a file cut short under its mapping gives a failed read
// and a status, never a crash; a bus error outside a copy still reaches the handler before ours.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "btrieve/mapped_copy.h"
#include "btrieve/os_file.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

// Two windows of 64 KB that give their pages back after 128 KB: every file here spans more.
constexpr MapLimits kSmall{.window_bytes = 64u << 10, .windows = 2, .resident_bytes = 128u << 10};

// Every block of the file, in order and then at random (windows evicted and mapped again), read
// through the mapping and with positioned reads.
void ExpectMappedReadsMatch(const std::filesystem::path& path, std::size_t block) {
  std::unique_ptr<OsFile> file;
  ASSERT_TRUE(OsFile::Open(path, false, &file, kSmall).ok());
  ASSERT_TRUE(file->mapped());
  std::uint64_t size = 0;
  ASSERT_TRUE(file->Size(&size).ok());
  const std::uint64_t blocks = size / block;
  std::vector<std::uint8_t> mapped(block), read(block);
  std::mt19937 random(5);
  for (std::uint64_t i = 0; i < 2 * blocks; ++i) {
    const std::uint64_t at = (i < blocks ? i : random() % blocks) * block;
    ASSERT_TRUE(file->ReadMapped(at, block, mapped.data())) << path << " at " << at;
    ASSERT_EQ(file->ReadAt(at, block, read.data()), block);
    ASSERT_EQ(mapped, read) << path << " at " << at;
  }
}

TEST(MappedReads, EveryPageOfTheRealSamplesMatchesPositionedReads) {
  KEZ_NEEDS_SAMPLES("wbtrv32", "Xtrieve", "doclife");
  int files = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(kez::testing::Samples().path)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".DAT") continue;
    SCOPED_TRACE(entry.path().string());
    // 512 bytes: the smallest page size, so every page of every file is compared.
    ExpectMappedReadsMatch(entry.path(), 512);
    ++files;
  }
  EXPECT_GT(files, 10);
}

FilePlan Plan() {
  FilePlan plan;
  plan.page_size = 4096;
  plan.record_length = 100;
  plan.keys.push_back({{{0, 4, kKeyModifiable, kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{4, 2, kKeyDuplicates | kKeyModifiable, kTypeInteger, 0, -1}}});
  return plan;
}

Bytes Record(std::uint32_t id) {
  Bytes record(100, static_cast<std::uint8_t>(id * 13));
  StoreU32(record.data(), id);
  StoreU16(record.data() + 4, static_cast<std::uint16_t>(id * 7 % 100));
  return record;
}

class MappedFile : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kRecords = 20000;  // about 2.5 MB: forty windows of 64 KB

  void SetUp() override {
    ASSERT_TRUE(CreateFile(path_, Plan(), false).ok());
    std::unique_ptr<File> writer;
    ASSERT_TRUE(File::Open(path_, &writer, {.writable = true}).ok());
    ASSERT_TRUE(writer->BeginBulk().ok());
    for (std::uint32_t id = 1; id <= kRecords; ++id) {
      Bytes record = Record(id);
      ASSERT_TRUE(writer->Insert(0, &record).ok());
    }
    ASSERT_TRUE(writer->EndBulk().ok());
  }

  kez::testing::TempDir dir_;
  std::filesystem::path path_ = dir_ / "LINES.DAT";
};

TEST_F(MappedFile, PagesMatchPositionedReads) { ExpectMappedReadsMatch(path_, 4096); }

// A walk of the duplicate key jumps all over the file: far more windows than the bound, and a
// cache of a few pages, give what the whole file in memory gives.
TEST_F(MappedFile, WalksThroughFewWindowsReadAsInMemory) {
  std::unique_ptr<File> mapped;
  std::unique_ptr<File> memory;
  ASSERT_TRUE(File::Open(path_, &mapped, {.cache_bytes = 8 * 4096, .map_limits = kSmall}).ok());
  ASSERT_TRUE(File::OpenBytes(kez::testing::ReadBytes(path_), "memory", &memory).ok());
  for (int key = 0; key < 2; ++key) {
    Bytes key_a, key_b, record_a, record_b;
    Status a = mapped->GetFirst(key, &key_a, &record_a);
    Status b = memory->GetFirst(key, &key_b, &record_b);
    std::uint32_t records = 0;
    for (; a.ok() && b.ok(); a = mapped->GetNext(key, &key_a, &record_a),
                             b = memory->GetNext(key, &key_b, &record_b), ++records) {
      ASSERT_EQ(record_a, record_b);
    }
    EXPECT_EQ(a.code(), kEndOfFile);
    EXPECT_EQ(b.code(), kEndOfFile);
    EXPECT_EQ(records, kRecords);
  }
}

// A backup copied over the file truncates it while the reader has it mapped: touching a mapped
// page past the new end faults, which must become a failed read and then a status.
TEST_F(MappedFile, AFileCutShortUnderItsMappingFailsItsReads) {
  std::unique_ptr<OsFile> raw;
  ASSERT_TRUE(OsFile::Open(path_, false, &raw, kSmall).ok());
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader, {.cache_bytes = 8 * 4096, .map_limits = kSmall}).ok());
  std::uint64_t size = 0;
  ASSERT_TRUE(raw->Size(&size).ok());
  std::vector<std::uint8_t> page(4096);
  ASSERT_TRUE(raw->ReadMapped(size - 4096, 4096, page.data()));
  Bytes key, record;
  ASSERT_TRUE(reader->GetFirst(0, &key, &record).ok());

  const int cutter = ::open(path_.c_str(), O_WRONLY);
  ASSERT_GE(cutter, 0);
  ASSERT_EQ(::ftruncate(cutter, static_cast<off_t>(size / 2)), 0);
  ::close(cutter);

  EXPECT_FALSE(raw->ReadMapped(size - 4096, 4096, page.data()));
  EXPECT_EQ(raw->ReadAt(size - 4096, 4096, page.data()), 0u);
  // Bytes still in the file are read as before.
  EXPECT_TRUE(raw->ReadMapped(0, 4096, page.data()));

  // The walk reaches the pages cut off: a status, with whatever was read before it.
  Status walked = Status::Ok();
  std::uint32_t records = 1;
  while ((walked = reader->GetNext(0, &key, &record)).ok()) ++records;
  EXPECT_NE(walked.code(), kEndOfFile) << records;
  EXPECT_LT(records, kRecords);
}

// The control records are read through a mapping of the file's head by default, after every
// read: a file cut to nothing under it must give a status on the next read, not a crash.
TEST_F(MappedFile, AFileCutToNothingUnderItsMappedHeadGivesAStatus) {
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader, {.cache_bytes = 8 * 4096}).ok());
  Bytes key, record;
  ASSERT_TRUE(reader->GetFirst(0, &key, &record).ok());
  ASSERT_EQ(::truncate(path_.c_str(), 0), 0);
  Status walked = Status::Ok();
  for (std::uint32_t i = 0; i < kRecords && walked.ok(); ++i) {
    walked = reader->GetNext(0, &key, &record);
  }
  EXPECT_FALSE(walked.ok());
  EXPECT_NE(walked.code(), kEndOfFile);
}

// A bus error that no copy expects goes on to the handler that was there before ours (here one
// that exits with 42), or ends the process as it would have without ours.
TEST(MappedCopy, FaultsOutsideACopyReachThePreviousHandler) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "short.bin";
  std::ofstream(path) << "x";
  for (const bool own_handler : {true, false}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (own_handler) {
        struct sigaction exit42 {};
        exit42.sa_handler = [](int) { ::_exit(42); };
        sigemptyset(&exit42.sa_mask);
        sigaction(SIGBUS, &exit42, nullptr);
      }
      // What a sanitizer's handler says of the fault is expected, not news.
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDERR_FILENO);
      const int fd = ::open(path.c_str(), O_RDONLY);
      const auto* mapped = static_cast<const volatile std::uint8_t*>(
          ::mmap(nullptr, 12288, PROT_READ, MAP_SHARED, fd, 0));
      std::uint8_t byte = 0;
      // The copy past the end fails; the touch after it is nobody's to catch.
      GuardMappedCopies();
      if (CopyFromMapping(&byte, const_cast<const std::uint8_t*>(mapped) + 4096, 1)) ::_exit(10);
      byte = mapped[8192];
      ::_exit(byte == 0 ? 11 : 12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (own_handler) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 42) << status;
    } else {
      // Killed by the signal, or stopped by a sanitizer's own handler: never carried on.
      EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) >= 10 && WEXITSTATUS(status) <= 12)
          << status;
    }
  }
}

}  // namespace
}  // namespace btrieve
