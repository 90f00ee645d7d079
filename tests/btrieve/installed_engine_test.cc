// The installed-engine route, end to end through the engine's entry point (answered here by the
// test library over the built-in engine): buffers and lengths carried across the interface,
// position blocks, the Stat answer, reset, and libraries that cannot serve.
#include "btrieve/installed_engine.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/btrcall.h"
#include "btrieve/dictionary.h"
#include "btrieve/dynamic_library.h"
#include "btrieve/engine.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "btrieve/key_compare.h"
#include "btrieve/operation.h"
#include "btrieve/stat_layout.h"
#include "sample/sample_generator.h"
#include "sample/sample_store_writer.h"
#include "support/engines.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

using kez::testing::Backend;
using kez::testing::EngineFor;

// A variable-length file of fixed part 10 with one key on its first 4 bytes, and one record of
// `length` bytes.
std::filesystem::path VariableFile(const std::filesystem::path& folder, std::size_t length) {
  FilePlan plan;
  plan.record_length = 10;
  plan.page_size = 1024;
  plan.variable_length = true;
  KeyDef key;
  key.segments.push_back({0, 4, kKeyExtendedType, kTypeUnsignedBinary, 0, -1});
  plan.keys.push_back(key);
  const std::filesystem::path path = folder / "VAR.DAT";
  EXPECT_TRUE(CreateFile(path, plan, false).ok());
  std::unique_ptr<File> file;
  OpenOptions writable;
  writable.writable = true;
  EXPECT_TRUE(File::Open(path, &file, writable).ok());
  Bytes record(length);
  for (std::size_t i = 0; i < length; ++i) record[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_TRUE(file->Insert(0, &record).ok());
  return path;
}

// The entry point of the test library, called directly.
class RawCall {
 public:
  RawCall() {
    std::string error;
    library_ = DynamicLibrary::Load(kez::testing::ShimLibraryPath(), &error);
    EXPECT_NE(library_, nullptr) << error;
    if (library_) call_ = reinterpret_cast<BtrCallFunction>(library_->Find(kBtrCallName));
  }
  int operator()(int op, std::array<std::uint8_t, kPositionBlockSize>& block, Bytes& data,
                 std::uint32_t* length, std::string key, int key_number) {
    key.resize(kKeyBufferSize);
    return call_(static_cast<std::uint16_t>(op), block.data(), data.data(), length, key.data(),
                 static_cast<std::uint8_t>(key.size()), static_cast<char>(key_number));
  }

 private:
  std::unique_ptr<DynamicLibrary> library_;
  BtrCallFunction call_ = nullptr;
};

TEST(InstalledEngineInterface, ARecordLongerThanTheBufferIsStatus22WithTheLengthReturned) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = VariableFile(dir.path(), 50);
  RawCall call;
  std::array<std::uint8_t, kPositionBlockSize> block{};
  Bytes data(64, 0xEE);
  std::uint32_t length = 0;
  ASSERT_EQ(call(kOpOpen, block, data, &length, path.string(), kOpenReadOnly), 0);

  // The variable tail does not fit: what fits comes back, and its length.
  length = 20;
  EXPECT_EQ(call(kOpStepFirst, block, data, &length, "", 0), kDataBufferTooShort);
  EXPECT_EQ(length, 20u);
  EXPECT_EQ(data[0], 1);
  EXPECT_EQ(data[19], 20);
  EXPECT_EQ(data[20], 0xEE);
  // Not even the fixed part fits: nothing comes back.
  length = 6;
  data.assign(64, 0xEE);
  EXPECT_EQ(call(kOpStepFirst, block, data, &length, "", 0), kDataBufferTooShort);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(data[0], 0xEE);
  // Room enough: the whole record and its length.
  length = 64;
  EXPECT_EQ(call(kOpStepFirst, block, data, &length, "", 0), 0);
  EXPECT_EQ(length, 50u);
  EXPECT_EQ(call(kOpClose, block, data, &length, "", 0), 0);
  // A closed block is no file.
  EXPECT_EQ(call(kOpStepFirst, block, data, &length, "", 0), kFileNotOpen);
}

TEST(InstalledEngineInterface, TheEngineRouteReturnsWholeRecordsLongerThanTheCallersImage) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = VariableFile(dir.path(), 3000);
  std::shared_ptr<Engine> engine = EngineFor(Backend::kInstalled);
  std::unique_ptr<EngineFile> file;
  ASSERT_TRUE(engine->Open(path, {kOpenReadOnly, false}, &file).ok());
  Bytes key(4, 0);
  Bytes data(10, 0);
  ASSERT_TRUE(file->Call(kOpGetFirst, 0, &key, &data).ok());
  ASSERT_EQ(data.size(), 3000u);
  EXPECT_EQ(data[2999], static_cast<std::uint8_t>(3000));
  EXPECT_EQ(key, (Bytes{1, 2, 3, 4}));
}

