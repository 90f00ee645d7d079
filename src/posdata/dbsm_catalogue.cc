#include "posdata/dbsm_catalogue.h"

#include "btrieve/dictionary.h"
#include "btrieve/operation.h"
#include "posdata/dbsm_btrieve.h"

namespace kez {
namespace {

struct CatalogueRow {
  const char* stem;
  bool numbered;  // the file name carries the file number
};

constexpr CatalogueRow kCatalogue[kTableCount] = {
    {"COMMON", false}, {"invt", true},     {"SaleHead", true},
    {"UPC", true},     {"SaleItem", true}, {"name", false},
};

constexpr int kFileNumberField = 52;

}  // namespace

std::string KezDataFileName(int table, int file_number) {
  const CatalogueRow& row = kCatalogue[table];
  return std::string(row.stem) + (row.numbered ? std::to_string(file_number) : "") + ".KEZ";
}

void DBSM_FillTableEntry(PosDatabase& db, int table, const std::string& data_path,
                         int file_number) {
  DBSM_TableEntry& entry = db.DBSM_Table[static_cast<std::size_t>(table)];
  entry.TableName = KezTableDef(table).name;
  // Data folders copied from Windows keep their names but not always their letter case.
  entry.FileName = btrieve::ResolvePath(data_path, KezDataFileName(table, file_number)).string();
  entry.IsOpen = false;
  entry.VariableLength = false;
}

bool DBSM_OpenDatabase(PosDatabase& db) {
  DBSM_LoadHolder(db);
  db.dictionary_location = db.DataPath;
  DBSM_LoadTables(db);
  DBSM_FillTableEntry(db, kCommon, db.DataPath, 0);
  if (!DBSM_OpenTable(db, kCommon, 0, true, false)) return false;
  if (DBSM_TableOp(db, kCommon, btrieve::kOpStepFirst, 0)) {
    const int file_number = db.buffers[kCommon].Integer(kFileNumberField);
    for (int table : {kInventory, kSalesHead, kSalesItem, kNames, kUpc}) {
      DBSM_FillTableEntry(db, table, db.DataPath, file_number);
    }
  }
  DBSM_CloseTable(db, kCommon);
  return true;
}

bool DBSM_OpenAll(PosDatabase& db) {
  for (int table = kInventory; table <= kNames; ++table) {
    if (!DBSM_OpenTable(db, table, 0, true, false)) return false;
  }
  return true;
}

bool DBSM_ReopenAll(PosDatabase& db) {
  if (db.DBSM_Table.size() < static_cast<std::size_t>(kTableCount)) return false;
  bool open = true;
  for (int table = kInventory; table <= kNames; ++table) {
    open = open && db.DBSM_Table[static_cast<std::size_t>(table)].IsOpen;
  }
  return open || DBSM_OpenAll(db);
}

void DBSM_CloseAll(PosDatabase& db) {
  for (int table = 0; table < static_cast<int>(db.DBSM_Table.size()); ++table) {
    if (db.DBSM_Table[static_cast<std::size_t>(table)].IsOpen) DBSM_CloseTable(db, table);
  }
}

void ReleaseTableMemory(PosDatabase& db) {
  for (const std::unique_ptr<TableHandle>& handle : db.VATable) {
    if (handle != nullptr) handle->ReleaseMemory();
  }
}

}  // namespace kez
