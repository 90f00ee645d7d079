// A full consistency check of one data file: every index walked as stored must reach exactly the
// live records whose key is not null, in non-decreasing key order, each entry matching its record.
#ifndef KEZ_BTRIEVE_CONSISTENCY_H_
#define KEZ_BTRIEVE_CONSISTENCY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/file.h"

namespace btrieve {

struct KeyCheck {
  int number = 0;
  std::uint64_t entries = 0;  // index entries (distinct values for linked duplicates)
  int levels = 0;
  std::uint64_t records = 0;  // records reached through the index
  bool ok = false;
  std::string problem;  // where and why, when not ok
};

struct FileCheck {
  std::uint64_t live_records = 0;  // found in physical order
  bool records_ok = false;         // physical count equals the control record's count
  std::string records_problem;
  std::vector<KeyCheck> keys;
  bool ok() const;
};

// Checks an open file. Reads every record once plus once per key.
FileCheck CheckFile(File& file);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_CONSISTENCY_H_