TEST(InstalledEngineInterface, PositionBlocksOfTwoOpenFilesAreKeptApart) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = dir / "TWO.DAT";
  FilePlan plan;
  plan.record_length = 4;
  plan.page_size = 1024;
  plan.keys.push_back(KeyDef{{{0, 4, kKeyExtendedType, kTypeUnsignedBinary, 0, -1}}});
  ASSERT_TRUE(CreateFile(path, plan, false).ok());
  {
    std::unique_ptr<File> writer;
    OpenOptions writable;
    writable.writable = true;
    ASSERT_TRUE(File::Open(path, &writer, writable).ok());
    for (std::uint8_t i = 1; i <= 5; ++i) {
      Bytes record{i, 0, 0, 0};
      ASSERT_TRUE(writer->Insert(0, &record).ok());
    }
  }
  std::shared_ptr<Engine> engine = EngineFor(Backend::kInstalled);
  std::unique_ptr<EngineFile> first;
  std::unique_ptr<EngineFile> second;
  ASSERT_TRUE(engine->Open(path, {kOpenReadOnly, false}, &first).ok());
  ASSERT_TRUE(engine->Open(path, {kOpenReadOnly, false}, &second).ok());
  Bytes key(4);
  Bytes data;
  ASSERT_TRUE(first->Call(kOpGetFirst, 0, &key, &data).ok());
  ASSERT_TRUE(second->Call(kOpGetLast, 0, &key, &data).ok());
  ASSERT_TRUE(first->Call(kOpGetNext, 0, &key, &data).ok());
  EXPECT_EQ(data[0], 2);
  ASSERT_TRUE(second->Call(kOpGetPrevious, 0, &key, &data).ok());
  EXPECT_EQ(data[0], 4);
  // Get Position and Get Direct carry the 4-byte address both ways.
  Bytes position;
  ASSERT_TRUE(first->Call(kOpGetPosition, 0, &key, &position).ok());
  ASSERT_EQ(position.size(), 4u);
  ASSERT_TRUE(second->Call(kOpGetDirect, 0, &key, &position).ok());
  EXPECT_EQ(position[0], 2);
  ASSERT_TRUE(second->Call(kOpGetNext, 0, &key, &data).ok());
  EXPECT_EQ(data[0], 3);
  // Closing one leaves the other where it was.
  first.reset();
  ASSERT_TRUE(second->Call(kOpGetNext, 0, &key, &data).ok());
  EXPECT_EQ(data[0], 4);
}

TEST(InstalledEngineInterface, ResetClosesEveryFileAndLaterClosesDoNotReachTheEngine) {
  kez::testing::TempDir dir;
  const std::filesystem::path path = VariableFile(dir.path(), 12);
  std::shared_ptr<Engine> engine = EngineFor(Backend::kInstalled);
  std::unique_ptr<EngineFile> a;
  std::unique_ptr<EngineFile> b;
  ASSERT_TRUE(engine->Open(path, {kOpenReadOnly, false}, &a).ok());
  ASSERT_TRUE(engine->Open(path, {kOpenReadOnly, false}, &b).ok());
  const int resets = kez::testing::ShimResets();
  EXPECT_GE(kez::testing::ShimOpenFiles(), 2);
  ASSERT_TRUE(engine->Reset().ok());
  EXPECT_EQ(kez::testing::ShimResets(), resets + 1);
  EXPECT_EQ(kez::testing::ShimOpenFiles(), 0);
  Bytes key;
  Bytes data;
  EXPECT_EQ(a->Call(kOpStepFirst, 0, &key, &data).code(), kFileNotOpen);
  a.reset();
  b.reset();
  EXPECT_EQ(kez::testing::ShimOpenFiles(), 0);
}

