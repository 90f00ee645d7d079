// What a new data file is made from: record length, page size, format, keys with their segments,
// and the collating sequences the keys use. The same description the engine's Create takes.
#ifndef KEZ_BTRIEVE_FILE_PLAN_H_
#define KEZ_BTRIEVE_FILE_PLAN_H_

#include <cstdint>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/key_layout.h"

namespace btrieve {

struct SegmentPlan {
  std::uint16_t position = 0;  // offset in the user data (0-based)
  std::uint16_t length = 0;
  std::uint16_t flags = 0;  // key flags; kKeySegmented is set by the creator as needed
  std::uint8_t type = kTypeString;
  std::uint8_t null_value = 0;
  int acs = -1;  // index into FilePlan::collating_sequences when the segment uses one
};

struct KeyDef {
  std::vector<SegmentPlan> segments;  // the first segment's flags carry the key's flags
};

struct FilePlan {
  Format format = Format::kNew;  // kNew writes 6.1 files, kOld 5.x files
  std::uint16_t record_length = 0;
  std::uint16_t page_size = 4096;
  bool variable_length = false;
  std::uint8_t reserved_duplicate_pointers = 0;
  std::vector<KeyDef> keys;
  std::vector<CollatingSequence> collating_sequences;
};

// The plan that makes a file with the same record length, page size, keys and collating
// sequences as an existing one (format and page size may then be changed).
FilePlan PlanFromLayout(const FileLayout& layout);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_PLAN_H_
