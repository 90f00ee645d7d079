#include "extracts/sales_extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>

#include "extracts/extract_fixture.h"
#include "platform/file_io.h"
#include "support/full_disk.h"

namespace kez::testing {
namespace {

constexpr const char* kSalesFile = "KEZSalesExtract0001220240131.csv";
constexpr const char* kSalesLog = "KEZSalesForExtractExport.log";

// "invoice/line" for each line of the extract: which sale lines were exported, in order.
std::vector<std::string> ExportedLines(const std::string& file) {
  std::vector<std::string> out;
  std::istringstream lines(file);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> columns;
    std::istringstream split(line);
    std::string column;
    while (std::getline(split, column, '|')) columns.push_back(column);
    // The department is "DEPT" and the line's number, padded with blanks.
    const std::string& department = columns.at(8);
    out.push_back(columns.at(1) + "/" + department.substr(4, department.find(' ') - 4));
  }
  return out;
}

class SalesExtractTest : public EngineExtractTest {
 protected:
  // Sales 1 to 5 on three days. Sale 2 is voided, sale 3 lacks line 3, sale 4 has no lines.
  void OpenFiveSales() {
    OpenStore({
        Sale(1, "20240101", "0001001"),
        SaleLine(1, 1, 501, 2.5f, 125000),
        SaleLine(1, 2, 502, 3.5f, -12500),
        Sale(2, "20240102", "0001002", "V"),
        SaleLine(2, 1, 501, 1, 10000),
        Sale(3, "20240102", "0001003"),
        SaleLine(3, 1, 501, -1.5f, 10000),
        SaleLine(3, 2, 503, 1, 10000),
        SaleLine(3, 4, 504, 1, 10000),
        Sale(4, "20240103", "0001005"),
        Sale(5, "20240103", "0001006"),
        SaleLine(5, 1, 501, 1, 7),
    });
  }
};

KEZ_ON_BOTH_ENGINES(SalesExtractTest);

TEST_P(SalesExtractTest, ResumesAtTheLastInvoiceAndWalksEveryLaterSale) {
  OpenFiveSales();
  context_.export_state.LastInvoice = "0001001";
  ASSERT_TRUE(SalesExtract());

  const std::string file = PortalFile(kSalesFile);
  // The last invoice is exported again; the voided sale, the line after a gap and the sale
  // without lines contribute nothing.
  EXPECT_EQ(ExportedLines(file), (std::vector<std::string>{"0001001/1", "0001001/2", "0001003/1",
                                                           "0001003/2", "0001006/1"}));
  // Full-width texts with their blanks, exact currency, quantities rounded halves to even, the
  // cost as a single.
  EXPECT_EQ(file.substr(0, file.find('\n') + 1),
            "20240101|0001001|3|CUST1          ||CLERK1  ||UPC501         |DEPT1      |S       |"
            "12.5|2|6.25|12.5|0|\r\n");
  EXPECT_NE(file.find("|-1.25|4|-0.625|-1.25|0|\r\n"), std::string::npos);
  EXPECT_NE(file.find("|0001003|3|CUST3          ||CLERK3  ||UPC501         |DEPT1      |S       "
                      "|1|-2|0.5|1|0|\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("|0.0007|1|0.0003|0.0007|0|\r\n"), std::string::npos);
  EXPECT_EQ(PortalFile(kSalesLog), "1/31/2024\t07.05\t5 lines exported\r\n");
  EXPECT_EQ(context_.export_state.LastInvoice, "0001006");
  EXPECT_TRUE(host_.messages().empty());
}

TEST_P(SalesExtractTest, AMissingInvoiceStartsAtTheNextHigherOne) {
  OpenFiveSales();
  context_.export_state.LastInvoice = "0001004";
  ASSERT_TRUE(SalesExtract());
  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)), (std::vector<std::string>{"0001006/1"}));

  // A start on a voided sale steps on to the next sale with a blank status.
  context_.export_state.LastInvoice = "0001002";
  ASSERT_TRUE(SalesExtract());
  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)).front(), "0001003/1");
}

TEST_P(SalesExtractTest, WithoutALastInvoiceTheExportDateGivesTheFirstSaleOfItsDay) {
  OpenFiveSales();
  // A run that leaves the last sale (number 5) in the header buffer must not make the date start
  // skip the day's earlier sales.
  context_.export_state.LastInvoice = "0001001";
  ASSERT_TRUE(SalesExtract());
  context_.export_state.LastInvoice = "0000000";
  context_.export_state.ExportDate = "1/2/2024";
  ASSERT_TRUE(SalesExtract());
  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)),
            (std::vector<std::string>{"0001003/1", "0001003/2", "0001006/1"}));

  context_.export_state.LastInvoice = "";
  context_.export_state.ExportDate = "1/3/2024";
  ASSERT_TRUE(SalesExtract());
  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)), (std::vector<std::string>{"0001006/1"}));
}