TEST(InstalledEngineInterface, LibrariesThatCannotServeAreNamedWithTheReason) {
  std::shared_ptr<Engine> engine;
  const Status missing = LoadInstalledEngine("/nonexistent/libnoengine.so", &engine);
  EXPECT_EQ(missing.code(), kRecordManagerInactive);
  EXPECT_NE(missing.detail().find("/nonexistent/libnoengine.so"), std::string::npos)
      << missing.detail();
  EXPECT_EQ(engine, nullptr);

  // A library that loads but is no engine.
#ifdef _WIN32
  const std::string system_library = "kernel32.dll";
  const std::string first_usual = sizeof(void*) == 8 ? "W64BTRV.DLL" : "WBTRV32.DLL";
#else
  const std::string system_library = "libm.so.6";
  const std::string first_usual = "libpsqlmif.so";
#endif
  const Status no_entry = LoadInstalledEngine(system_library, &engine);
  EXPECT_EQ(no_entry.code(), kRecordManagerInactive);
  EXPECT_NE(no_entry.detail().find(system_library + ": loaded, but it has no BTRCALL entry point"),
            std::string::npos)
      << no_entry.detail();

  // Without a name the usual libraries are looked for, every one named.
  const std::vector<std::string> usual = InstalledEngineCandidates("");
  ASSERT_FALSE(usual.empty());
  EXPECT_EQ(usual.front(), first_usual);
  EXPECT_EQ(InstalledEngineCandidates("/x/lib.so"), std::vector<std::string>{"/x/lib.so"});
}

TEST(StatLayout, ReadsBackKeysSegmentsAndTheirFlags) {
  FileLayout layout;
  layout.record_length = 40;
  layout.page_size = 2048;
  layout.record_count = 7;
  KeyLayout two_segments;
  two_segments.flags = kKeyDuplicates | kKeyModifiable | kKeyExtendedType;
  two_segments.segments = {
      {4, 6, kKeyDuplicates | kKeyModifiable | kKeyExtendedType | kKeySegmented, kTypeString, 0,
       -1},
      {0, 4, kKeyDuplicates | kKeyModifiable | kKeyExtendedType | kKeyDescending, kTypeInteger, 0,
       -1}};
  KeyLayout legacy_binary;
  legacy_binary.number = 1;
  legacy_binary.segments = {{10, 2, kKeyBinary, 0, 0, -1}};
  layout.keys = {two_segments, legacy_binary};
  // A file of that description answers Stat with it; read it back.
  Bytes stat(16 + 3 * 16, 0);
  stat[0] = 40;
  stat[2] = 0x00;
  stat[3] = 0x08;
  stat[4] = 2;
  stat[6] = 7;
  std::uint8_t* p = &stat[16];
  for (const KeyLayout& key : layout.keys) {
    for (const KeySegment& segment : key.segments) {
      p[0] = static_cast<std::uint8_t>(segment.position + 1);
      p[2] = static_cast<std::uint8_t>(segment.length);
      p[4] = static_cast<std::uint8_t>(segment.flags & 0xFF);
      p[5] = static_cast<std::uint8_t>(segment.flags >> 8);
      p[10] = segment.type;
      p += 16;
    }
  }
  FileLayout read;
  ASSERT_TRUE(LayoutFromStat(stat, "T.DAT", &read).ok());
  EXPECT_EQ(read.record_length, 40);
  EXPECT_EQ(read.page_size, 2048u);
  EXPECT_EQ(read.record_count, 7u);
  ASSERT_EQ(read.keys.size(), 2u);
  ASSERT_EQ(read.keys[0].segments.size(), 2u);
  EXPECT_EQ(read.keys[0].key_length, 10);
  EXPECT_EQ(read.keys[0].segments[0].position, 4);
  EXPECT_EQ(read.keys[0].segments[1].type, kTypeInteger);
  EXPECT_TRUE(read.keys[0].segments[1].descending());
  EXPECT_TRUE(read.keys[0].duplicates());
  EXPECT_EQ(read.keys[1].number, 1);
  EXPECT_EQ(read.keys[1].segments[0].type, kTypeUnsignedBinary);

  // An answer cut inside its keys is damage, not fewer keys.
  stat.resize(16 + 16);
  EXPECT_EQ(LayoutFromStat(stat, "T.DAT", &read).code(), kIoError);
}

// The KEZ tables of a sample store, read on both engines: every key of every table (each key
// type the layouts use) walked forwards and searched by Get Equal, with the same records, keys,
// statuses and Stat-derived layout.
class KezTablesOnBothEngines : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<kez::SampleStoreWriter> writer;
    std::string error;
    ASSERT_TRUE(kez::SampleStoreWriter::Start(store_.path(), 1, true, &writer, &error)) << error;
    kez::SampleOptions options;
    options.scale = kez::SampleScale::kTiny;
    options.until = {2024, 3, 1, 0, 0, 0, 0};
    ASSERT_TRUE(kez::GenerateSampleStore(options, *writer, &error)) << error;
    ASSERT_TRUE(writer->Finish("[EXPORT]\r\n", &error)) << error;
  }
  kez::testing::TempDir store_;
};

struct Walk {
  std::vector<Bytes> records;
  std::vector<Bytes> keys;
  int end_status = 0;
};

