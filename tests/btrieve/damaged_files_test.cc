// Damaged copies of real files: a reader gets status 2 from the operation that meets the damage,
// never a short or wrong answer; a salvaging reader gets what can still be read, in a fallback
// order where an index fails. Never a crash or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

Bytes Sample(const char* path) { return kez::testing::ReadBytes(kez::testing::SamplePath(path)); }

// Reads everything a program could ask of the file; returns the number of records reached.
std::size_t ReadEverything(File& file) {
  std::size_t reached = 0;
  Bytes key;
  Bytes record;
  for (Status s = file.StepFirst(&record); s.ok(); s = file.StepNext(&record)) ++reached;
  for (Status s = file.StepLast(&record); s.ok(); s = file.StepPrevious(&record)) ++reached;
  // A read that meets damage reads the file's structures again, the key list with them: the keys
  // are taken by number first.
  std::vector<std::pair<int, std::uint16_t>> keys;
  for (const KeyLayout& plan : file.layout().keys) keys.emplace_back(plan.number, plan.key_length);
  for (const auto& [number, length] : keys) {
    for (Status s = file.GetFirst(number, &key, &record); s.ok();
         s = file.GetNext(number, &key, &record)) {
      ++reached;
    }
    for (Status s = file.GetLast(number, &key, &record); s.ok();
         s = file.GetPrevious(number, &key, &record)) {
      ++reached;
    }
    key.assign(length, 0x41);
    file.GetGreaterOrEqual(number, &key, &record).IgnoreError();
  }
  CheckFile(file);
  return reached;
}

// The records of a key in order, as (position, record) pairs.
std::vector<std::pair<std::uint32_t, Bytes>> KeyOrder(File& file, int key_number) {
  std::vector<std::pair<std::uint32_t, Bytes>> order;
  Bytes key;
  Bytes record;
  for (Status s = file.GetFirst(key_number, &key, &record); s.ok();
       s = file.GetNext(key_number, &key, &record)) {
    std::uint32_t position = 0;
    EXPECT_TRUE(file.GetPosition(&position).ok());
    order.emplace_back(position, record);
  }
  return order;
}

// The number of records each key's walk reaches, and whether every walk ended normally.
struct Walks {
  std::vector<std::size_t> reached;
  bool ended = true;
};

Walks WalkEveryKey(File& file, const std::vector<int>& keys) {
  Walks walks;
  Bytes key;
  Bytes record;
  for (int number : keys) {
    std::size_t reached = 0;
    Status s = file.GetFirst(number, &key, &record);
    for (; s.ok(); s = file.GetNext(number, &key, &record)) ++reached;
    walks.reached.push_back(reached);
    walks.ended = walks.ended && s.code() == kEndOfFile;
  }
  return walks;
}

