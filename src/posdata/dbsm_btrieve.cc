#include "posdata/dbsm_btrieve.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "btrieve/dictionary.h"
#include "btrieve/operation.h"
#include "btrieve/status.h"
#include "platform/app_titles.h"
#include "platform/file_io.h"
#include "posdata/data_path_ops.h"
#include "posdata/dbsm_fields.h"

namespace kez {
namespace {

constexpr int kLockQuestionStatus = 1000;
constexpr int kLockWindowSeconds = 5;

// A transaction begun with the concurrency bias, as the suite's programs begin theirs.
constexpr int kBeginConcurrentTransaction = btrieve::kOpBeginTransaction + 1000;
// Get Equal with a single-wait record lock: the lock question's operation.
constexpr int kGetEqualWaitLock = btrieve::kOpGetEqual + btrieve::kLockBiasUnit;

bool IsTransaction(int op) {
  return op == btrieve::kOpEndTransaction || op == btrieve::kOpAbortTransaction ||
         op == kBeginConcurrentTransaction;
}

bool IsKeyedRead(int op) {
  return (op >= btrieve::kOpGetGreater && op <= btrieve::kOpGetLast) ||
         op == btrieve::kOpGetEqual || op == btrieve::kOpGetDirect || op == kGetEqualWaitLock;
}

bool FillsRecordBuffer(int op) {
  return (op >= btrieve::kOpGetEqual && op <= btrieve::kOpGetLast) || op == btrieve::kOpGetDirect ||
         op == btrieve::kOpStepNext ||
         (op >= btrieve::kOpStepFirst && op <= btrieve::kOpStepPrevious) || op == kGetEqualWaitLock;
}

// The operations that hold a record or the file while they wait: update, delete, get equal and
// get first.
bool IsLockingOperation(int op) {
  return op == btrieve::kOpUpdate || op == btrieve::kOpDelete || op == btrieve::kOpGetEqual ||
         op == btrieve::kOpGetFirst;
}

DBSM_TableEntry& Entry(PosDatabase& db, int table) {
  return db.DBSM_Table[static_cast<std::size_t>(table)];
}

TableHandle& Handle(PosDatabase& db, int table) {
  return *db.VATable[static_cast<std::size_t>(table)];
}

int ClockSecond(PosDatabase& db) { return db.host.Now().second; }

// More than five seconds since `start_second`, measured on the seconds field of the clock: the
// measure wraps once a minute, so a lock of 61 seconds counts as 1.
bool LockWindowPassed(PosDatabase& db, int start_second) {
  int now = ClockSecond(db);
  if (now < start_second) now += 60;
  return now - start_second > kLockWindowSeconds;
}

// Asks whether to try a locked record again. While the question is open, and after No, the entry's
// Status is 1000; Yes restores it and starts a new lock window.
bool LockQuestion(PosDatabase& db, int table) {
  DBSM_TableEntry& entry = Entry(db, table);
  const std::int16_t kept = entry.Status;
  entry.Status = kLockQuestionStatus;
  const MessageAnswer answer = db.host.ShowMessage(
      "Record is being accessed by another user. Unable to Update.\r\rDo you want to try again?",
      MessageButtons::kYesNo, MessageIcon::kQuestion, kProductName, MessageKind::kRetry);
  if (answer != MessageAnswer::kYes) return false;
  db.lock_start_second = ClockSecond(db);
  entry.Status = kept;
  return true;
}

// Keeps the retries of a locked file (85) that the report asks for within the lock window: beyond
// it the lock question decides, so that a lock that never clears cannot hold the program forever.
class LockRetryBound {
 public:
  explicit LockRetryBound(PosDatabase& db) : db_(db) {}

  bool Allow(int table, bool retry) {
    if (!retry || Entry(db_, table).Status != btrieve::kFileLocked) return retry;
    if (!started_) {
      started_ = true;
      start_second_ = ClockSecond(db_);
      return true;
    }
    if (!LockWindowPassed(db_, start_second_)) return true;
    if (!LockQuestion(db_, table)) return false;
    start_second_ = ClockSecond(db_);
    return true;
  }

 private:
  PosDatabase& db_;
  bool started_ = false;
  int start_second_ = 0;
};

void CreateMissingFile(PosDatabase& db, int table) {
  DBSM_TableEntry& entry = Entry(db, table);
  std::error_code code;
  if (std::filesystem::exists(std::filesystem::path(entry.FileName), code)) return;
  constexpr std::uint16_t kCreatePageSize = 1024;
  bool retry = true;
  while (retry) {
    entry.Status =
        static_cast<std::int16_t>(Handle(db, table).Create(entry.VariableLength, kCreatePageSize));
    if (entry.Status == btrieve::kOk || entry.Status == btrieve::kFileNotOpen) return;
    retry = DBSM_ReportError(db, table, btrieve::kOpCreate);
  }
}

void ShowDbsmError(PosDatabase& db, const std::string& text) {
  db.host.ShowMessage(text, MessageButtons::kOk, MessageIcon::kCritical, kDbsmTitle,
                      MessageKind::kInformation);
}

}  // namespace

bool DictionaryPresent(const std::string& folder) {
  std::error_code code;
  for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
    if (btrieve::SameName(entry.path().extension().string(), ".DDF")) return true;
  }
  return false;
}

