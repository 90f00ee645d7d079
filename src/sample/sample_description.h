// A sample store described record by record in JSON (kezagg sample --from): exactly the records
// listed, each field given by name or index, every other field empty. docs/sample-store.md
// describes the format.
#ifndef KEZ_SAMPLE_SAMPLE_DESCRIPTION_H_
#define KEZ_SAMPLE_SAMPLE_DESCRIPTION_H_

#include <string>
#include <string_view>
#include <vector>

#include "posdata/record_buffer.h"

namespace kez {

struct SampleDescription {
  int file_number = 1;  // COMMON field 52 of the first COMMON record, or "file_number"
  std::vector<RecordBuffer> records;  // in the order listed, table by table
  std::string kez_ini;                // the "kez_ini" text, or empty for the generator's
};

// Reads a description. False, with `error` naming the place ("tables.SALESHEAD[2].Invoice: ..."),
// for anything that is not valid JSON, an unknown table or field, a value of the wrong kind or one
// that does not fit its field, and text that Windows-1252 cannot hold.
bool ReadSampleDescription(std::string_view json, SampleDescription* out, std::string* error);

}  // namespace kez

#endif  // KEZ_SAMPLE_SAMPLE_DESCRIPTION_H_
