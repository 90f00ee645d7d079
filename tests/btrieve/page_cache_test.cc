// The page cache of a file read from disk: lookups at random through a cache much smaller than
// the file give what the whole file in memory gives, and a reader whose pages are cached sees
// another process's commit on its very next read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <random>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "btrieve/page_source.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

constexpr std::uint32_t kRecords = 3000;

// Records: id (int32, unique), a group (int16, linked duplicates, 40 groups), and filler that
// tells one record's bytes from another's.
FilePlan Plan(Format format) {
  FilePlan plan;
  plan.format = format;
  plan.page_size = 512;
  plan.record_length = 40;
  plan.keys.push_back({{{0, 4, kKeyModifiable, kTypeInteger, 0, -1}}});
  plan.keys.push_back({{{4, 2, kKeyDuplicates | kKeyModifiable, kTypeInteger, 0, -1}}});
  return plan;
}

Bytes Record(std::uint32_t id, std::uint8_t fill) {
  Bytes record(40, fill);
  StoreU32(record.data(), id);
  StoreU16(record.data() + 4, static_cast<std::uint16_t>(id * 7 % 40));
  return record;
}

Bytes Key(std::uint32_t id) {
  Bytes key(4);
  StoreU32(key.data(), id);
  return key;
}

class PageCache : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateFile(path_, Plan(GetParam()), false).ok());
    std::unique_ptr<File> writer;
    ASSERT_TRUE(File::Open(path_, &writer, {.writable = true}).ok());
    ASSERT_TRUE(writer->BeginBulk().ok());
    for (std::uint32_t id = 1; id <= kRecords; ++id) {
      Bytes record = Record(id, static_cast<std::uint8_t>(id));
      ASSERT_TRUE(writer->Insert(0, &record).ok());
    }
    ASSERT_TRUE(writer->EndBulk().ok());
  }

  kez::testing::TempDir dir_;
  std::filesystem::path path_ = dir_ / "LINES.DAT";
};

// Lookups at random keep some pages and drop others; each one, and the walk on from it on
// either key, must read what the file holds.
TEST_P(PageCache, LookupsAtRandomThroughASmallCacheReadAsInMemory) {
  std::unique_ptr<File> cached;
  std::unique_ptr<File> memory;
  ASSERT_TRUE(File::Open(path_, &cached, {.cache_bytes = 16 * 512}).ok());
  ASSERT_TRUE(File::OpenBytes(cached->Snapshot(), "memory", &memory).ok());
  std::mt19937 random(11);
  for (int lookup = 0; lookup < 4000; ++lookup) {
    const auto id = static_cast<std::uint32_t>(1 + random() % (kRecords + 20));  // some missing
    Bytes key_a = Key(id), key_b = Key(id), record_a, record_b;
    const Status a = cached->GetEqual(0, &key_a, &record_a);
    const Status b = memory->GetEqual(0, &key_b, &record_b);
    ASSERT_EQ(a.code(), b.code()) << id;
    if (!a.ok()) continue;
    ASSERT_EQ(record_a, record_b) << id;
    if (lookup % 50 == 0) {
      // From the record on, in the order of the duplicate key.
      std::uint32_t position = 0;
      ASSERT_TRUE(cached->GetPosition(&position).ok());
      ASSERT_TRUE(cached->GetDirect(1, position, &key_a, &record_a).ok());
      ASSERT_TRUE(memory->GetDirect(1, position, &key_b, &record_b).ok());
      for (int step = 0; step < 30; ++step) {
        const Status next_a = cached->GetNext(1, &key_a, &record_a);
        const Status next_b = memory->GetNext(1, &key_b, &record_b);
        ASSERT_EQ(next_a.code(), next_b.code());
        if (!next_a.ok()) break;
        ASSERT_EQ(record_a, record_b);
      }
    }
  }
}