TEST_P(SalesExtractTest, NothingToExportIsLoggedShownAndChangesNothing) {
  OpenStore({Sale(1, "20240101", "0001001", "V"), SaleLine(1, 1, 501, 1, 10000),
             Sale(2, "20240102", "0001002"), Sale(3, "20240103", "0001003", "H")});
  context_.export_state.LastInvoice = "0001001";
  EXPECT_FALSE(SalesExtract());
  EXPECT_FALSE(PortalFileExists(kSalesFile));
  EXPECT_EQ(context_.export_state.LastInvoice, "0001001");
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text, "No Data found to export");
  EXPECT_EQ(host_.messages()[0].title, "KEZ Marketing Portal");
  EXPECT_EQ(host_.messages()[0].buttons, MessageButtons::kOk);

  // No sale at or after the last invoice: the export log says so, without a message.
  host_.ClearMessages();
  context_.export_state.LastInvoice = "0009999";
  EXPECT_FALSE(SalesExtract());
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_EQ(PortalFile(kSalesLog),
            "1/31/2024\tNo data Found for export\r\n1/31/2024\tNo data Found for export\r\n");
  EXPECT_EQ(context_.export_state.LastInvoice, "0009999");
}

// Many sales stored out of order, some voided, some without lines, some with a gap: the lines read
// along the key must be the lines a lookup of each number finds.
TEST_P(SalesExtractTest, EveryLineUpToTheFirstGapOfEveryLaterSaleIsExported) {
  std::mt19937 random(1206);
  std::vector<RecordBuffer> records;
  std::vector<std::string> expected;
  for (std::int32_t number = 1; number <= 300; ++number) {
    char invoice[8];
    std::snprintf(invoice, sizeof invoice, "%07d", 2000 + number);
    const bool voided = random() % 7 == 0;
    records.push_back(Sale(number, "20240110", invoice, voided ? "V" : " "));
    const int count = static_cast<int>(random() % 6);  // a fifth of the sales have no lines
    const int gap = random() % 5 == 0 ? 1 + static_cast<int>(random() % 3) : 0;
    bool ended = false;
    for (int line = 1; line <= count; ++line) {
      if (line == gap) {
        ended = true;
        continue;
      }
      records.push_back(SaleLine(number, static_cast<std::int16_t>(line), 501, 1, line));
      if (!voided && !ended) expected.push_back(std::string(invoice) + "/" + std::to_string(line));
    }
  }
  // The lines file's physical order is not its key order.
  std::shuffle(records.begin(), records.end(), random);
  OpenStore(records);
  context_.export_state.LastInvoice = "0002001";
  ASSERT_TRUE(SalesExtract());

  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)), expected);
}

TEST_P(SalesExtractTest, ASecondRunOnTheSameDayReplacesTheFile) {
  OpenFiveSales();
  context_.export_state.LastInvoice = "0001001";
  ASSERT_TRUE(SalesExtract());
  ASSERT_TRUE(SalesExtract());  // resumes at 0001006
  EXPECT_EQ(ExportedLines(PortalFile(kSalesFile)), (std::vector<std::string>{"0001006/1"}));
  EXPECT_EQ(PortalFile(kSalesLog),
            "1/31/2024\t07.05\t5 lines exported\r\n1/31/2024\t07.05\t1 lines exported\r\n");
  // Nothing but the extract and its log: no temporary file is left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(data_ / "MarketingPortal")) {
    ++files;
  }
  EXPECT_EQ(files, 2);
}

#ifndef _WIN32
TEST_P(SalesExtractTest, AFullDiskKeepsYesterdaysStateAndSaysWhy) {
  OpenFiveSales();
  context_.export_state.LastInvoice = "0001001";
  {
    FullDisk full(200);
    EXPECT_FALSE(SalesExtract());
  }
  EXPECT_FALSE(PortalFileExists(kSalesFile));
  EXPECT_EQ(context_.export_state.LastInvoice, "0001001");  // the next run exports the same sales
  EXPECT_EQ(PortalFile(kSalesLog), "");
  std::string log;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(app_dir_ / "KEZDataAggregator.log", &log, &error)) << error;
  EXPECT_NE(log.find("Export file not written: "), std::string::npos) << log;
  EXPECT_NE(log.find("File too large"), std::string::npos) << log;
}
#endif

}  // namespace
}  // namespace kez::testing