TEST(DamagedFiles, TruncatedCopiesAreRefusedOrSalvaged) {
  for (const char* path : {"wbtrv32/assets/GALTELA.DAT", "wbtrv32/assets/VARIABLE.DAT",
                           "doclife/F20.DAT", "Xtrieve/data/fixtures/TESTE.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    const Bytes whole = Sample(path);
    std::unique_ptr<File> good;
    ASSERT_TRUE(File::OpenBytes(whole, path, &good).ok());
    std::vector<int> keys;
    for (const KeyLayout& plan : good->layout().keys) keys.push_back(plan.number);
    const Walks expected = WalkEveryKey(*good, keys);
    for (std::size_t size :
         {std::size_t{0}, std::size_t{3}, std::size_t{100}, std::size_t{511}, std::size_t{4095},
          whole.size() / 3, whole.size() / 2, whole.size() - 4096, whole.size() - 1}) {
      SCOPED_TRACE(std::string(path) + " cut to " + std::to_string(size));
      const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
      std::unique_ptr<File> file;
      Status s = File::OpenBytes(cut, path, &file);
      if (s.ok()) {
        // Only pages nothing uses were cut (GALTELA.DAT ends in pages its tables do not map).
        EXPECT_EQ(WalkEveryKey(*file, keys).reached, expected.reached);
      } else {
        EXPECT_TRUE(s.code() == kIoError || s.code() == kNotABtrieveFile) << s.ToString();
        EXPECT_FALSE(s.detail().empty());
      }
      s = File::OpenBytes(cut, path, &file, /*salvage=*/true);
      if (s.ok()) ReadEverything(*file);
    }
  }
}

TEST(DamagedFiles, ControlRecordDamageIsRefusedWithAReason) {
  KEZ_NEEDS_SAMPLES("doclife/F20.DAT", "wbtrv32/assets/GALTELA.DAT");
  Bytes bytes = Sample("doclife/F20.DAT");
  bytes[0x08] = 0x13;  // page size 0x1013
  std::unique_ptr<File> file;
  Status s = File::OpenBytes(bytes, "F20.DAT", &file);
  EXPECT_EQ(s.code(), kNotABtrieveFile);
  EXPECT_NE(s.detail().find("page size"), std::string::npos) << s.detail();

  bytes = Sample("wbtrv32/assets/GALTELA.DAT");
  bytes[4096 + 0x76] = 9;  // the current control record's second key count
  s = File::OpenBytes(bytes, "GALTELA.DAT", &file);
  EXPECT_EQ(s.code(), kNotABtrieveFile);

  s = File::OpenBytes(Bytes(4096, 'x'), "FILE.DDF", &file);
  EXPECT_EQ(s.code(), kNotABtrieveFile);

  // A page count near 2^32 in both control records (high word first): far more pages than the
  // file's allocation tables could map, however the count of tables is reckoned.
  bytes = Sample("wbtrv32/assets/GALTELA.DAT");
  for (std::size_t fcr : {std::size_t{0}, std::size_t{4096}}) {
    const std::uint8_t count[] = {0xFF, 0xFF, 0xF8, 0xFF};
    std::copy(std::begin(count), std::end(count), bytes.begin() + fcr + 0x26);
  }
  s = File::OpenBytes(bytes, "GALTELA.DAT", &file);
  EXPECT_EQ(s.code(), kIoError);
  EXPECT_NE(s.detail().find("allocation tables"), std::string::npos) << s.detail();

  // The third key numbered 0 like the first: writes, which find a key's state by its number,
  // would leave the third key's index behind.
  bytes = Sample("wbtrv32/assets/GALTELA.DAT");
  for (std::size_t fcr : {std::size_t{0}, std::size_t{4096}}) {
    const std::size_t table = LoadU16(&bytes[fcr + 0x78]);
    bytes[fcr + LoadU16(&bytes[fcr + table + 4]) + 0x18] = 0x80;
  }
  s = File::OpenBytes(bytes, "GALTELA.DAT", &file, /*salvage=*/true);
  EXPECT_EQ(s.code(), kNotABtrieveFile);
  EXPECT_NE(s.detail().find("carries key number 0"), std::string::npos) << s.detail();
}

TEST(DamagedFiles, OnlyUncompressedBlankTruncationIsRefused) {
  KEZ_NEEDS_SAMPLES("doclife/F10.DAT");
  const Bytes original = Sample("doclife/F10.DAT");
  std::unique_ptr<File> file;
  // The flag, or the variable byte's FD, on an uncompressed file: the blanks cut off cannot be
  // put back.
  for (const bool by_flag : {true, false}) {
    Bytes bytes = original;
    if (by_flag) {
      StoreU16(&bytes[0x106], static_cast<std::uint16_t>(LoadU16(&bytes[0x106]) | 0x0002));
    } else {
      bytes[0x38] = 0xFD;
    }
    const Status s = File::OpenBytes(bytes, "F10.DAT", &file);
    EXPECT_EQ(s.code(), kNotABtrieveFile);
    EXPECT_NE(s.detail().find("truncates trailing blanks"), std::string::npos) << s.detail();
  }
  // With compression the image holds the whole record: the flag is no reason to refuse. (This
  // copy's slots are not compressed images, so reading its records may still fail.)
  Bytes bytes = original;
  StoreU16(&bytes[0x106], 0x000B);
  bytes[0x38] = 0xFD;
  const Status s = File::OpenBytes(bytes, "F10.DAT", &file, /*salvage=*/true);
  EXPECT_EQ(s.detail().find("trailing blanks"), std::string::npos) << s.ToString();
}

TEST(DamagedFiles, NewerVersionsAreRecognisedAndRefused) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/MULTIACS.DAT");
  Bytes bytes = Sample("wbtrv32/assets/MULTIACS.DAT");
  StoreU16(&bytes[0x4A], 0x0900);
  std::unique_ptr<File> file;
  const Status s = File::OpenBytes(bytes, "MULTIACS.DAT", &file);
  EXPECT_EQ(s.code(), kNotABtrieveFile);
  EXPECT_NE(s.detail().find("9.0"), std::string::npos) << s.detail();
}

