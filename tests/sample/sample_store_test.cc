// The sample store: the same seed gives the same files, the generated content has the traits of a
// real store that the extracts depend on, and JSON descriptions are read exactly or refused with
// the place of the fault.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "sample/sample_description.h"
#include "sample/sample_generator.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

constexpr LocalDateTime kUntil{2026, 1, 5};

void WriteSample(const fs::path& folder, std::uint64_t seed) {
  std::unique_ptr<SampleStoreWriter> writer;
  std::string error;
  ASSERT_TRUE(SampleStoreWriter::Start(folder, 1, false, &writer, &error)) << error;
  SampleOptions options;
  options.scale = SampleScale::kTiny;
  options.seed = seed;
  options.until = kUntil;
  ASSERT_TRUE(GenerateSampleStore(options, *writer, &error)) << error;
  ASSERT_TRUE(writer->Finish(SampleSuiteIni(kUntil), &error)) << error;
}

TEST(SampleStore, TheSameSeedWritesTheSameFilesAndAnotherSeedOthers) {
  TempDir first;
  TempDir second;
  TempDir third;
  WriteSample(first.path(), 7);
  WriteSample(second.path(), 7);
  WriteSample(third.path(), 8);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(first.path())) {
    ++files;
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadBytes(entry.path()), ReadBytes(second / name)) << name;
  }
  EXPECT_EQ(files, 10u);
  EXPECT_NE(ReadBytes(first / "SaleItem1.KEZ"), ReadBytes(third / "SaleItem1.KEZ"));
}

TEST(SampleStore, AFolderWithDataIsLeftAloneUnlessReplaced) {
  TempDir folder;
  std::ofstream(folder / "name.KEZ") << "the store's customers";
  std::unique_ptr<SampleStoreWriter> writer;
  std::string error;
  EXPECT_FALSE(SampleStoreWriter::Start(folder.path(), 1, false, &writer, &error));
  EXPECT_NE(error.find("already holds name.KEZ; give --replace"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(folder / "name.KEZ").size(), 21u);
}

// Checks the generated records as they stream by.
class StoreTraits : public RecordSink {
 public:
  bool Add(const RecordBuffer& r, std::string*) override {
    ++counts[r.table()];
    switch (r.table()) {
      case kInventory:
        items.insert(r.Integer(40));
        items_by_number[r.Text(0)] = r.Integer(40);
        break;
      case kUpc:
        items_with_upc.insert(r.Text(0));
        break;
      case kNames:
        if (r.Text(42) == std::string(8, ' ')) {
          ++blank_record_dates;
        } else {
          record_dates.insert(r.Text(42));
        }
        break;
      case kSalesItem: {
        const int sale = r.Integer(0);
        lines_of[sale].push_back(r.Integer(3));
        const float quantity = r.Single(8);
        if (quantity < 0) ++returns;
        if (quantity != static_cast<float>(static_cast<int>(quantity))) ++halves;
        if (items.count(r.Integer(5)) == 0) ++missing_items;
        break;
      }
      case kSalesHead: {
        const int sale = r.Integer(0);
        EXPECT_EQ(sale, last_sale + 1);
        const std::string invoice = r.Text(4);
        EXPECT_EQ(invoice.size(), 7u);
        EXPECT_EQ(invoice.find_first_not_of("0123456789"), std::string::npos) << invoice;
        EXPECT_GT(invoice, last_invoice);
        EXPECT_GE(r.Text(1), last_date);
        if (r.Text(11) != " ") ++set_statuses;
        last_sale = sale;
        last_invoice = invoice;
        last_date = r.Text(1);
        break;
      }
      default:
        break;
    }
    return true;
  }

  std::map<int, int> counts;
  std::set<std::int32_t> items;
  std::map<std::string, std::int32_t> items_by_number;
  std::set<std::string> items_with_upc;
  std::set<std::string> record_dates;
  std::map<int, std::vector<int>> lines_of;
  int blank_record_dates = 0;
  int returns = 0;
  int halves = 0;
  int missing_items = 0;
  int set_statuses = 0;
  int last_sale = 0;
  std::string last_invoice = "0000000";
  std::string last_date = "00000000";
};

TEST(SampleStore, AStoreYearHasTheTraitsOfARealStore) {
  StoreTraits traits;
  SampleOptions options;
  options.until = kUntil;
  std::string error;
  ASSERT_TRUE(GenerateSampleStore(options, traits, &error)) << error;

  EXPECT_EQ(traits.counts[kCommon], 1);
  EXPECT_EQ(traits.counts[kNames], 5000);
  EXPECT_NEAR(traits.counts[kSalesHead], 30000, 300);
  EXPECT_NEAR(traits.counts[kSalesItem], 100000, 5000);
  EXPECT_EQ(traits.last_date, "20260104");
  EXPECT_GT(traits.set_statuses, 300);
  EXPECT_LT(traits.set_statuses, 3000);

  int gaps = 0;
  for (const auto& [sale, numbers] : traits.lines_of) {
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.front(), 1) << sale;
    if (numbers.back() != static_cast<int>(numbers.size())) ++gaps;
  }
  EXPECT_GT(gaps, 50);
  EXPECT_GT(traits.missing_items, 100);
  EXPECT_GT(traits.returns, 500);
  EXPECT_GT(traits.halves, 500);
  EXPECT_GT(traits.items_by_number.size(), traits.items_with_upc.size());
  EXPECT_GT(traits.blank_record_dates, 50);
  EXPECT_LT(*traits.record_dates.begin(), "20230101");
}

