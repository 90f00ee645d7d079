// The record layer's reactions to engine statuses, against scripted handles: messages and their
// exact texts, the statuses that end the program, the retries, the lock window on the host's
// clock, and what is copied into the handle around an operation.
#include "posdata/dbsm_btrieve.h"

#include <gtest/gtest.h>

#include <fstream>

#include "btrieve/operation.h"
#include "posdata/record_layer_fixture.h"

namespace kez::testing {
namespace {

using btrieve::kOpGetEqual;
using btrieve::kOpGetNext;
using btrieve::kOpUpdate;

constexpr const char* kShutDown = "Application Will Shut Down - Call Support.";

class TableOpTest : public RecordLayerTest {
 protected:
  // The seconds field of the host's clock.
  void SetSecond(int second) {
    LocalDateTime now = host_.Now();
    now.second = second;
    host_.SetNow(now);
  }
  // Every Perform moves the clock on by `seconds`.
  void EachPerformTakes(int table, int seconds) {
    Handle(table).on_perform = [this, seconds](int) { host_.AdvanceSeconds(seconds); };
  }
};

TEST_F(TableOpTest, AFailedReadShowsTheStatusTextTheOperationAndTheFile) {
  Handle(kSalesHead).perform_statuses = {btrieve::kFileNotOpen};
  EXPECT_FALSE(DBSM_TableOp(db_, kSalesHead, kOpGetEqual, 4));
  EXPECT_EQ(Entry(kSalesHead).Status, 3);
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.text,
            "DATABASE ERROR: The data file is not open.\r\rOperation: Get Equal\r"
            "File: " +
                Entry(kSalesHead).FileName + "\r\rCannot Access Data From This Table.");
  EXPECT_EQ(message.title, "KEZ DBSM System");
  EXPECT_EQ(message.icon, MessageIcon::kCritical);
  EXPECT_EQ(message.buttons, MessageButtons::kOk);
}

TEST_F(TableOpTest, EndOfFileKeyNotFoundAndDuplicatesPassSilently) {
  for (int status : {btrieve::kEndOfFile, btrieve::kKeyNotFound, btrieve::kDuplicateKey,
                     btrieve::kRecordLocked}) {
    Handle(kSalesItem).perform_statuses = {status};
    EXPECT_FALSE(DBSM_TableOp(db_, kSalesItem, kOpGetNext, -1));
    EXPECT_EQ(Entry(kSalesItem).Status, status);
  }
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TableOpTest, FatalStatusesShowTheirClosingTextThenEndTheProgram) {
  const std::pair<int, std::string> cases[] = {
      {btrieve::kDataBufferTooShort, kShutDown},
      {81,
       "Database engine has not been setup with enough record locks.  Use workstation setup "
       "program to increase locks."},
      {btrieve::kIoError, kShutDown},
      {btrieve::kInvalidPositioning, kShutDown}};
  for (const auto& [status, closing] : cases) {
    host_.ClearMessages();
    int ended_with = -1;
    db_.end_program = [&ended_with](int code) { ended_with = code; };
    Handle(kNames).perform_statuses = {status};
    EXPECT_THROW(DBSM_TableOp(db_, kNames, kOpGetNext, -1), ProgramEnd) << status;
    EXPECT_EQ(ended_with, 1);
    const std::string& text = OnlyMessage().text;
    EXPECT_EQ(text.substr(text.size() - closing.size()), closing) << status;
  }
}

TEST_F(TableOpTest, InvalidPositioningInLocalModeIsSilent) {
  db_.local_mode = true;
  Handle(kSalesHead).perform_statuses = {btrieve::kInvalidPositioning};
  EXPECT_FALSE(DBSM_TableOp(db_, kSalesHead, kOpGetNext, -1));
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TableOpTest, EveryOtherConflictReportIsShown) {
  Entry(kSalesItem).Status = btrieve::kConflict;
  EXPECT_FALSE(DBSM_ReportError(db_, kSalesItem, kOpUpdate));
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_FALSE(DBSM_ReportError(db_, kSalesItem, kOpUpdate));
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_NE(host_.messages()[0].text.find("\r\rSome records may not update."), std::string::npos);
  EXPECT_FALSE(DBSM_ReportError(db_, kSalesItem, kOpUpdate));
  EXPECT_EQ(host_.messages().size(), 1u);
}

TEST_F(TableOpTest, AnInactiveEngineIsRetriedOnRetryAndEndsTheProgramOnCancel) {
  Handle(kUpc).perform_statuses = {20, 0};
  host_.Answer(MessageAnswer::kRetry);
  EXPECT_TRUE(DBSM_TableOp(db_, kUpc, kOpGetEqual, 0));
  EXPECT_EQ(Handle(kUpc).performed, (std::vector<int>{kOpGetEqual, kOpGetEqual}));
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.title, "Database Engine Inactive");
  EXPECT_EQ(message.buttons, MessageButtons::kRetryCancel);
  EXPECT_EQ(message.text.rfind("The database engine did not load in sufficient time.", 0), 0u);