TEST(DamagedFiles, BrokenIndexPageIsStatus2OrSalvagedInTheSameOrder) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WCCACMS2.DAT");
  std::unique_ptr<File> good;
  const Bytes original = Sample("wbtrv32/assets/WCCACMS2.DAT");
  ASSERT_TRUE(File::OpenBytes(original, "good", &good).ok());
  const auto expected = KeyOrder(*good, 0);
  ASSERT_EQ(expected.size(), 7639u);

  // Point the root's first child at the control record page.
  const std::uint32_t root = good->PhysicalPage(good->layout().keys[0].root);
  Bytes bytes = original;
  StoreU32(&bytes[root * 4096 + 12], 0x00000000);
  std::unique_ptr<File> damaged;
  ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged).ok());
  Bytes key;
  Bytes record;
  const Status s = damaged->GetFirst(0, &key, &record);
  EXPECT_EQ(s.code(), kIoError);
  EXPECT_NE(s.detail().find("index page"), std::string::npos) << s.detail();

  ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged, /*salvage=*/true).ok());
  EXPECT_EQ(KeyOrder(*damaged, 0), expected);
  EXPECT_NE(damaged->FallbackReason(0).find("index page"), std::string::npos)
      << damaged->FallbackReason(0);
  EXPECT_FALSE(CheckFile(*damaged).ok());
}

TEST(DamagedFiles, IndexEntryPointingAtTheWrongRecordIsCaughtMidWalk) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  std::unique_ptr<File> good;
  const Bytes original = Sample("wbtrv32/assets/VARIABLE.DAT");
  ASSERT_TRUE(File::OpenBytes(original, "good", &good).ok());
  const auto expected = KeyOrder(*good, 1);

  // Swap the record addresses of two entries of a leaf of key 1 (unique u16 key).
  const std::uint32_t root = good->layout().keys[1].root;
  const std::uint8_t* page = &original[root * 512];
  const std::uint32_t leaf = LoadWs32(page + 12);  // the root's first child
  Bytes bytes = original;
  std::uint8_t* entries = &bytes[leaf * 512 + 12];
  const std::size_t size = good->layout().keys[1].entry_size;
  std::swap_ranges(entries + 6, entries + 10, entries + size * 3 + 6);
  std::unique_ptr<File> damaged;
  ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged).ok());
  // The walk stops with status 2 at the swapped entry, after the records before it.
  Bytes key;
  Bytes record;
  std::size_t reached = 0;
  Status s = damaged->GetFirst(1, &key, &record);
  for (; s.ok(); s = damaged->GetNext(1, &key, &record)) {
    ASSERT_LT(reached, expected.size());
    EXPECT_EQ(record, expected[reached].second);
    ++reached;
  }
  EXPECT_EQ(s.code(), kIoError) << s.ToString();
  EXPECT_NE(s.detail().find("does not match"), std::string::npos) << s.detail();
  EXPECT_LT(reached, expected.size());

  ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged, /*salvage=*/true).ok());
  EXPECT_EQ(KeyOrder(*damaged, 1), expected);
  EXPECT_FALSE(damaged->FallbackReason(1).empty());

  // The same from a file on disk, where a read that meets damage is repeated (another process
  // may have been writing): the repeat searches for the value asked for, and gives status 2 too.
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "damaged.dat";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  ASSERT_TRUE(File::Open(path, &damaged).ok());
  for (const auto& [position, wanted] : expected) {
    key.assign(good->layout().keys[1].key_length, 0);
    std::copy(wanted.begin() + 6, wanted.begin() + 8, key.begin());  // key 1: the u16 at 6
    const Status found = damaged->GetEqual(1, &key, &record);
    EXPECT_TRUE(found.ok() || found.code() == kIoError) << found.ToString();
    if (found.ok()) {
      EXPECT_EQ(record, wanted);
    }
  }
}