// A scan reads ahead and gives its pages back first, lookups in between keep theirs, and a batch
// holds every page it touches until it is done. Mixed at random, through a cache much smaller
// than the file and with the cache's memory given back now and then (a position outlives it),
// they read what the file holds.
TEST_P(PageCache, ScansBatchesAndLookupsMixedThroughASmallCacheReadAsInMemory) {
  std::unique_ptr<File> cached;
  std::unique_ptr<File> memory;
  ASSERT_TRUE(File::Open(path_, &cached, {.cache_bytes = 16 * 512}).ok());
  ASSERT_TRUE(File::OpenBytes(cached->Snapshot(), "memory", &memory).ok());
  std::mt19937 random(5);
  const auto batches = [&](int key, std::size_t size) {
    RecordBatch a;
    RecordBatch b;
    const Status sa =
        key < 0 ? cached->StepNextBatch(size, &a) : cached->GetNextBatch(key, size, &a);
    const Status sb =
        key < 0 ? memory->StepNextBatch(size, &b) : memory->GetNextBatch(key, size, &b);
    EXPECT_EQ(sa.code(), sb.code());
    EXPECT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
      EXPECT_TRUE(std::ranges::equal(a[i], b[i])) << i;
    }
    return sa.ok();
  };
  for (const int key : {-1, 1, 0}) {
    Bytes key_a, key_b, record_a, record_b;
    ASSERT_TRUE(
        (key < 0 ? cached->StepFirst(&record_a) : cached->GetFirst(key, &key_a, &record_a)).ok());
    ASSERT_TRUE(
        (key < 0 ? memory->StepFirst(&record_b) : memory->GetFirst(key, &key_b, &record_b)).ok());
    for (bool more = true; more && !HasFailure();) {
      switch (random() % 4) {
        case 3:
          cached->ReleaseMemory();
          ASSERT_EQ(cached->cached_bytes(), 0u);
          break;
        case 0:
          more = batches(key, 1 + random() % 150);
          break;
        case 1: {
          const Status a =
              key < 0 ? cached->StepNext(&record_a) : cached->GetNext(key, &key_a, &record_a);
          const Status b =
              key < 0 ? memory->StepNext(&record_b) : memory->GetNext(key, &key_b, &record_b);
          ASSERT_EQ(a.code(), b.code());
          ASSERT_EQ(record_a, record_b);
          more = a.ok();
          break;
        }
        default: {
          // Lookups elsewhere in the file, then back to where the scan was.
          std::uint32_t at = 0;
          ASSERT_TRUE(cached->GetPosition(&at).ok());
          for (int lookup = 0; lookup < 5; ++lookup) {
            const auto id = static_cast<std::uint32_t>(1 + random() % kRecords);
            key_a = Key(id);
            key_b = Key(id);
            ASSERT_TRUE(cached->GetEqual(0, &key_a, &record_a).ok());
            ASSERT_TRUE(memory->GetEqual(0, &key_b, &record_b).ok());
            ASSERT_EQ(record_a, record_b);
          }
          ASSERT_TRUE(cached->GetDirect(key, at, &key_a, &record_a).ok());
          ASSERT_TRUE(memory->GetDirect(key, at, &key_b, &record_b).ok());
          ASSERT_EQ(record_a, record_b);
        }
      }
    }
  }
}

// Bytes this process has read from files so far (the kernel's count of its read calls).
std::uint64_t BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string name;
  std::uint64_t value = 0;
  while (io >> name >> value) {
    if (name == "rchar:") return value;
  }
  return 0;
}

// A key's first use checks its whole index. Its pages lie between the data pages of a file that
// grew record by record; the check must read them, not the data around them.
TEST_P(PageCache, TheIndexCheckAtAKeysFirstUseReadsTheIndexNotTheFile) {
  if (BytesReadSoFar() == 0) GTEST_SKIP() << "no count of bytes read on this system";
  IndexTree::Shape shape;
  {
    std::unique_ptr<File> counter;
    ASSERT_TRUE(File::Open(path_, &counter).ok());
    ASSERT_TRUE(counter->ValidateIndex(0, &shape).ok());
  }
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader).ok());
  const std::uint64_t before = BytesReadSoFar();
  Bytes key, record;
  ASSERT_TRUE(reader->GetFirst(0, &key, &record).ok());
  const std::uint64_t read = BytesReadSoFar() - before;
  // The index, the allocation tables that say which pages are index pages, the first record.
  EXPECT_LE(read, (shape.pages + 16) * 512)
      << shape.pages << " index pages, file of " << std::filesystem::file_size(path_) << " bytes";
}

