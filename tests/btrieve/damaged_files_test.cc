// Damaged copies of real files: each must give a status or a fallback order, never a crash, a
// hang or a wrong record.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "support/samples.h"

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
  for (const KeyLayout& plan : file.layout().keys) {
    for (Status s = file.GetFirst(plan.number, &key, &record); s.ok();
         s = file.GetNext(plan.number, &key, &record)) {
      ++reached;
    }
    for (Status s = file.GetLast(plan.number, &key, &record); s.ok();
         s = file.GetPrevious(plan.number, &key, &record)) {
      ++reached;
    }
    key.assign(plan.key_length, 0x41);
    file.GetGreaterOrEqual(plan.number, &key, &record).IgnoreError();
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

TEST(DamagedFiles, TruncatedCopiesGiveAStatusOrReadWhatRemains) {
  for (const char* path : {"wbtrv32/assets/GALTELA.DAT", "wbtrv32/assets/VARIABLE.DAT",
                           "doclife/F20.DAT", "Xtrieve/data/fixtures/TESTE.DAT"}) {
    KEZ_NEEDS_SAMPLES(path);
    const Bytes whole = Sample(path);
    for (std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{100}, std::size_t{511},
                             std::size_t{4095}, whole.size() / 2, whole.size() - 1}) {
      SCOPED_TRACE(std::string(path) + " cut to " + std::to_string(size));
      std::unique_ptr<File> file;
      const Status s = File::OpenBytes(
          Bytes(whole.begin(), whole.begin() + static_cast<long>(size)), path, &file);
      if (!s.ok()) {
        EXPECT_TRUE(s.code() == kIoError || s.code() == kNotABtrieveFile) << s.ToString();
        EXPECT_FALSE(s.detail().empty());
        continue;
      }
      ReadEverything(*file);
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

TEST(DamagedFiles, BrokenIndexPageFallsBackToTheSameOrder) {
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
  EXPECT_EQ(KeyOrder(*damaged, 1), expected);
  EXPECT_FALSE(damaged->FallbackReason(1).empty());
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
      if (File::OpenBytes(std::move(bytes), path, &file).ok()) ReadEverything(*file);
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
      if (File::OpenBytes(std::move(bytes), path, &file).ok()) ReadEverything(*file);
    }
  }
}

}  // namespace
}  // namespace btrieve