// Read in batches, a walk that meets a wrong entry in the middle of a batch ends the batch before
// it, and the next batch gives the status; a salvaging reader rebuilds the order there and the
// batch goes on from the same record.
TEST(DamagedFiles, WrongEntryInTheMiddleOfABatch) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  std::unique_ptr<File> good;
  const Bytes original = Sample("wbtrv32/assets/VARIABLE.DAT");
  ASSERT_TRUE(File::OpenBytes(original, "good", &good).ok());
  const auto expected = KeyOrder(*good, 1);
  // Entries 4 and 7 of key 1's first leaf swap their record addresses.
  const std::uint32_t leaf = LoadWs32(&original[good->layout().keys[1].root * 512 + 12]);
  Bytes bytes = original;
  std::uint8_t* entries = &bytes[leaf * 512 + 12];
  const std::size_t entry = good->layout().keys[1].entry_size;
  std::swap_ranges(entries + entry * 4 + 6, entries + entry * 4 + 10, entries + entry * 7 + 6);

  for (const auto& [salvage, batch_size] : {std::pair{false, 3}, {false, 7}, {true, 3}}) {
    SCOPED_TRACE("batches of " + std::to_string(batch_size) + (salvage ? ", salvaging" : ""));
    std::unique_ptr<File> damaged;
    ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged, salvage).ok());
    Bytes key;
    Bytes record;
    std::vector<Bytes> batched;
    RecordBatch batch;
    Status s = damaged->GetFirst(1, &key, &record);
    if (s.ok()) batched.push_back(record);
    while (s.ok() &&
           (s = damaged->GetNextBatch(1, static_cast<std::size_t>(batch_size), &batch)).ok()) {
      for (std::size_t i = 0; i < batch.size(); ++i) {
        batched.emplace_back(batch[i].begin(), batch[i].end());
      }
    }
    if (salvage) {
      EXPECT_EQ(s.code(), kEndOfFile) << s.ToString();
      ASSERT_EQ(batched.size(), expected.size());
    } else {
      EXPECT_EQ(s.code(), kIoError) << s.ToString();
      ASSERT_EQ(batched.size(), 4u);
    }
    for (std::size_t i = 0; i < batched.size(); ++i) EXPECT_EQ(batched[i], expected[i].second);
  }
}

// Another program overwrote the file while it was open: the read that finds it fails, and a
// check of the file afterwards says the file can no longer be read instead of failing itself.
TEST(DamagedFiles, ACheckOfAFileOverwrittenWhileOpenSaysItCannotBeRead) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WCCACMS2.DAT");
  const Bytes original = Sample("wbtrv32/assets/WCCACMS2.DAT");
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "overwritten.dat";
  const auto write = [&](const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  };
  write(original);
  std::unique_ptr<File> file;
  ASSERT_TRUE(File::Open(path, &file).ok());
  Bytes garbage(original.size(), 0);
  StoreU32(garbage.data() + 4, 99);  // a usage count the reader has not seen
  write(garbage);
  Bytes record;
  EXPECT_FALSE(file->StepFirst(&record).ok());
  const FileCheck check = CheckFile(*file);
  EXPECT_FALSE(check.ok());
  EXPECT_NE(check.records_problem.find("cannot be read"), std::string::npos)
      << check.records_problem;
}

