// kezagg's data commands as a user runs them: the stored data location, a sample store, a table
// read back through the record layer, and a data file's records in hex.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "support/temp_dir.h"

namespace kez::testing {
namespace {

namespace fs = std::filesystem;

class KezaggDataTest : public ::testing::Test {
 protected:
  // Runs kezagg with `arguments` and this test's own settings folder; returns the exit code and
  // keeps standard output and error (together) in `output`.
  // `app_dir`, when given, is the program folder (KEZ_APP_DIR) of commands without --app-dir.
  int Run(const std::string& arguments, const fs::path& app_dir = {}) {
    const std::string app =
        app_dir.empty() ? std::string() : "KEZ_APP_DIR='" + app_dir.string() + "' ";
    const std::string command = app + "XDG_CONFIG_HOME='" + config_.path().string() + "' " +
                                KEZ_KEZAGG + " " + arguments + " 2>&1";
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
      output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool Says(std::string_view text) { return output.find(text) != std::string::npos; }
  std::size_t Lines() {
    return static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
  }

  TempDir config_;
  TempDir work_;
  std::string output;
};

TEST_F(KezaggDataTest, AStoredDataPathServesTheCommandsThatNeedData) {
  const fs::path store = work_ / "store";
  ASSERT_EQ(Run("datapath show"), 0) << output;
  EXPECT_TRUE(Says("DATAPATH is not set")) << output;
  EXPECT_EQ(Run("dump SALESHEAD"), 2);
  EXPECT_TRUE(Says("kezagg datapath set DIR")) << output;

  EXPECT_EQ(Run("datapath set '" + (work_ / "nowhere").string() + "'"), 1);
  EXPECT_TRUE(Says("KEZ Marketing Portal: Data Path Not Found.\nUse the Browse method")) << output;

  ASSERT_EQ(Run("sample --scale tiny --until 2026-01-05 --out '" + store.string() + "'"), 0)
      << output;
  EXPECT_TRUE(Says("SALESHEAD 50,")) << output;
  EXPECT_EQ(Run("sample --scale tiny --out '" + store.string() + "'"), 1);
  EXPECT_TRUE(Says("give --replace")) << output;

  ASSERT_EQ(Run("datapath set '" + store.string() + "/' --station 60 --network"), 0) << output;
  EXPECT_TRUE(Says("station 60 is above 50")) << output;
  ASSERT_EQ(Run("datapath show"), 0);
  EXPECT_TRUE(Says("DATAPATH=" + store.string() + "\nSTATION=1\n")) << output;
  EXPECT_TRUE(Says("NETWORK=True")) << output;
  EXPECT_TRUE(fs::exists(config_ / "KEZ" / "KEZ Settings.ini"));

  ASSERT_EQ(Run("settings reset"), 0) << output;
  EXPECT_TRUE(fs::exists(store / "portal.xml"));
  ASSERT_EQ(Run("dump SALESHEAD"), 0) << output;
  EXPECT_EQ(Lines(), 51u);
  EXPECT_EQ(output.rfind("SaleNumber,SaleDate,Station,Clerk,Invoice,", 0), 0u) << output;
  EXPECT_TRUE(Says("\n1,20251215,")) << output;
  ASSERT_EQ(Run("dump --data-path '" + store.string() + "' SALESITEM --key 0 --format jsonl"), 0);
  EXPECT_EQ(output.rfind("{\"SaleNumber\":1,\"Station\":", 0), 0u) << output;
  // Singles show the digits a single holds.
  EXPECT_TRUE(Says("\"LineField15\":0.07,")) << output;
  EXPECT_FALSE(Says("0.0700000")) << output;
}

TEST_F(KezaggDataTest, ADescribedStoreHoldsExactlyItsRecordsUnderItsFileNumber) {
  const fs::path description = work_ / "store.json";
  std::ofstream(description) << R"({"tables": {
      "COMMON": [{"FileNumber": 3}],
      "SALESHEAD": [{"SaleNumber": 12, "SaleDate": "20260102", "Invoice": "0000012"}]}})";
  const fs::path store = work_ / "described";
  ASSERT_EQ(Run("sample --from '" + description.string() + "' --out '" + store.string() + "'"), 0)
      << output;
  for (const char* name : {"COMMON.KEZ", "invt3.KEZ", "SaleHead3.KEZ", "UPC3.KEZ", "SaleItem3.KEZ",
                           "name.KEZ", "FILE.DDF", "KEZ.INI"}) {
    EXPECT_TRUE(fs::exists(store / name)) << name;
  }
  ASSERT_EQ(Run("dump --data-path '" + store.string() + "' SALESHEAD"), 0) << output;
  EXPECT_EQ(Lines(), 2u);
  EXPECT_TRUE(Says("\n12,20260102,0,        ,0000012,")) << output;

  for (const char* name : {"FILE.DDF", "FIELD.DDF", "INDEX.DDF"}) fs::remove(store / name);
  EXPECT_EQ(Run("dump --data-path '" + store.string() + "' SALESHEAD"), 1);
  EXPECT_TRUE(Says("Cannot Access Data From This Table.")) << output;
}