// A scan's pages go first from a cache smaller than the file; one that holds the whole file
// keeps them, so a second scan reads nothing from the file.
TEST_P(PageCache, ACacheThatHoldsTheWholeFileKeepsWhatAScanRead) {
  if (BytesReadSoFar() == 0) GTEST_SKIP() << "no count of bytes read on this system";
  const auto bytes_read_by_second_scan = [&](std::size_t cache_bytes) {
    std::unique_ptr<File> file;
    EXPECT_TRUE(File::Open(path_, &file, {.cache_bytes = cache_bytes}).ok());
    std::uint64_t before = 0;
    for (int scan = 0; scan < 2; ++scan) {
      before = BytesReadSoFar();
      Bytes record;
      std::uint32_t records = 0;
      for (Status s = file->StepFirst(&record); s.ok(); s = file->StepNext(&record)) ++records;
      EXPECT_EQ(records, kRecords);
    }
    return BytesReadSoFar() - before;
  };
  const std::uint64_t file_bytes = std::filesystem::file_size(path_);
  EXPECT_GT(bytes_read_by_second_scan(16 * 512), file_bytes / 2);
  // Less than a page: the count also holds the read of the count itself.
  EXPECT_LT(bytes_read_by_second_scan(file_bytes + 512), 512u);
}

// Another program may rewrite a file in place with another page size; the file read anew then
// has pages larger than the cache's slots. Pages read after that, held together, are whole and
// each its own, none spilled over a neighbour's slot.
// A file of 3 MB in the default cache: a scan leaves every page cached, in blocks that grow into
// huge pages; the memory given back, a position held since goes on, and lookups read the same.
TEST(PageCacheMemory, AWholeFileCachedReadsTheSameAfterItsMemoryIsGivenBack) {
  constexpr std::uint32_t kMany = 80000;
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "MANY.DAT";
  FilePlan plan = Plan(Format::kNew);
  plan.page_size = 4096;
  ASSERT_TRUE(CreateFile(path, plan, false).ok());
  {
    std::unique_ptr<File> writer;
    ASSERT_TRUE(File::Open(path, &writer, {.writable = true}).ok());
    ASSERT_TRUE(writer->BeginBulk().ok());
    for (std::uint32_t id = 1; id <= kMany; ++id) {
      Bytes record = Record(id, static_cast<std::uint8_t>(id * 13));
      ASSERT_TRUE(writer->Insert(0, &record).ok());
    }
    ASSERT_TRUE(writer->EndBulk().ok());
  }
  std::unique_ptr<File> cached;
  std::unique_ptr<File> memory;
  ASSERT_TRUE(File::Open(path, &cached).ok());
  ASSERT_TRUE(File::OpenBytes(cached->Snapshot(), "memory", &memory).ok());
  Bytes record;
  std::uint32_t records = 0;
  for (Status s = cached->StepFirst(&record); s.ok(); s = cached->StepNext(&record)) ++records;
  ASSERT_EQ(records, kMany);
  EXPECT_GE(cached->cached_bytes(), std::filesystem::file_size(path) * 9 / 10);

  std::mt19937 random(3);
  const auto same_lookups_and_steps = [&] {
    for (int lookup = 0; lookup < 200 && !HasFailure(); ++lookup) {
      const auto id = static_cast<std::uint32_t>(1 + random() % kMany);
      Bytes key_a = Key(id), key_b = Key(id), record_a, record_b;
      ASSERT_TRUE(cached->GetEqual(0, &key_a, &record_a).ok());
      ASSERT_TRUE(memory->GetEqual(0, &key_b, &record_b).ok());
      ASSERT_EQ(record_a, record_b);
      if (lookup % 20 == 0) {
        cached->ReleaseMemory();
        ASSERT_EQ(cached->cached_bytes(), 0u);
      }
      for (int step = 0; step < 3; ++step) {
        const Status a = cached->GetNext(0, &key_a, &record_a);
        ASSERT_EQ(a.code(), memory->GetNext(0, &key_b, &record_b).code());
        ASSERT_EQ(record_a, record_b);
      }
    }
  };
  same_lookups_and_steps();
  cached->ReleaseMemory();
  EXPECT_EQ(cached->cached_bytes(), 0u);
  same_lookups_and_steps();
}

