// kezDBSM_Btrieve: the record engine access layer. It creates and opens the table handles, runs
// every record operation through DBSM_TableOp, turns engine statuses into messages and retries,
// and asks the user when a record stays locked. Everything above it works with table numbers,
// operation codes, key numbers and the record buffers.
#ifndef KEZ_POSDATA_DBSM_BTRIEVE_H_
#define KEZ_POSDATA_DBSM_BTRIEVE_H_

#include <string>

#include "posdata/pos_database.h"

namespace kez {

// The holder of the handles is loaded: handle 0 exists, has performed Reset (28) and knows the
// dictionary location (the data path).
void DBSM_LoadHolder(PosDatabase& db);
// The holder unloads: handle 0 performs Reset again, and every handle is closed.
void DBSM_UnloadHolder(PosDatabase& db);

// True when `folder` holds a data dictionary file ("*.DDF", letter case aside).
bool DictionaryPresent(const std::string& folder);

// Creates handles 1 to count-1 (count = kTableCount) and sizes the table entries. Always true.
bool DBSM_LoadTables(PosDatabase& db);

// Opens the table of entry `table` and returns its IsOpen. Unless `skipDictionaryCheck`, a
// dictionary location without a "*.DDF" file gives true at once without opening anything. With
// `createIfMissing` a missing data file is first created empty from the dictionary. A failed open
// is reported (operation "Open Table") and repeated while the report asks for it.
bool DBSM_OpenTable(PosDatabase& db, int table, int openMode = 0, bool createIfMissing = true,
                    bool skipDictionaryCheck = false);
// Closes the table's handle when IsOpen, then clears IsOpen.
void DBSM_CloseTable(PosDatabase& db, int table);

// Performs operation `op` (+ `opBias`) on table `table` with key number `key` (-1 keeps the
// handle's key number), copying between the record buffer and the handle unless `noTransfer`.
// Returns true on engine status 0; the status stays in the entry's Status. Unless `proceed`, the
// data path's availability is checked first. Failures are reported by DBSM_ReportError; a changed
// record (80) is re-read and the update repeated; a locked file (85) is retried silently for five
// seconds on the host's clock and then through the lock question.
bool DBSM_TableOp(PosDatabase& db, int table, int op, int key, bool noTransfer = false,
                  int opBias = 0, bool proceed = false);

// Shows the message for the entry's Status after operation `op` and returns whether the caller
// should repeat the operation. Statuses that end the program end it (EndProgram) after the
// message.
bool DBSM_ReportError(PosDatabase& db, int table, int op);

// The text for `status` from KEZBTERR.MSG in AppDir (line N for status N; the last line for a
// status beyond the end); empty for 0 and below. Without the file: the status and the warning
// "WARNING: Error Message File Is Missing!".
std::string DBSM_ErrorText(const PosDatabase& db, int status);

// The name of operation code `op` for messages; empty for codes without one (19, 1020 and up).
std::string DBSM_OperationName(int op);

}  // namespace kez

#endif  // KEZ_POSDATA_DBSM_BTRIEVE_H_
