#include "extracts/customers_extract.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "extracts/extract_fixture.h"
#include "extracts/sales_extract.h"
#include "posdata/kez_fields.h"

namespace kez::testing {
namespace {

constexpr const char* kCustomersFile = "KEZCustomersExtract0001220240131.csv";
constexpr const char* kCustomersLog = "KEZCustomersExtractExport.log";

class CustomersExtractTest : public EngineExtractTest {
 protected:
  // Customers with record dates around the export date 1/2/2024, and one sale dated 20240203
  // that the sales extract leaves in the header buffer.
  void OpenCustomers(char date_order = 'U') {
    RecordBuffer full = Customer("C1", "20240102");
    full.SetText(names::kLastName, "FIRST");
    full.SetText(names::kSuite, "12345");
    full.SetText(names::kActive, "Y");
    full.SetText(names::kCountry, "MN");
    full.SetText(names::kBirthDate, "19700101");
    full.SetMoney(names::kBalance, {-123400});
    full.SetText(names::kTaxable, "A");
    OpenStore({Sale(1, "20240203", "0001001"), SaleLine(1, 1, 501, 1, 10000), full,
               Customer("C2", "20240101"), Customer("C3", "        "), Customer("C4", "20250101")},
              date_order);
    context_.export_state.ExportDate = "1/2/2024";
    context_.export_state.LastInvoice = "0001001";
  }
};

KEZ_ON_BOTH_ENGINES(CustomersExtractTest);

TEST_P(CustomersExtractTest, ExportsCustomersOnOrAfterTheExportDateAndMovesItOn) {
  OpenCustomers();
  ASSERT_TRUE(SalesExtract());
  ASSERT_TRUE(CustomersExtract());

  const std::string file = PortalFile(kCustomersFile);
  const std::string c1 =
      "C1             |FIRST          |               |12345|NAME C1" + std::string(33, ' ') + "|" +
      std::string(40, ' ') + "|" + std::string(30, ' ') + "|" + std::string(20, ' ') + "|   |" +
      std::string(10, ' ') + "|" + std::string(14, ' ') + "|" + std::string(40, ' ') + "|" +
      std::string(14, ' ') + "|N/A|N/A|Y|MN|19700101|-12.34|A|0|\r\n";
  // The export date itself is included again; a blank record date and earlier dates are not.
  EXPECT_EQ(file.substr(0, c1.size()), c1);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);
  EXPECT_NE(file.find("\r\nC4 "), std::string::npos);
  EXPECT_EQ(PortalFile(kCustomersLog), "1/31/2024\t07.05\t2 lines exported\r\n");

  // The next export starts at the date of the last sale read, and KEZ.INI keeps the state.
  EXPECT_EQ(context_.export_state.ExportDate, "2/3/2024");
  const std::string ini = DataFile("KEZ.INI");
  EXPECT_NE(ini.find("Export Date=2/3/2024"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Last Invoice=0001001"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Store Number=00012"), std::string::npos) << ini;
}

TEST_P(CustomersExtractTest, ADayFirstSuiteGivesTheSameExportDate) {
  OpenCustomers('E');
  ASSERT_TRUE(SalesExtract());
  ASSERT_TRUE(CustomersExtract());
  EXPECT_EQ(context_.export_state.ExportDate, "2/3/2024");
}

TEST_P(CustomersExtractTest, NoMatchingCustomerLeavesTheExportStateAlone) {
  OpenCustomers();
  context_.export_state.ExportDate = "1/1/2026";
  EXPECT_FALSE(CustomersExtract());
  EXPECT_FALSE(PortalFileExists(kCustomersFile));
  EXPECT_EQ(context_.export_state.ExportDate, "1/1/2026");
  EXPECT_EQ(DataFile("KEZ.INI").find("Export Date"), std::string::npos);
  EXPECT_EQ(PortalFile(kCustomersLog), "1/31/2024\tNo data Found for export\r\n");
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text, "No Data found to export");
}

TEST_P(CustomersExtractTest, OneRunWritesAtMost32000Customers) {
  std::vector<RecordBuffer> records;
  for (int i = 0; i < kMaxCustomerRows + 1; ++i) {
    records.push_back(Customer("C" + std::to_string(100000 + i), "20240102"));
  }
  OpenStore(records);
  context_.export_state.ExportDate = "1/2/2024";
  ASSERT_TRUE(CustomersExtract());
  const std::string file = PortalFile(kCustomersFile);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), kMaxCustomerRows);
  // The first 32,000 in key order: the last one is left out.
  EXPECT_EQ(file.find("C132000"), std::string::npos);
  EXPECT_NE(file.find("C131999"), std::string::npos);
  EXPECT_EQ(PortalFile(kCustomersLog), "1/31/2024\t07.05\t32000 lines exported\r\n");
}

TEST_P(CustomersExtractTest, AloneItKeepsTheExportDateInsteadOfWritingABlankOne) {
  // No sales extract ran before it: no sale header lies in the buffer to take a date from.
  OpenCustomers();
  ASSERT_TRUE(CustomersExtract());
  EXPECT_EQ(context_.export_state.ExportDate, "1/2/2024");
  EXPECT_NE(DataFile("KEZ.INI").find("Export Date=1/2/2024"), std::string::npos);
}

TEST_P(CustomersExtractTest, AnUndeliveredFileKeepsItsCustomersAndTheNewerLineWins) {
  OpenCustomers();
  const std::string folder_file = PortalFile(kCustomersFile);
  ASSERT_TRUE(folder_file.empty());
  ASSERT_TRUE(CustomersExtract());
  const std::string first = PortalFile(kCustomersFile);
  // Another customer from an earlier run of the day, and C1 as it stood then.
  const std::string earlier = "C9             |EARLIER|\r\nC1             |OLD|\r\n";
  WriteMarketingPortalFile(kCustomersFile, earlier);
  ASSERT_EQ(CreateCustomersExtract(context_.pos, context_.export_state, log_,
                                   ExistingFile::kKeepUndelivered),
            ExtractResult::kWritten);
  // C9 stays, the old C1 gives way to the run's C1, and the run's lines follow in their order.
  EXPECT_EQ(PortalFile(kCustomersFile), "C9             |EARLIER|\r\n" + first);
}

}  // namespace
}  // namespace kez::testing
