// The table catalogue: the six tables' numbers, dictionary names and data files, and the start-up
// steps that fill the table entries, read the suite's common record, open the data tables and
// close them all.
#ifndef KEZ_POSDATA_DBSM_CATALOGUE_H_
#define KEZ_POSDATA_DBSM_CATALOGUE_H_

#include <string>

#include "posdata/pos_database.h"

namespace kez {

// The data file name of `table` for file number `file_number` (COMMON field 52): "COMMON.KEZ",
// "invt" N ".KEZ", "SaleHead" N ".KEZ", "UPC" N ".KEZ", "SaleItem" N ".KEZ", "name.KEZ".
std::string KezDataFileName(int table, int file_number);

// Fills entry `table`: its dictionary name, and its data file in `data_path` (an existing file of
// that name in another letter case is taken as it is); IsOpen and VariableLength false.
void DBSM_FillTableEntry(PosDatabase& db, int table, const std::string& data_path, int file_number);

// The start-up sequence: loads the holder and the handles with the data path as dictionary
// location, opens COMMON, reads its first record (Step First) into the COMMON buffer and, when
// that succeeds, fills the entries of the other tables with the file number of its field 52;
// then closes COMMON. False only when COMMON cannot be opened.
bool DBSM_OpenDatabase(PosDatabase& db);

// Opens tables 1 to 5 in order; false at the first that fails (the rest stay closed).
bool DBSM_OpenAll(PosDatabase& db);
// Opens the tables again unless all five are open. A program without a screen keeps running when
// a table cannot be opened (a damaged file may be repaired meanwhile), and each job calls this
// before it reads. False when a table could not be opened.
bool DBSM_ReopenAll(PosDatabase& db);

// Closes every open table.
void DBSM_CloseAll(PosDatabase& db);

// Lets every open table give back the memory of the pages it keeps, leaving it open: after a job,
// when the next is hours away.
void ReleaseTableMemory(PosDatabase& db);

}  // namespace kez

#endif  // KEZ_POSDATA_DBSM_CATALOGUE_H_