TEST(PageCacheSlots, APageSizeChangedOnRereadingGetsSlotsOfItsSize) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "rewritten.dat";
  Bytes bytes(256 * 1024);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  std::unique_ptr<PageSource> source;
  ASSERT_TRUE(PageSource::OpenFile(path, false, &source, 32 * 1024).ok());
  source->set_page_size(512);
  for (std::uint32_t page = 40; page < 400; page += 5) {
    ASSERT_NE(source->Page(page), nullptr);
    source->Unpin();
  }
  ASSERT_TRUE(source->Refresh().ok());
  source->set_page_size(4096);
  std::vector<std::pair<std::uint32_t, const std::uint8_t*>> held;
  for (std::uint32_t page = 5; page < 40; page += 3) held.emplace_back(page, source->Page(page));
  for (const auto& [page, at] : held) {
    ASSERT_NE(at, nullptr);
    EXPECT_TRUE(std::equal(at, at + 4096, bytes.begin() + page * 4096)) << "page " << page;
  }
}

// The reader has the pages of the record in its cache and read it a moment ago; another process
// changes it and adds one. The reader's next lookups, made at once, give the new bytes.
TEST_P(PageCache, ACachedReaderSeesAnotherProcesssCommitAtOnce) {
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader).ok());
  Bytes key = Key(1234);
  Bytes record;
  ASSERT_TRUE(reader->GetEqual(0, &key, &record).ok());
  ASSERT_EQ(record, Record(1234, static_cast<std::uint8_t>(1234)));
  ASSERT_TRUE(reader->StepFirst(&record).ok());

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::unique_ptr<File> writer;
    bool done = File::Open(path_, &writer, {.writable = true}).ok();
    Bytes found_key = Key(1234);
    Bytes found;
    done = done && writer->GetEqual(0, &found_key, &found).ok();
    done = done && writer->Update(0, Record(1234, 0xEE)).ok();
    Bytes added = Record(kRecords + 1, 0xDD);
    done = done && writer->Insert(0, &added).ok();
    ::_exit(done ? 0 : 1);
  }
  int child_status = 0;
  ASSERT_EQ(::waitpid(child, &child_status, 0), child);
  ASSERT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);

  key = Key(1234);
  ASSERT_TRUE(reader->GetEqual(0, &key, &record).ok());
  EXPECT_EQ(record, Record(1234, 0xEE));
  key = Key(kRecords + 1);
  ASSERT_TRUE(reader->GetEqual(0, &key, &record).ok());
  EXPECT_EQ(record, Record(kRecords + 1, 0xDD));
}

// A scan of the whole file counts its records against the control record's count. Another
// process that adds records behind the scan's position while it runs (into the room deleted
// records left) makes the count larger than what the scan can find: the scan ends plainly,
// without a word of damage.
TEST_P(PageCache, AScanWhileAnotherProcessAddsBehindItEndsPlainly) {
  {
    std::unique_ptr<File> writer;
    ASSERT_TRUE(File::Open(path_, &writer, {.writable = true}).ok());
    for (std::uint32_t id = 1; id <= 200; ++id) {
      Bytes key = Key(id);
      Bytes found;
      ASSERT_TRUE(writer->GetEqual(0, &key, &found).ok() && writer->Delete().ok());
    }
  }
  std::unique_ptr<File> reader;
  ASSERT_TRUE(File::Open(path_, &reader).ok());
  Bytes record;
  ASSERT_TRUE(reader->StepFirst(&record).ok());
  std::size_t seen = 1;
  RecordBatch batch;
  for (; seen < kRecords / 2; seen += batch.size()) {
    ASSERT_TRUE(reader->StepNextBatch(100, &batch).ok());
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::unique_ptr<File> writer;
    bool done = File::Open(path_, &writer, {.writable = true}).ok();
    for (std::uint32_t id = kRecords + 1; done && id <= kRecords + 200; ++id) {
      Bytes added = Record(id, 0xAB);
      done = writer->Insert(0, &added).ok();
    }
    ::_exit(done ? 0 : 1);
  }
  int child_status = 0;
  ASSERT_EQ(::waitpid(child, &child_status, 0), child);
  ASSERT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);
  Status s;
  while ((s = reader->StepNext(&record)).ok()) ++seen;
  EXPECT_EQ(s.code(), kEndOfFile) << s.detail();
  EXPECT_LT(seen, kRecords);  // the added records went behind the scan
}

INSTANTIATE_TEST_SUITE_P(BothFormats, PageCache, ::testing::Values(Format::kNew, Format::kOld),
                         [](const ::testing::TestParamInfo<Format>& param) {
                           return param.param == Format::kNew ? "New" : "Old";
                         });

}  // namespace
}  // namespace btrieve