  Handle(kUpc).perform_statuses = {20};
  host_.Answer(MessageAnswer::kCancel);
  EXPECT_THROW(DBSM_TableOp(db_, kUpc, kOpGetEqual, 0), ProgramEnd);
}

TEST_F(TableOpTest, ALockStartedAtSecond58IsStillYoungAtSecond2) {
  SetSecond(58);
  EachPerformTakes(kSalesHead, 4);  // 58 -> 2 -> 6
  Handle(kSalesHead).perform_statuses = {btrieve::kFileLocked, 0};
  EXPECT_TRUE(DBSM_TableOp(db_, kSalesHead, kOpGetEqual, 0));
  EXPECT_EQ(Handle(kSalesHead).performed.size(), 2u);
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TableOpTest, ALockBeyondFiveSecondsAsksAndNoLeavesStatus1000) {
  SetSecond(10);
  EachPerformTakes(kSalesHead, 2);  // 10 -> 12 -> 14 -> 16: the third lock is 6 seconds old
  Handle(kSalesHead).perform_statuses = {85, 85, 85};
  host_.Answer(MessageAnswer::kNo);
  EXPECT_FALSE(DBSM_TableOp(db_, kSalesHead, kOpUpdate, -1));
  EXPECT_EQ(Handle(kSalesHead).performed.size(), 3u);
  EXPECT_EQ(Entry(kSalesHead).Status, 1000);
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.text,
            "Record is being accessed by another user. Unable to Update.\r\rDo you want to try "
            "again?");
  EXPECT_EQ(message.title, "KEZ Data Aggregator");
  EXPECT_EQ(message.icon, MessageIcon::kQuestion);
  EXPECT_EQ(message.buttons, MessageButtons::kYesNo);
}

TEST_F(TableOpTest, YesToTheLockQuestionStartsANewWindow) {
  SetSecond(0);
  EachPerformTakes(kSalesHead, 6);
  Handle(kSalesHead).perform_statuses = {85, 85, 0};
  host_.Answer(MessageAnswer::kYes);
  EXPECT_TRUE(DBSM_TableOp(db_, kSalesHead, kOpGetEqual, 0));
  // The answer restarted the window at second 6, so the second lock (second 12) was asked about
  // again, and the default answer (Yes) let the third attempt through.
  EXPECT_EQ(host_.messages().size(), 2u);
  EXPECT_EQ(Entry(kSalesHead).Status, 0);
}

TEST_F(TableOpTest, AccessDeniedIsShownForDataTablesOnly) {
  Handle(kInventory).perform_statuses = {btrieve::kAccessDenied};
  EXPECT_FALSE(DBSM_TableOp(db_, kInventory, kOpGetEqual, 8));
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.text, "Access to File denied 46\r\nPlease call customer support");
  EXPECT_EQ(message.title, "File access error");

  host_.ClearMessages();
  Handle(kCommon).perform_statuses = {btrieve::kAccessDenied};
  EXPECT_FALSE(DBSM_TableOp(db_, kCommon, kOpGetEqual, 0));
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TableOpTest, AConflictingUpdateRereadsTheRecordAndRepeatsWithTheCallersValues) {
  Buffer(kSalesHead).SetText(11, "V");
  Handle(kSalesHead).perform_statuses = {btrieve::kConflict, 0, 0};
  EXPECT_TRUE(DBSM_TableOp(db_, kSalesHead, kOpUpdate, -1));
  EXPECT_EQ(Handle(kSalesHead).performed, (std::vector<int>{kOpUpdate, kOpGetEqual, kOpUpdate}));
  EXPECT_EQ(std::get<std::string>(Handle(kSalesHead).fields[11]), "V");
  // The whole buffer went to the handle before the update and again after the re-read.
  EXPECT_EQ(Handle(kSalesHead).fields_set.size(), 2u * 56);
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TableOpTest, AKeyedReadCopiesExactlyTheKeysFieldsInItsOrder) {
  Buffer(kSalesItem).SetInteger(0, 7);
  Buffer(kSalesItem).SetInteger(3, 2);
  EXPECT_TRUE(DBSM_TableOp(db_, kSalesItem, kOpGetEqual, 0));
  EXPECT_EQ(Handle(kSalesItem).key_numbers, std::vector<int>{0});
  EXPECT_EQ(Handle(kSalesItem).fields_set, (std::vector<int>{0, 3}));
  EXPECT_EQ(std::get<std::int64_t>(Handle(kSalesItem).fields[0]), 7);
  EXPECT_EQ(std::get<std::int64_t>(Handle(kSalesItem).fields[3]), 2);

  Handle(kSalesHead).fields.clear();
  EXPECT_TRUE(DBSM_TableOp(db_, kSalesHead, kOpGetEqual, 1));
  EXPECT_EQ(Handle(kSalesHead).fields_set, (std::vector<int>{1, 0}));
}

