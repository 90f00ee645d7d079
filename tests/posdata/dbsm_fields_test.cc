// Field access and the copies between record buffers and handles: conversions into the buffer's
// types, SALESITEM's clear-then-skip rule, NAMES' numbers read as text, and the failure messages.
#include "posdata/dbsm_fields.h"

#include <gtest/gtest.h>

#include "posdata/record_layer_fixture.h"

namespace kez::testing {
namespace {

class FieldCopyTest : public RecordLayerTest {};

TEST_F(FieldCopyTest, NamesCountAndAmountsAreReadFromTheirLeadingNumber) {
  const struct {
    btrieve::FieldValue visits;
    btrieve::FieldValue amount;
    std::int32_t expected_visits;
    std::int64_t expected_ten_thousandths;
  } cases[] = {
      {std::string("12.5"), std::string("1250.50"), 12, 12505000},
      {std::string("13.5 visits"), std::string("1000000"), 14, 0},
      {std::string("abc"), std::string("abc"), 0, 0},
      {std::int64_t{7}, btrieve::Currency{9999990000}, 7, 9999990000},
      {std::string("  -2.5"), std::string("-12.25"), -2, -122500},
      {std::string("70000"), std::string("999999.5"), 0, 0},
  };
  for (const auto& c : cases) {
    Handle(kNames).fields[11] = c.visits;
    Handle(kNames).fields[34] = c.amount;
    Handle(kNames).fields[35] = c.amount;
    DBSM_CopyHandleToBuffer(db_, kNames);
    EXPECT_EQ(Buffer(kNames).Integer(11), c.expected_visits);
    EXPECT_EQ(Buffer(kNames).Money(34).ten_thousandths, c.expected_ten_thousandths);
    EXPECT_EQ(Buffer(kNames).Money(35).ten_thousandths, c.expected_ten_thousandths);
  }
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(FieldCopyTest, ASalesItemFieldThatFailsStaysBlankAndTheRestAreFilled) {
  Buffer(kSalesItem).SetText(18, "FROM THE LAST RECORD");
  Buffer(kSalesItem).SetInteger(32, 99);
  ScriptedTableHandle& handle = Handle(kSalesItem);
  handle.failing_fields = {18};
  for (int field = 19; field <= 32; ++field) {
    handle.fields[field] = field == 19 ? btrieve::FieldValue(std::string("X"))
                                       : btrieve::FieldValue(std::int64_t{field});
  }
  handle.fields[30] = std::string("ITEM0030");
  DBSM_CopyHandleToBuffer(db_, kSalesItem);
  EXPECT_EQ(Buffer(kSalesItem).Text(18), std::string(30, ' '));
  EXPECT_EQ(Buffer(kSalesItem).Text(19), "X");
  EXPECT_EQ(Buffer(kSalesItem).Money(20).ten_thousandths, 200000);
  EXPECT_EQ(Buffer(kSalesItem).Text(30), "ITEM0030");
  EXPECT_EQ(Buffer(kSalesItem).Integer(32), 32);
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.text, "The value of field 18 cannot be read\rSALESITEM");
  EXPECT_EQ(message.title, "KEZ DBSM System");
  EXPECT_EQ(message.icon, MessageIcon::kCritical);
}

TEST_F(FieldCopyTest, AnUnknownFieldClosesTheProgram) {
  Handle(kUpc).failing_fields = {2};
  Handle(kUpc).failures_are_unknown_fields = true;
  EXPECT_THROW(DBSM_CopyHandleToBuffer(db_, kUpc), ProgramEnd);
  EXPECT_EQ(OnlyMessage().text,
            "Invalid FieldIndex 2\rUPC Progam will close.\r\nCall support for assistance.");
  host_.ClearMessages();
  EXPECT_THROW(DBSM_GetField(db_, kUpc, "NoSuchField"), ProgramEnd);
}

TEST_F(FieldCopyTest, GetFieldGivesZeroAfterAFailureAndPutFieldGoesOn) {
  Handle(kInventory).failing_fields = {5};
  EXPECT_EQ(std::get<std::int64_t>(DBSM_GetField(db_, kInventory, 5)), 0);
  DBSM_PutField(db_, kInventory, "NoSuchField", std::int64_t{1});
  ASSERT_EQ(host_.messages().size(), 2u);
  EXPECT_EQ(host_.messages()[1].text, "Invalid FieldIndex by name\rINVENTRY");
}

TEST_F(FieldCopyTest, BufferToHandleSendsEveryFieldInIndexOrder) {
  Buffer(kUpc).SetText(1, "012345678905");
  DBSM_CopyBufferToHandle(db_, kUpc);
  EXPECT_EQ(Handle(kUpc).fields_set, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(std::get<std::string>(Handle(kUpc).fields[1]), "012345678905   ");
}

}  // namespace
}  // namespace kez::testing
