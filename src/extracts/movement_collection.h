// The collection half of the SymphonyIRI report: one week of sale lines, read from the sale
// headers, sale lines, inventory and UPC tables, merged into one movement row per item, store and
// sale day.
#ifndef KEZ_EXTRACTS_MOVEMENT_COLLECTION_H_
#define KEZ_EXTRACTS_MOVEMENT_COLLECTION_H_

#include <cstdint>
#include <optional>

#include "context/movement_data.h"
#include "posdata/pos_database.h"
#include "settings/cls_settings.h"

namespace kez {

// Rebuilds movement.MovementRows from `db`'s sales of the seven days before the SymphonyIRI
// report's StartDate (that day itself excluded), for the report's store, and sets
// MovementStartKey. Every table read goes through DBSM_TableOp. Returns the number of rows, or
// nullopt when a table could not be read to its end (the rows are then incomplete and are
// cleared).
std::optional<std::int64_t> CollectMovementData(PosDatabase& db, const clsSettings& report,
                                                MovementData& movement);

// Merges CurrentMovementRow into the rows: its quantity and dollars are added to the row of the
// same inventory id, store and day, or it becomes a new last row. Returns 1 when a row was added,
// 0 when it was merged.
int AddMovementRow(MovementData& movement);

}  // namespace kez

#endif  // KEZ_EXTRACTS_MOVEMENT_COLLECTION_H_