// A new file of `plan` holding records 1..count, each its id (`id_bytes` bytes) then `fill`:
// the file's bytes.
Bytes FileOfRecords(const std::filesystem::path& path, const FilePlan& plan, std::uint32_t count,
                    std::size_t id_bytes, std::uint8_t fill) {
  EXPECT_TRUE(CreateFile(path, plan, false).ok());
  std::unique_ptr<File> writer;
  EXPECT_TRUE(File::Open(path, &writer, {.writable = true}).ok());
  for (std::uint32_t id = 1; id <= count && writer; ++id) {
    Bytes record(plan.record_length, fill);
    if (id_bytes == 4) StoreU32(record.data(), id);
    if (id_bytes == 2) StoreU16(record.data(), static_cast<std::uint16_t>(id));
    EXPECT_TRUE(writer->Insert(0, &record).ok());
  }
  writer.reset();
  return kez::testing::ReadBytes(path);
}

void Overwrite(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// Allocation tables whose entries are all ones map their pages nowhere. Every read through them
// ends in a status, salvaging or not; none may crash or answer with another page's bytes.
TEST(DamagedFiles, AllocationTablesOfAllOnesMapNoPage) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "ones.dat";
  FilePlan plan;
  plan.page_size = 512;
  plan.record_length = 16;
  plan.keys.push_back({{{0, 4, 0, kTypeInteger, 0, -1}}});
  Bytes bytes = FileOfRecords(path, plan, 5, 4, 0x20);
  for (const std::size_t page : {2u, 3u}) {  // both copies of the first table
    std::fill(bytes.begin() + static_cast<long>(page * 512 + 8),
              bytes.begin() + static_cast<long>(page * 512 + 512), 0xFF);
  }
  Overwrite(path, bytes);
  for (const bool salvage : {false, true}) {
    std::unique_ptr<File> file;
    if (!File::Open(path, &file, {.salvage = salvage}).ok()) continue;
    Bytes key, record;
    EXPECT_FALSE(file->GetFirst(0, &key, &record).ok()) << "salvage " << salvage;
    if (!salvage) {
      // The tables hide every data page: a scan finds none of the five records the control
      // record counts, and must say so rather than end as an empty file ends.
      EXPECT_EQ(file->StepFirst(&record).code(), kIoError);
      EXPECT_EQ(file->StepLast(&record).code(), kIoError);
    }
    ReadEverything(*file);
  }
}

// A control record may claim slots shorter than the link a freed slot holds (4 bytes, after the
// 2-byte usage count in new files). Reading goes on; a write is refused before it changes
// anything, where a delete of a page's last slot used to write the link past the page.
TEST(DamagedFiles, SlotsTooShortForTheFreeSlotLinkRefuseWrites) {
  for (const Format format : {Format::kNew, Format::kOld}) {
    kez::testing::TempDir dir;
    const std::filesystem::path path = dir / "short.dat";
    FilePlan plan;
    plan.format = format;
    plan.page_size = 512;
    plan.record_length = 4;
    plan.keys.push_back({{{0, 2, kKeyDuplicates, kTypeInteger, 0, -1}}});
    Bytes bytes = FileOfRecords(path, plan, 300, 2, 0x11);
    const bool is_new = format == Format::kNew;
    // Both copies of the control record: record length 2, slots of 4 (new) or 2 (old) bytes.
    for (const std::size_t fcr :
         is_new ? std::vector<std::size_t>{0, 512} : std::vector<std::size_t>{0}) {
      StoreU16(&bytes[fcr + 0x16], 2);
      StoreU16(&bytes[fcr + 0x18], is_new ? 4 : 2);
    }
    Overwrite(path, bytes);

    std::unique_ptr<File> file;
    ASSERT_TRUE(File::Open(path, &file, {.writable = true}).ok()) << is_new;
    Bytes record;
    std::size_t read = 0;
    for (Status s = file->StepLast(&record); s.ok(); s = file->StepPrevious(&record)) {
      ++read;
      if (read == 1) {
        const Status deleted = file->Delete();
        EXPECT_EQ(deleted.code(), kIoError) << is_new;
        EXPECT_NE(deleted.detail().find("no room for the free-slot link"), std::string::npos)
            << deleted.detail();
      }
    }
    EXPECT_GT(read, 0U);
    Bytes insert(2, 0x22);
    EXPECT_EQ(file->Insert(0, &insert).code(), kIoError);
    file.reset();
    EXPECT_EQ(kez::testing::ReadBytes(path), bytes) << "the refused writes changed the file";
  }
}