TEST(SampleDescription, FieldsAreGivenByNameOrIndexAndTheRestAreEmpty) {
  SampleDescription description;
  std::string error;
  ASSERT_TRUE(ReadSampleDescription(R"({
      "tables": {
        "COMMON": [{"FileNumber": 3, "42": "E"}],
        "salesitem": [{"SaleNumber": 7, "3": 2, "Quantity": -1.5, "Amount": "12.3456",
                       "Description": "CAF\u00c9"}],
        "NAMES": [{"CreditLimit": 250, "RecordDate": null}]
      }})",
                                    &description, &error))
      << error;
  EXPECT_EQ(description.file_number, 3);
  ASSERT_EQ(description.records.size(), 3u);
  EXPECT_EQ(description.records[0].Text(42), "E");
  const RecordBuffer& line = description.records[1];
  EXPECT_EQ(line.table(), kSalesItem);
  EXPECT_EQ(line.Integer(0), 7);
  EXPECT_EQ(line.Integer(3), 2);
  EXPECT_EQ(line.Single(8), -1.5f);
  EXPECT_EQ(line.Money(13).ten_thousandths, 123456);
  EXPECT_EQ(line.Text(18), "CAF\xC9" + std::string(26, ' '));
  EXPECT_EQ(line.Text(4), std::string(8, ' '));
  EXPECT_EQ(description.records[2].Money(34).ten_thousandths, 2500000);
}

TEST(SampleDescription, FaultsAreRefusedWithTheirPlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"[1, 2]", "not a JSON object"},
      {R"({"tables": {"SALES": []}})", "tables.SALES: no such table"},
      {R"({"tables": {"UPC": [{"Colour": "red"}]}})", "tables.UPC[0].Colour: no such field"},
      {R"({"tables": {"UPC": [{}, {"9": "x"}]}})", "tables.UPC[1].9: no such field"},
      {R"({"tables": {"UPC": [{"Upc": 12}]}})", "tables.UPC[0].Upc: 12 is a text field"},
      {R"({"tables": {"UPC": [{"Kind": "AB"}]}})", "longer than the field's 1 characters"},
      {R"({"tables": {"SALESITEM": [{"LineNumber": 40000}]}})", "does not fit the field"},
      {R"({"tables": {"SALESITEM": [{"LineNumber": "two"}]}})", "does not fit the field"},
      {R"({"tables": {"UPC": [{"Upc": "\u4e00"}]}})", "Windows-1252 lacks"},
      {R"({"file_number": 2, "tables": {"COMMON": [{"FileNumber": 3}]}})", "differs from"},
      {R"({"table": {}})", "table: unknown entry"},
  };
  for (const auto& [json, expected] : cases) {
    SampleDescription description;
    std::string error;
    EXPECT_FALSE(ReadSampleDescription(json, &description, &error)) << json;
    EXPECT_NE(error.find(expected), std::string::npos) << json << " gave: " << error;
  }
}

}  // namespace
}  // namespace kez::testing
