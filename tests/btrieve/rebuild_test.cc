// Every real sample rebuilt in both formats: the same records, and the same order on every key,
// duplicates included.
#include "btrieve/rebuild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace btrieve {
namespace {

std::vector<Bytes> PhysicalRecords(File& file) {
  std::vector<Bytes> records;
  Bytes record;
  for (Status s = file.StepFirst(&record); s.ok(); s = file.StepNext(&record)) {
    records.push_back(record);
  }
  std::sort(records.begin(), records.end());
  return records;
}

std::vector<Bytes> KeyOrder(File& file, int key) {
  std::vector<Bytes> records;
  Bytes value;
  Bytes record;
  for (Status s = file.GetFirst(key, &value, &record); s.ok();
       s = file.GetNext(key, &value, &record)) {
    records.push_back(record);
  }
  return records;
}

struct Case {
  const char* path;
  Format format;
};

class Rebuild : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { KEZ_NEEDS_SAMPLES(GetParam().path); }
};

TEST_P(Rebuild, SameRecordsInEveryOrder) {
  const auto source_path = kez::testing::SamplePath(GetParam().path);
  kez::testing::TempDir dir;
  const auto target_path = dir / "rebuilt.dat";
  RebuildOptions options;
  options.format = GetParam().format;
  RebuildReport report;
  const Status status = RebuildFile(source_path, target_path, options, &report);
  if (std::string(GetParam().path).find("MULTIACS") != std::string::npos &&
      GetParam().format == Format::kOld) {
    // Two collating sequences: an old-format file has room for one.
    EXPECT_EQ(status.code(), kInvalidAcs);
    return;
  }
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(report.chain_conflicts, 0u);

  std::unique_ptr<File> source;
  std::unique_ptr<File> target;
  ASSERT_TRUE(File::Open(source_path, &source).ok());
  ASSERT_TRUE(File::Open(target_path, &target).ok());
  const FileCheck check = CheckFile(*target);
  EXPECT_TRUE(check.ok()) << check.records_problem;
  EXPECT_EQ(target->layout().format, GetParam().format);
  EXPECT_EQ(PhysicalRecords(*target), PhysicalRecords(*source));
  ASSERT_EQ(target->layout().keys.size(), source->layout().keys.size());
  for (const KeyLayout& key : source->layout().keys) {
    EXPECT_EQ(KeyOrder(*target, key.number), KeyOrder(*source, key.number)) << "key " << key.number;
  }
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const char* path :
       {"wbtrv32/assets/GALTELA.DAT", "wbtrv32/assets/MBBSEMU.DAT", "wbtrv32/assets/MBMGEPLT.DAT",
        "wbtrv32/assets/MULTIACS.DAT", "wbtrv32/assets/VARIABLE.DAT", "wbtrv32/assets/WCCACMS2.DAT",
        "wbtrv32/assets/WGSMENU2.DAT", "Xtrieve/data/fixtures/TEST.DAT",
        "Xtrieve/data/fixtures/TESTE.DAT", "doclife/FILE.DDF", "doclife/FIELD.DDF",
        "doclife/INDEX.DDF", "doclife/F13.DAT", "doclife/F17.DAT", "doclife/F18.DAT",
        "doclife/F20.DAT", "doclife/F23.DAT", "doclife/F25.DAT"}) {
    cases.push_back({path, Format::kNew});
    cases.push_back({path, Format::kOld});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Samples, Rebuild, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           std::string name = param.param.path;
                           name = name.substr(name.find_last_of('/') + 1);
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name + (param.param.format == Format::kNew ? "_to61" : "_to5");
                         });

TEST(RebuildOptions, PageSizeChangesAndTheTargetMustBeNew) {
  KEZ_NEEDS_SAMPLES("wbtrv32/assets/WGSMENU2.DAT");
  kez::testing::TempDir dir;
  RebuildOptions options;
  options.page_size = 1024;
  RebuildReport report;
  const auto source = kez::testing::SamplePath("wbtrv32/assets/WGSMENU2.DAT");
  ASSERT_TRUE(RebuildFile(source, dir / "small.dat", options, &report).ok());
  std::unique_ptr<File> target;
  ASSERT_TRUE(File::Open(dir / "small.dat", &target).ok());
  EXPECT_EQ(target->layout().page_size, 1024u);
  EXPECT_EQ(report.records, 46u);
  EXPECT_EQ(RebuildFile(source, dir / "small.dat", options, &report).code(), kFileAlreadyExists);
}

}  // namespace
}  // namespace btrieve