// A data page whose header was damaged is, by its header, no data page; the allocation table
// still says it is. A physical scan in either direction, single steps or batches, ends at it with
// status 2 instead of passing over its records and ending short without a word; a salvaging
// reader passes over it and reads the rest.
TEST(DamagedFiles, APhysicalScanDoesNotPassQuietlyOverADamagedDataPage) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WCCACMS2.DAT");
  const Bytes original = Sample("wbtrv32/assets/WCCACMS2.DAT");
  std::unique_ptr<File> good;
  ASSERT_TRUE(File::OpenBytes(original, "good", &good).ok());
  Bytes record;
  ASSERT_TRUE(good->StepFirst(&record).ok());
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(good->StepNext(&record).ok());
  std::uint32_t address = 0;
  ASSERT_TRUE(good->GetPosition(&address).ok());
  const std::uint32_t page = good->PhysicalPage(address / good->layout().page_size);
  Bytes bytes = original;
  bytes[std::size_t{page} * good->layout().page_size] ^= 0xFF;

  for (const bool salvage : {false, true}) {
    SCOPED_TRACE(salvage ? "salvaging" : "reading");
    std::unique_ptr<File> damaged;
    ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged, salvage).ok());
    std::size_t forward = 0;
    Status s = damaged->StepFirst(&record);
    for (; s.ok(); s = damaged->StepNext(&record)) ++forward;
    std::size_t backward = 0;
    Status back = damaged->StepLast(&record);
    for (; back.ok(); back = damaged->StepPrevious(&record)) ++backward;
    std::size_t batched = 0;
    RecordBatch batch;
    Status b = damaged->StepFirst(&record);
    if (b.ok()) ++batched;
    while (b.ok() && (b = damaged->StepNextBatch(100, &batch)).ok()) batched += batch.size();
    if (salvage) {
      EXPECT_EQ(s.code(), kEndOfFile);
      EXPECT_EQ(back.code(), kEndOfFile);
      EXPECT_EQ(b.code(), kEndOfFile);
      EXPECT_LT(forward, 7639u);
      EXPECT_EQ(backward, forward);
      EXPECT_EQ(batched, forward);
    } else {
      EXPECT_EQ(s.code(), kIoError) << s.ToString();
      EXPECT_NE(s.detail().find("is a data page by the allocation table"), std::string::npos);
      EXPECT_EQ(back.code(), kIoError) << back.ToString();
      EXPECT_EQ(b.code(), kIoError) << b.ToString();
      EXPECT_EQ(batched, forward);
      EXPECT_LE(forward, 3000u);  // the records of the pages before the damaged one
      EXPECT_GT(forward, 2900u);
    }
  }
}

TEST(DamagedFiles, DamagedVariablePageGivesStatus54) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/VARIABLE.DAT");
  Bytes bytes = Sample("wbtrv32/assets/VARIABLE.DAT");
  std::unique_ptr<File> good;
  ASSERT_TRUE(File::OpenBytes(bytes, "good", &good).ok());
  // Overwrite every variable page's fragment count with nonsense.
  for (std::size_t page = 1; page * 512 < bytes.size(); ++page) {
    std::uint8_t* p = &bytes[page * 512];
    if (LoadWs32(p) == page && !(LoadU16(p + 4) & 0x8000) && LoadU32(p + 6) == kNoPointer) {
      StoreU16(p + 0x0A, 0x7FFF);
    }
  }
  std::unique_ptr<File> damaged;
  ASSERT_TRUE(File::OpenBytes(bytes, "damaged", &damaged).ok());
  Bytes record;
  Status s = damaged->StepFirst(&record);
  while (s.ok()) s = damaged->StepNext(&record);
  EXPECT_EQ(s.code(), kVariablePageError) << s.ToString();
  RecordBatch batch;
  s = damaged->StepFirst(&record);
  while (s.ok()) s = damaged->StepNextBatch(64, &batch);
  EXPECT_EQ(s.code(), kVariablePageError) << s.ToString();
}