TEST_F(TableOpTest, AnUnreachableDataPathAsksToRetryAndNoEndsAtOnce) {
  UseDataPath(db_, (data_ / "gone").string());
  host_.Answer(MessageAnswer::kNo);
  try {
    DBSM_TableOp(db_, kSalesHead, kOpGetNext, -1);
    ADD_FAILURE() << "the program did not end";
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.exit_code, 1);
  }
  EXPECT_TRUE(Handle(kSalesHead).performed.empty());
  const RecordedMessage& message = OnlyMessage();
  EXPECT_EQ(message.text, "Server not found. Check Server and Network Connections.\r\n Retry?");
  EXPECT_EQ(message.title, "Network Error");
  EXPECT_EQ(message.buttons, MessageButtons::kYesNo);
}

TEST_F(TableOpTest, AFailedOpenIsReportedAsOpenTableAndRetriedWhileAsked) {
  std::filesystem::create_directories(data_ / "FILE.DDF");  // the dictionary check looks for one
  Handle(kUpc).open_statuses = {20, 0};
  host_.Answer(MessageAnswer::kRetry);
  EXPECT_TRUE(DBSM_OpenTable(db_, kUpc));
  EXPECT_EQ(Handle(kUpc).opens, 2);
  EXPECT_TRUE(Entry(kUpc).IsOpen);

  Handle(kNames).open_statuses = {btrieve::kAccessDenied};
  EXPECT_FALSE(DBSM_OpenTable(db_, kNames));
  EXPECT_FALSE(Entry(kNames).IsOpen);
  EXPECT_EQ(host_.messages().size(), 1u);
}

TEST_F(TableOpTest, OnlyAMissingDataFileIsCreatedAndAFailedCreateNamesItsOperation) {
  std::filesystem::create_directories(data_ / "FILE.DDF");
  std::ofstream(Entry(kInventory).FileName) << "exists";
  EXPECT_TRUE(DBSM_OpenTable(db_, kInventory));
  EXPECT_EQ(Handle(kInventory).creates, 0);

  Handle(kUpc).create_statuses = {btrieve::kCreateIoError};
  db_.end_program = [](int) {};
  EXPECT_THROW(DBSM_OpenTable(db_, kUpc), ProgramEnd);
  EXPECT_EQ(Handle(kUpc).creates, 1);
  EXPECT_NE(OnlyMessage().text.find("Operation: Create File\r"), std::string::npos);
}

class ErrorTextTest : public RecordLayerTest {};

TEST_F(ErrorTextTest, LineNIsTheTextOfStatusNAndTheLastLineServesBeyondTheEnd) {
  EXPECT_EQ(DBSM_ErrorText(db_, 3), "The data file is not open.");
  EXPECT_EQ(DBSM_ErrorText(db_, 110), "An identifier is not valid.");
  EXPECT_EQ(DBSM_ErrorText(db_, 5000), "An identifier is not valid.");
  EXPECT_EQ(DBSM_ErrorText(db_, 0), "");
  EXPECT_EQ(DBSM_ErrorText(db_, -3), "");
}

TEST_F(ErrorTextTest, AMissingFileGivesTheStatusAndAWarningAndStopsNothing) {
  std::filesystem::remove(app_dir_ / kErrorMessageFileName);
  EXPECT_EQ(DBSM_ErrorText(db_, 7), "7\rWARNING: Error Message File Is Missing!");
  Entry(kSalesHead).Status = btrieve::kFileNotOpen;
  EXPECT_FALSE(DBSM_ReportError(db_, kSalesHead, kOpGetNext));
  EXPECT_EQ(OnlyMessage().text.rfind("DATABASE ERROR: 3\rWARNING: Error Message File Is Missing!"
                                     "\r\rOperation: Get Next\r",
                                     0),
            0u);
}

TEST_F(ErrorTextTest, OperationsWithoutANameLeaveTheOperationLineEmpty) {
  for (int op : {19, 2000}) {
    host_.ClearMessages();
    Entry(kSalesHead).Status = btrieve::kFileNotOpen;
    DBSM_ReportError(db_, kSalesHead, op);
    EXPECT_NE(OnlyMessage().text.find("\r\rOperation: \rFile: "), std::string::npos) << op;
  }
}

}  // namespace
}  // namespace kez::testing