void DBSM_LoadHolder(PosDatabase& db) {
  if (db.VATable.empty()) db.VATable.push_back(db.new_handle());
  TableHandle& holder = *db.VATable[0];
  holder.Perform(btrieve::kOpReset);
  holder.SetDictionaryLocation(db.DataPath);
}

void DBSM_UnloadHolder(PosDatabase& db) {
  if (db.VATable.empty()) return;
  db.VATable[0]->Perform(btrieve::kOpReset);
  for (std::size_t table = 0; table < db.VATable.size(); ++table) {
    db.VATable[table]->Close();
    if (table < db.DBSM_Table.size()) db.DBSM_Table[table].IsOpen = false;
  }
}

bool DBSM_LoadTables(PosDatabase& db) {
  if (db.VATable.empty()) db.VATable.push_back(db.new_handle());
  while (db.VATable.size() < static_cast<std::size_t>(kTableCount)) {
    db.VATable.push_back(db.new_handle());
  }
  db.DBSM_Table.resize(kTableCount);
  return true;
}

bool DBSM_OpenTable(PosDatabase& db, int table, int openMode, bool createIfMissing,
                    bool skipDictionaryCheck) {
  if (!skipDictionaryCheck && !DictionaryPresent(db.dictionary_location)) return true;
  DBSM_TableEntry& entry = Entry(db, table);
  TableHandle& handle = Handle(db, table);
  handle.SetDictionaryLocation(db.dictionary_location);
  handle.SetTableName(entry.TableName);
  handle.SetFileName(entry.FileName);
  if (createIfMissing) CreateMissingFile(db, table);
  LockRetryBound bound(db);
  for (;;) {
    handle.SetOpenMode(openMode);
    handle.Open();
    entry.Status = static_cast<std::int16_t>(handle.Status());
    if (entry.Status == btrieve::kOk) {
      entry.IsOpen = true;
      db.host.DoEvents();
      break;
    }
    entry.IsOpen = false;
    const bool retry = bound.Allow(table, DBSM_ReportError(db, table, btrieve::kOpOpen));
    db.host.DoEvents();
    if (!retry) break;
  }
  return entry.IsOpen;
}

void DBSM_CloseTable(PosDatabase& db, int table) {
  DBSM_TableEntry& entry = Entry(db, table);
  if (entry.IsOpen) Handle(db, table).Close();
  entry.IsOpen = false;
}

bool DBSM_TableOp(PosDatabase& db, int table, int op, int key, bool noTransfer, int opBias,
                  bool proceed) {
  if (!proceed) {
    proceed = DataPathAvailable(db);
    if (!proceed) return false;
  }
  DBSM_TableEntry& entry = Entry(db, table);
  TableHandle& handle = Handle(db, table);
  if ((op == btrieve::kOpInsert || op == btrieve::kOpUpdate) && !noTransfer) {
    DBSM_CopyBufferToHandle(db, table);
  }
  if (IsKeyedRead(op) && key != -1 && handle.KeyCount() > 0) {
    handle.SetKeyNumber(key);
    if (!noTransfer) DBSM_CopyKeyToHandle(db, table, key);
  }
  if (op == btrieve::kOpUpdate || op == btrieve::kOpGetEqual || op == btrieve::kOpGetFirst) {
    db.lock_start_second = ClockSecond(db);
  }
  LockRetryBound bound(db);
  bool result = false;
  while (proceed) {
    proceed = false;
    handle.Perform(op + opBias);
    entry.Status = IsTransaction(op) ? std::int16_t{0} : static_cast<std::int16_t>(handle.Status());
    if (entry.Status != btrieve::kOk) {
      proceed = DBSM_ReportError(db, table, op);
      if (!IsLockingOperation(op)) proceed = bound.Allow(table, proceed);
      result = false;
    } else {
      if (!noTransfer && FillsRecordBuffer(op)) DBSM_CopyHandleToBuffer(db, table);
      result = true;
    }
    if (!IsLockingOperation(op)) continue;
    switch (entry.Status) {
      case btrieve::kConflict:
        // The record changed since it was read: read it again and repeat with the caller's values.
        handle.Perform(btrieve::kOpGetEqual + opBias);
        DBSM_CopyBufferToHandle(db, table);
        proceed = true;
        break;
      case btrieve::kFileLocked:
        proceed = !LockWindowPassed(db, db.lock_start_second) || LockQuestion(db, table);
        break;
      case btrieve::kAccessDenied:
        if (table != kCommon) {
          db.host.ShowMessage("Access to File denied " + std::to_string(entry.Status) +
                                  "\r\nPlease call customer support",
                              MessageButtons::kOk, MessageIcon::kNone, "File access error",
                              MessageKind::kInformation);
        }
        break;
      default:
        break;
    }
  }
  return result;
}