TEST_F(KezaggDataTest, ExtractWritesEachExportFileAtTheGivenClock) {
  const fs::path description = work_ / "store.json";
  std::ofstream(description) << R"({"tables": {
      "COMMON": [{"FileNumber": 1}],
      "SALESHEAD": [{"SaleNumber": 1, "SaleDate": "20260102", "Invoice": "0000101"},
                    {"SaleNumber": 2, "SaleDate": "20260104", "Invoice": "0000102"}],
      "SALESITEM": [{"SaleNumber": 1, "LineNumber": 1, "InventoryId": 7, "Quantity": 2,
                     "QuantitySold": 2, "Amount": "3.98"},
                    {"SaleNumber": 2, "LineNumber": 1, "InventoryId": 7, "Quantity": 1,
                     "QuantitySold": 1, "Amount": "1.99"}],
      "NAMES": [{"0": "C1", "RecordDate": "20260103"}]}})";
  const fs::path store = work_ / "store";
  ASSERT_EQ(Run("sample --from '" + description.string() + "' --out '" + store.string() + "'"), 0)
      << output;
  const std::string common = "--now '2026-01-05 08:30' extract --app-dir '" +
                             work_.path().string() + "' --data-path '" + store.string() + "' ";

  ASSERT_EQ(Run(common + "sales --store 12 --invoice 0 --export-date 1/3/2026"), 0) << output;
  EXPECT_TRUE(Says("MarketingPortal/KEZSalesExtract0001220260105.csv\n")) << output;
  EXPECT_TRUE(Says("Last Invoice=0000102\n")) << output;
  std::ifstream sales(store / "MarketingPortal" / "KEZSalesExtract0001220260105.csv");
  std::string line;
  ASSERT_TRUE(std::getline(sales, line));
  EXPECT_EQ(line.substr(0, 17), "20260104|0000102|");
  EXPECT_FALSE(std::getline(sales, line));

  ASSERT_EQ(Run(common + "customers --store 12 --export-date 1/3/2026"), 0) << output;
  EXPECT_TRUE(Says("KEZCustomersExtract0001220260105.csv\n")) << output;

  ASSERT_EQ(Run(common + "movement --start-date 1/5/2026"), 0) << output;
  EXPECT_TRUE(Says("2 movement rows\n")) << output;
  EXPECT_TRUE(fs::exists(store / "movement.CCC.cc260105"));

  EXPECT_EQ(Run(common + "sales --export-date 13/45/2026"), 2);
  EXPECT_TRUE(Says("is no M/D/YYYY date")) << output;
}

// The installed-engine route as a store sets it up: [Engine] in KEZDataAggregator.ini naming the
// engine's library exactly (here the test library), or --engine for one run.
TEST_F(KezaggDataTest, TheEngineTheSettingsNameServesAndGivesTheSameFiles) {
  const fs::path installed_app = work_ / "installed";
  const fs::path built_in_app = work_ / "built-in";
  fs::create_directories(installed_app);
  fs::create_directories(built_in_app);
  std::ofstream(installed_app / "KEZDataAggregator.ini")
      << "[Log]\r\nSaveLog=Y\r\n[Engine]\r\nUse=installed\r\nLibrary=" << KEZ_BTRCALL_SHIM
      << "\r\n";
  std::ofstream(built_in_app / "KEZDataAggregator.ini")
      << "[Log]\r\nSaveLog=Y\r\n[Engine]\r\nUse=installed\r\nLibrary=" << KEZ_BTRCALL_SHIM
      << "\r\n";
  std::map<std::string, std::string> files;
  for (const fs::path& app : {installed_app, built_in_app}) {
    const fs::path store = app / "store";
    ASSERT_EQ(Run("sample --scale tiny --until 2026-01-05 --out '" + store.string() + "'"), 0)
        << output;
    // The built-in run overrides the INI for its run only.
    const std::string engine = app == built_in_app ? "--engine built-in " : "";
    const std::string common = engine + "--now '2026-01-05 08:30' extract --app-dir '" +
                               app.string() + "' --data-path '" + store.string() + "' ";
    ASSERT_EQ(Run(common + "sales --store 12 --invoice 0 --export-date 12/20/2025"), 0) << output;
    ASSERT_EQ(Run(common + "customers --store 12 --export-date 1/1/2020"), 0) << output;
    ASSERT_EQ(Run(common + "movement --start-date 12/29/2025"), 0) << output;
    for (const auto& entry : fs::recursive_directory_iterator(store)) {
      const std::string name = entry.path().filename().string();
      if (name.find("Extract") != std::string::npos || name.rfind("movement.", 0) == 0) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[app.filename().string() + "/" + name] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
    }
    std::ifstream log(app / "KEZDataAggregator.log");
    const std::string log_text((std::istreambuf_iterator<char>(log)),
                               std::istreambuf_iterator<char>());
    EXPECT_NE(log_text.find(app == built_in_app ? "Record engine: built-in (chosen in the settings)"
                                                : std::string("Record engine: installed (") +
                                                      KEZ_BTRCALL_SHIM + ")"),
              std::string::npos)
        << log_text;
  }
  // Both extracts with their export logs, and the movement file, from each engine.
  ASSERT_EQ(files.size(), 10u);
  for (const auto& [name, bytes] : files) {
    if (name.rfind("installed/", 0) != 0) continue;
    SCOPED_TRACE(name);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, files["built-in/" + name.substr(10)]);
  }

  // dump reads through the engine the INI names, and shows the same records.
  const fs::path store = installed_app / "store";
  ASSERT_EQ(Run("--engine built-in dump --data-path '" + store.string() + "' SALESITEM --key 0"),
            0);
  const std::string built_in_dump = output;
  ASSERT_EQ(Run("dump --data-path '" + store.string() + "' SALESITEM --key 0", installed_app), 0);
  EXPECT_EQ(output, built_in_dump);
}