Walk WalkKey(EngineFile& file, int key_number, std::size_t key_length) {
  Walk walk;
  Bytes key(key_length);
  Bytes data;
  Status status = file.Call(kOpGetFirst, key_number, &key, &data);
  while (status.ok()) {
    walk.records.push_back(data);
    walk.keys.push_back(key);
    status = file.Call(kOpGetNext, key_number, &key, &data);
  }
  walk.end_status = status.code();
  return walk;
}

void ExpectSameKeys(const FileLayout& stat, const FileLayout& own) {
  EXPECT_EQ(stat.record_length, own.record_length);
  ASSERT_EQ(stat.keys.size(), own.keys.size());
  for (std::size_t k = 0; k < own.keys.size(); ++k) {
    EXPECT_EQ(stat.keys[k].number, own.keys[k].number);
    ASSERT_EQ(stat.keys[k].segments.size(), own.keys[k].segments.size());
    for (std::size_t s = 0; s < own.keys[k].segments.size(); ++s) {
      const KeySegment& a = stat.keys[k].segments[s];
      const KeySegment& b = own.keys[k].segments[s];
      EXPECT_EQ(a.position, b.position);
      EXPECT_EQ(a.length, b.length);
      EXPECT_EQ(a.type, b.type);
      EXPECT_EQ(a.flags, b.flags);
    }
  }
}

TEST_F(KezTablesOnBothEngines, EveryKeyReadsTheSameAndEveryRecordIsFoundByItsKey) {
  Dictionary dictionary;
  ASSERT_TRUE(Dictionary::Load(store_.path(), &dictionary).ok());
  std::shared_ptr<Engine> installed = EngineFor(Backend::kInstalled);
  std::shared_ptr<Engine> built_in = EngineFor(Backend::kBuiltIn);
  Dictionary through_installed;
  ASSERT_TRUE(Dictionary::Load(store_.path(), *installed, &through_installed).ok());
  ASSERT_EQ(through_installed.tables().size(), dictionary.tables().size());
  for (std::size_t t = 0; t < dictionary.tables().size(); ++t) {
    EXPECT_EQ(through_installed.tables()[t].fields.size(), dictionary.tables()[t].fields.size());
    EXPECT_EQ(through_installed.tables()[t].index.size(), dictionary.tables()[t].index.size());
  }

  for (const TableDef& definition : dictionary.tables()) {
    SCOPED_TRACE(definition.name);
    std::unique_ptr<EngineFile> own;
    std::unique_ptr<EngineFile> theirs;
    ASSERT_TRUE(built_in->Open(dictionary.DataFile(definition), {kOpenReadOnly, false}, &own).ok());
    ASSERT_TRUE(
        installed->Open(dictionary.DataFile(definition), {kOpenReadOnly, false}, &theirs).ok());
    ExpectSameKeys(theirs->layout(), own->layout());
    EXPECT_EQ(theirs->built_in_file(), nullptr);

    for (const KeyLayout& key : own->layout().keys) {
      SCOPED_TRACE("key " + std::to_string(key.number));
      const KeyComparator compare(key, own->layout());
      const Walk a = WalkKey(*own, key.number, compare.key_length());
      const Walk b = WalkKey(*theirs, key.number, compare.key_length());
      EXPECT_EQ(a.records, b.records);
      EXPECT_EQ(a.keys, b.keys);
      EXPECT_EQ(a.end_status, kEndOfFile);
      EXPECT_EQ(b.end_status, kEndOfFile);
      // Each record is found again by its key value, in full and key only.
      for (const Bytes& record : a.records) {
        Bytes search(compare.key_length());
        compare.Extract(record, search.data());
        Bytes found_key = search;
        Bytes data;
        ASSERT_EQ(theirs->Call(kOpGetEqual, key.number, &found_key, &data).code(), kOk);
        EXPECT_EQ(found_key, search);
        Bytes found(compare.key_length());
        compare.Extract(data, found.data());
        EXPECT_EQ(found, search);
        ASSERT_EQ(theirs->Call(kOpGetEqual + kKeyOnlyBias, key.number, &found_key, &data).code(),
                  kOk);
        EXPECT_TRUE(data.empty());
      }
    }
    // Statuses pass through unchanged: a key the file does not have, a move without a position.
    const int missing_key = static_cast<int>(own->layout().keys.size()) + 3;
    Bytes key(8);
    Bytes data;
    EXPECT_EQ(theirs->Call(kOpGetFirst, missing_key, &key, &data).code(),
              own->Call(kOpGetFirst, missing_key, &key, &data).code());
  }
}

}  // namespace
}  // namespace btrieve