bool DBSM_ReportError(PosDatabase& db, int table, int op) {
  DBSM_TableEntry& entry = Entry(db, table);
  const int status = entry.Status;
  constexpr const char* kPrefix = "DATABASE ERROR: ";
  constexpr const char* kShutDown = "Application Will Shut Down - Call Support.";
  std::string closing;
  bool retry = false;
  db.fatal = false;
  switch (status) {
    case btrieve::kOk:
    case btrieve::kKeyNotFound:
    case btrieve::kEndOfFile:
    case btrieve::kDuplicateKey:
    case btrieve::kAccessDenied:
    case btrieve::kRecordLocked:
      break;
    case btrieve::kFileNotOpen:
      closing = "Cannot Access Data From This Table.";
      break;
    case btrieve::kInvalidPositioning:
      if (!db.local_mode) {
        closing = kShutDown;
        db.fatal = true;
      }
      break;
    case btrieve::kRecordManagerInactive: {
      const MessageAnswer answer = db.host.ShowMessage(
          "The database engine did not load in sufficient time. You may need to close any other "
          "applications you have running or upgrade your system to make it faster.",
          MessageButtons::kRetryCancel, MessageIcon::kExclamation, "Database Engine Inactive",
          MessageKind::kRetry);
      retry = answer == MessageAnswer::kRetry;
      db.fatal = !retry;
      break;
    }
    case btrieve::kConflict:
      // One conflict in a row is passed over; the second is shown, and the count starts again.
      if (db.conflict_seen) {
        closing = "Some records may not update.";
        db.conflict_seen = false;
      } else {
        db.conflict_seen = true;
      }
      break;
    case btrieve::kLockTableFull:
      closing =
          "Database engine has not been setup with enough record locks.  Use workstation setup "
          "program to increase locks.";
      db.fatal = true;
      break;
    case btrieve::kFileLocked:
      retry = true;
      break;
    default:
      closing = kShutDown;
      db.fatal = true;
      break;
  }
  if (!closing.empty()) {
    const std::string text = DBSM_ErrorText(db, status);
    ShowDbsmError(db, kPrefix + text + "\r\r" + "Operation: " + DBSM_OperationName(op) + "\r" +
                          "File: " + entry.FileName + "\r\r" + closing);
    if (db.log_error) {
      // The box's content on one line, with what the engine found (a damaged page, a file cut
      // off), which the box leaves out.
      std::string line =
          kPrefix + text + " - Operation: " + DBSM_OperationName(op) + " - File: " + entry.FileName;
      const std::string detail = Handle(db, table).StatusDetail();
      if (!detail.empty()) line += " - " + detail;
      std::replace(line.begin(), line.end(), '\r', ' ');
      std::replace(line.begin(), line.end(), '\n', ' ');
      db.log_error(line);
    }
  }
  if (db.fatal) {
    if (db.end_on_fatal) EndProgramFromRecordLayer(db);
    ++db.fatal_statuses;
  }
  return retry;
}

std::string DBSM_ErrorText(const PosDatabase& db, int status) {
  if (status <= 0) return std::string();
  const std::filesystem::path file = db.app_dir / kErrorMessageFileName;
  std::string bytes;
  std::string error;
  std::error_code code;
  if (!std::filesystem::exists(file, code) || !ReadWholeFile(file, &bytes, &error)) {
    return std::to_string(status) + "\rWARNING: Error Message File Is Missing!";
  }
  std::string line;
  std::size_t start = 0;
  for (int n = 1; n <= status && start < bytes.size(); ++n) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
  }
  return line;
}

std::string DBSM_OperationName(int op) {
  static constexpr const char* kNames[] = {
      "Open Table",
      "Close Table",
      "Insert",
      "Update",
      "Delete",
      "Get Equal",
      "Get Next",
      "Get Previous",
      "Get Greater",
      "Get Greater or Equal",
      "Get Greater or Less",
      "Get Less or Equal",
      "Get First",
      "Get Last",
      "Create File",
      "Get File Stats",
      "Extend File",
      "Set Directory",
      "Get Directory",
      "",
      "End Transaction",
      "Abort Transaction",
      "Get Position",
      "Get Directory Offset",
      "Step Next",
      "Stop",
      "Get Version",
      "Unlock",
      "Reset",
      "Assign Owner",
      "Clear Owner",
      "Create Supplimental Index",
      "Drop Supplimental Index",
      "Step First",
      "Step Last",
      "Step Previous",
  };
  if (op == kBeginConcurrentTransaction) return "Begin Transaction";
  if (op < 0 || op >= static_cast<int>(std::size(kNames))) return std::string();
  return kNames[op];
}

}  // namespace kez