TEST_F(KezaggDataTest, AnEngineThatCannotServeIsAnErrorNamingWhatWasLookedFor) {
  const fs::path store = work_ / "store";
  ASSERT_EQ(Run("sample --scale tiny --until 2026-01-05 --out '" + store.string() + "'"), 0);
  std::ofstream(work_ / "KEZDataAggregator.ini")
      << "[Engine]\r\nUse=installed\r\nLibrary=/nonexistent/libengine.so\r\n";
  const std::string extract = "extract --app-dir '" + work_.path().string() + "' --data-path '" +
                              store.string() + "' sales";
  EXPECT_EQ(Run(extract), 1);
  EXPECT_TRUE(
      Says("The installed record engine was asked for, but no installed record engine "
           "was found; not found: /nonexistent/libengine.so"))
      << output;
  EXPECT_FALSE(fs::exists(store / "MarketingPortal"));
  // auto falls back to the built-in engine instead.
  EXPECT_EQ(Run("--engine auto " + extract + " --store 1 --invoice 0 --export-date 1/1/2020"), 0)
      << output;
  EXPECT_EQ(Run("dump --data-path '" + store.string() + "' UPC", work_.path()), 1);
  EXPECT_TRUE(Says("/nonexistent/libengine.so")) << output;

  std::ofstream(work_ / "KEZDataAggregator.ini") << "[Engine]\r\nUse=sometimes\r\n";
  EXPECT_EQ(Run(extract), 1);
  EXPECT_TRUE(Says("[Engine] Use=sometimes is none of auto, built-in, installed")) << output;
  EXPECT_NE(Run("--engine sometimes " + extract), 0);
  EXPECT_TRUE(Says("expected auto, built-in or installed")) << output;
}

// dump --raw gathers its lines in one buffer: a short record after a long one must show its own
// bytes only, and every record must come out when the lines fill the buffer several times.
TEST_F(KezaggDataTest, DumpRawPrintsEveryRecordWithItsOwnBytesOnly) {
  btrieve::FilePlan plan;
  plan.page_size = 1024;
  plan.record_length = 6;
  plan.variable_length = true;
  plan.keys.push_back({{{0, 4, 0, btrieve::kTypeInteger, 0, -1}}});
  const fs::path file = work_ / "VARIED.DAT";
  ASSERT_TRUE(btrieve::CreateFile(file, plan, false).ok());
  std::vector<std::string> expected;  // by id
  {
    std::unique_ptr<btrieve::File> writer;
    ASSERT_TRUE(btrieve::File::Open(file, &writer, {.writable = true}).ok());
    ASSERT_TRUE(writer->BeginBulk().ok());
    // Ids descending, so that key order is not the order of insertion.
    for (std::uint32_t id = 4000; id >= 1; --id) {
      btrieve::Bytes record(6 + (id % 3 == 0   ? 0
                                 : id % 3 == 1 ? 300
                                               : 37),
                            static_cast<std::uint8_t>(id * 13));
      btrieve::StoreU32(record.data(), id);
      record[4] = static_cast<std::uint8_t>(id >> 8);
      ASSERT_TRUE(writer->Insert(0, &record).ok());
      std::string line;
      for (std::uint8_t byte : record) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        line += pair;
      }
      expected.push_back(line);
    }
    ASSERT_TRUE(writer->EndBulk().ok());
  }
  std::reverse(expected.begin(), expected.end());

  ASSERT_EQ(Run("dump --raw --key 0 '" + file.string() + "'"), 0) << output.substr(0, 200);
  std::string joined;
  for (const std::string& line : expected) joined += line + "\n";
  EXPECT_TRUE(output == joined) << "key order: " << output.size() << " bytes, expected "
                                << joined.size();

  ASSERT_EQ(Run("dump --raw '" + file.string() + "'"), 0) << output.substr(0, 200);
  std::vector<std::string> physical;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) physical.push_back(line);
  std::sort(physical.begin(), physical.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_TRUE(physical == expected) << "physical order: " << physical.size() << " lines";
}

}  // namespace
}  // namespace kez::testing
