#include <gtest/gtest.h>

#include "extracts/extract_fixture.h"
#include "extracts/movement_collection.h"
#include "extracts/movement_dates.h"
#include "extracts/movement_file.h"
#include "settings/cls_settings.h"

namespace kez::testing {
namespace {

clsMovmentData ColaRow() {
  clsMovmentData row;
  row.lngDate = 20121231;
  row.StoreNumber = 1;
  row.Upc = "012345678905   ";
  row.SKU = "4711";
  row.Description = "COLA 12OZ" + std::string(21, ' ');
  row.Price = {19900};
  row.QuantitySold = 3;
  row.PackInfo = 12;
  row.TotalDollars = {59700};
  row.Size = "12OZ ";
  row.InvID = 4711;
  return row;
}

TEST(MovementFile, PlacesEachPieceAtItsColumn) {
  EXPECT_EQ(MovementLine(ColaRow()), "121231|00001|012345678905  |COLA 12OZ" +
                                         std::string(21 + 10, ' ') +
                                         "|00001.99| 00000003|012| 0000005.97|12OZ \r\n");

  // A 15-character UPC reaches column 28, so the description starts a new line at column 28.
  clsMovmentData wide = ColaRow();
  wide.Upc = "123456789012345";
  EXPECT_EQ(MovementLine(wide), "121231|00001|123456789012345\r\n" + std::string(27, ' ') +
                                    "|COLA 12OZ" + std::string(31, ' ') +
                                    "|00001.99| 00000003|012| 0000005.97|12OZ \r\n");
  // Fourteen characters still fit.
  wide.Upc = "12345678901234 ";
  EXPECT_EQ(MovementLine(wide).find("\r\n"), MovementLine(wide).size() - 2);
}

TEST(MovementFile, TheUntouchedRowAndSignedFigures) {
  EXPECT_EQ(MovementLine(clsMovmentData{}),
            "|00000|" + std::string(6, ' ') + "<blank>" + std::string(7, ' ') + "|<blank>" +
                std::string(33, ' ') + "|00000.00| 00000000|000| 0000000.00|<blank>\r\n");
  clsMovmentData row;
  row.QuantitySold = -5;
  row.TotalDollars = {-125000};
  EXPECT_EQ(SignedQuantityText(row), "-00000005");
  EXPECT_EQ(SignedDollarsText(row), "-0000012.50");
  row.QuantitySold = 5;
  row.TotalDollars = {0};
  EXPECT_EQ(SignedQuantityText(row), " 00000005");
  EXPECT_EQ(SignedDollarsText(row), " 0000000.00");
  // Dollars and price round half away from zero.
  row.TotalDollars = {12345};
  EXPECT_EQ(SignedDollarsText(row), " 0000001.23");
  row.TotalDollars = {-12350};
  EXPECT_EQ(SignedDollarsText(row), "-0000001.24");
  // The sign is the value's: a negative amount that rounds to zero keeps its "-", a positive one
  // its blank.
  row.TotalDollars = {-40};  // -0.004
  EXPECT_EQ(SignedDollarsText(row), "-0000000.00");
  row.TotalDollars = {40};
  EXPECT_EQ(SignedDollarsText(row), " 0000000.00");
  row.Price = {-49};
  row.TotalDollars = {-1};
  const std::string line = MovementLine(row);
  EXPECT_NE(line.find("|-00000.00| 00000005|000|-0000000.00|"), std::string::npos) << line;

  EXPECT_EQ(MovementItemCode("000000000000000", "4711"), "4711");
  EXPECT_EQ(MovementItemCode("0", "<blank>"), "<blank>");
  EXPECT_EQ(MovementItemCode("  0042 X       ", "4711"), "  0042 X");
  row.Size = "     ";
  EXPECT_EQ(MovementSizeText(row), "<blank>");
  row.Size = "1L   ";
  EXPECT_EQ(MovementSizeText(row), "1L   ");
}

TEST(MovementDates, ShortDatesOfEveryWidthBecomeKeys) {
  EXPECT_EQ(DateToKey("1/2/2024"), "20240102");
  EXPECT_EQ(DateToKey("1/31/2024"), "20240131");
  EXPECT_EQ(DateToKey("12/3/2024"), "20241203");
  EXPECT_EQ(DateToKey("12/31/2012 10:00:00 AM"), "20121231");
  EXPECT_EQ(KeyToDateText("20121231"), "12/31/2012");
  EXPECT_EQ(MovementFileName("20121231"), "movement.CCC.cc121231");
}

class MovementTest : public EngineExtractTest {
 protected:
  void SetUp() override {
    context_.ReportSettings[kSymphonyIriReport].StartDate = {2012, 12, 31, 0, 0, 0, 0};
    context_.ReportSettings[kSymphonyIriReport].StoreNumber = "7";
  }
  const std::vector<clsMovmentData>& Rows() const { return context_.movement.MovementRows; }
};

KEZ_ON_BOTH_ENGINES(MovementTest);

TEST_P(MovementTest, CollectsOneRowPerItemAndDayOfTheWeekBeforeTheStartDate) {
  OpenStore({
      Item(10, "ITEM10", "COLA 12OZ", 19900, 12, "12OZ "),
      UpcRecord("ITEM10", "012345678905"),
      Item(20, "ITEM20", "BREAD", 25000, 1, "     "),  // no UPC record
      Sale(1, "20121223", "0000001"),                  // the day before the week
      SaleLine(1, 1, 10, 100, 10000),
      Sale(2, "20121224", "0000002"),  // the first day
      SaleLine(2, 1, 10, 2.5f, 50000),
      SaleLine(2, 2, 20, 3.5f, 87500),
      SaleLine(2, 3, 10, 0.5f, 10000),
      SaleLine(2, 4, 99, -1.5f, -30000),  // an item the inventory lacks
      Sale(3, "20121224", "0000003"),     // the same day again
      SaleLine(3, 1, 10, 0.5f, 10000),
      SaleLine(3, 2, 20, 1, 25000),
      Sale(4, "20121226", "0000004"),  // a sale without lines
      Sale(5, "20121230", "0000005"),  // the last day
      SaleLine(5, 1, 10, 1, 20000),
      Sale(6, "20121231", "0000006"),  // the start date itself is not in the week
      SaleLine(6, 1, 10, 1, 20000),
  });
  EXPECT_EQ(CollectMovement(), 4);
  EXPECT_EQ(context_.movement.MovementStartKey, "20121231");
  ASSERT_EQ(Rows().size(), 4u);

  // Rounded per line before summing: 2 + 0 + 0 for the cola on the 24th.
  EXPECT_EQ(Rows()[0].InvID, 10);
  EXPECT_EQ(Rows()[0].lngDate, 20121224);
  EXPECT_EQ(Rows()[0].QuantitySold, 2);
  EXPECT_EQ(Rows()[0].TotalDollars.ten_thousandths, 70000);
  EXPECT_EQ(Rows()[0].StoreNumber, 7);
  EXPECT_EQ(Rows()[0].Upc, "012345678905   ");
  // 3.5 rounds to 4, plus 1 from the second sale.
  EXPECT_EQ(Rows()[1].InvID, 20);
  EXPECT_EQ(Rows()[1].QuantitySold, 5);
  EXPECT_EQ(Rows()[1].Upc, "0");  // no UPC record: not the cola's
  EXPECT_EQ(Rows()[1].SKU, "20");
  // The missing item counts under its own id, with no other item's fields.
  EXPECT_EQ(Rows()[2].InvID, 99);
  EXPECT_EQ(Rows()[2].QuantitySold, -2);
  EXPECT_EQ(Rows()[2].Description, "<blank>");
  EXPECT_EQ(Rows()[2].Upc, "0");
  EXPECT_EQ(Rows()[2].SKU, "99");
  EXPECT_EQ(Rows()[2].Price.ten_thousandths, 0);
  EXPECT_EQ(Rows()[3].lngDate, 20121230);

  ASSERT_TRUE(WriteMovement());
  EXPECT_EQ(context_.movement.MovementFilePath, data_ / "movement.CCC.cc121231");
  const std::string file = DataFile("movement.CCC.cc121231");
  EXPECT_EQ(file.substr(0, file.find('\n') + 1),
            "121224|00007|012345678905  |COLA 12OZ" + std::string(31, ' ') +
                "|00001.99| 00000002|012| 0000007.00|12OZ \r\n");
  EXPECT_NE(file.find("121224|00007|99" + std::string(12, ' ') + "|<blank>"), std::string::npos);
}

TEST_P(MovementTest, AWeekWithoutSalesWritesAnEmptyFile) {
  OpenStore({Sale(1, "20121231", "0000001"), SaleLine(1, 1, 10, 1, 10000)});
  EXPECT_EQ(CollectMovement(), 0);
  ASSERT_TRUE(WriteMovement());
  EXPECT_TRUE(std::filesystem::exists(data_ / "movement.CCC.cc121231"));
  EXPECT_EQ(DataFile("movement.CCC.cc121231"), "");
}

}  // namespace
}  // namespace kez::testing