// One byte flipped at every `step`-th place: a reader that gets to the end of every key reaches
// exactly the records the undamaged file holds; anything else ends with a status. Returns how
// many copies were read to the end (the flip missed what the keys use) for the caller to see
// that both kinds occurred.
std::size_t ExpectNoShortWalks(const char* path, std::size_t step, std::uint8_t mask) {
  const Bytes original = Sample(path);
  std::unique_ptr<File> good;
  EXPECT_TRUE(File::OpenBytes(original, path, &good).ok());
  if (!good) return 0;
  std::vector<int> keys;
  for (const KeyLayout& plan : good->layout().keys) keys.push_back(plan.number);
  const Walks expected = WalkEveryKey(*good, keys);
  std::size_t whole = 0;
  for (std::size_t i = 0; i < original.size(); i += step) {
    Bytes bytes = original;
    bytes[i] ^= mask;
    std::unique_ptr<File> file;
    if (!File::OpenBytes(std::move(bytes), path, &file).ok()) continue;
    if (file->layout().keys.size() != keys.size()) continue;
    const Walks walks = WalkEveryKey(*file, keys);
    if (!walks.ended) continue;
    ++whole;
    EXPECT_EQ(walks.reached, expected.reached) << path << ": byte " << i << " flipped";
  }
  return whole;
}

TEST(DamagedFiles, FlippedBytesNeverGiveAShortWalk) {
  for (const char* path : {"wbtrv32/assets/MBBSEMU.DAT", "Xtrieve/data/fixtures/TEST.DAT",
                           "doclife/F20.DAT", "wbtrv32/assets/GALTELA.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    const std::size_t step = Sample(path).size() > 20000 ? 97 : 1;
    EXPECT_GT(ExpectNoShortWalks(path, step, 0xFF), 0u) << path;
  }
}

// Every single byte of small files flipped in turn: whatever happens, no crash and no hang
// (the sanitizers and the test timeout watch).
TEST(DamagedFiles, EveryByteFlippedInSmallFiles) {
  for (const char* path : {"wbtrv32/assets/MBBSEMU.DAT", "Xtrieve/data/fixtures/TEST.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    const Bytes original = Sample(path);
    for (std::size_t i = 0; i < original.size(); ++i) {
      Bytes bytes = original;
      bytes[i] ^= 0xFF;
      std::unique_ptr<File> file;
      if (File::OpenBytes(bytes, path, &file).ok()) ReadEverything(*file);
      if (File::OpenBytes(std::move(bytes), path, &file, /*salvage=*/true).ok()) {
        ReadEverything(*file);
      }
    }
  }
}

TEST(DamagedFiles, SampledBytesFlippedInNewFormatFiles) {
  for (const char* path : {"wbtrv32/assets/GALTELA.DAT", "wbtrv32/assets/WGSMENU2.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    const Bytes original = Sample(path);
    for (std::size_t i = 0; i < original.size(); i += 173) {
      Bytes bytes = original;
      bytes[i] ^= 0x5A;
      std::unique_ptr<File> file;
      if (File::OpenBytes(bytes, path, &file).ok()) ReadEverything(*file);
      if (File::OpenBytes(std::move(bytes), path, &file, /*salvage=*/true).ok()) {
        ReadEverything(*file);
      }
    }
  }
}

}  // namespace
}  // namespace btrieve
