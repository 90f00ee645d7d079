// Field access of the record layer: one field of a table handle by index or name, and the three
// copies between a table's record buffer and its handle that DBSM_TableOp runs around each
// operation (handle to buffer after a read, buffer to handle before a write, key fields to handle
// before a keyed read).
#ifndef KEZ_POSDATA_DBSM_FIELDS_H_
#define KEZ_POSDATA_DBSM_FIELDS_H_

#include <string_view>

#include "btrieve/field_value.h"
#include "posdata/pos_database.h"

namespace kez {

// The value of field `field` (an index) or `name` of table `table`'s handle. When the handle knows
// no such field, a critical "KEZ DBSM System" box names the failure and the table, says the
// program will close, and the program ends. Any other failure shows the failure and the table and
// gives the whole number 0.
btrieve::FieldValue DBSM_GetField(PosDatabase& db, int table, int field);
btrieve::FieldValue DBSM_GetField(PosDatabase& db, int table, std::string_view name);

// Sets field `field` or `name` of the table's handle. A failure shows the failure and the table
// and is otherwise passed over.
void DBSM_PutField(PosDatabase& db, int table, int field, const btrieve::FieldValue& value);
void DBSM_PutField(PosDatabase& db, int table, std::string_view name,
                   const btrieve::FieldValue& value);

// Handle to record buffer, field by field in index order, each with its type's conversion; a field
// the handle cannot give, or whose value does not fit, is left empty (blanks or 0). SALESITEM's
// buffer is cleared before the first field. NAMES fields 11, 34 and 35 are read as text and
// converted from its leading number: field 11 rounded to a 16-bit integer (halves to even), fields
// 34 and 35 to currency, 0 when above 999999. The entry's Status takes the handle's status.
void DBSM_CopyHandleToBuffer(PosDatabase& db, int table);
// Record buffer to handle, every field in index order. The entry's Status takes the handle's
// status.
void DBSM_CopyBufferToHandle(PosDatabase& db, int table);
// The fields of key `key` (KeyCopyFields) from the record buffer to the handle, in the key's
// order; nothing for a key without a key copy.
void DBSM_CopyKeyToHandle(PosDatabase& db, int table, int key);

}  // namespace kez

#endif  // KEZ_POSDATA_DBSM_FIELDS_H_
