// What the file control record (FCR) of a data file says, decoded: format and version, page size,
// record lengths and counts, the keys, and the collating sequences. layout_reader.cc reads the
// bytes at the offsets it names; some are noted beside the fields below.
#ifndef KEZ_BTRIEVE_FILE_LAYOUT_H_
#define KEZ_BTRIEVE_FILE_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/key_layout.h"

namespace btrieve {

// File flags given at creation (FCR offset 0x106).
enum FileFlag : std::uint16_t {
  kFileVariableLength = 0x0001,
  kFileBlankTruncation = 0x0002,
  kFilePreallocate = 0x0004,
  kFileCompressed = 0x0008,
  kFileKeyOnly = 0x0010,
  kFileBalancedIndexes = 0x0020,
  kFileReserveDuplicatePointers = 0x0100,
  kFileExplicitKeyNumbers = 0x0400,
  kFileVariableTailTables = 0x0800,
};

enum class Format {
  kOld,  // 3.x, 4.x, 5.x: page 0 is the only FCR, physical page numbers
  kNew,  // 6.x, 7.x: two FCR copies, page allocation tables, logical page numbers
};

struct FileLayout {
  Format format = Format::kOld;
  std::uint16_t version = 0;  // 0x0300, 0x0400, 0x0500, 0x0600, 0x0610, 0x0700
  std::uint32_t page_size = 0;
  std::uint32_t fcr_page = 0;         // physical page of the current FCR (new format: 0 or 1)
  std::uint32_t fcr_usage = 0;        // its usage count
  std::uint16_t record_length = 0;    // fixed part of the user data (0 in compressed files)
  std::uint16_t physical_length = 0;  // slot size in data pages
  std::uint32_t record_count = 0;
  std::uint16_t file_flags = 0;
  std::uint8_t variable_flag = 0;  // FCR 0x38: 00 fixed, FF variable, FD truncated blanks
  std::uint32_t page_count = 0;    // old: pages in the file; new: logical pages in use
  std::uint32_t last_data_page = kNoPointer;  // old format only
  std::uint16_t unused_bytes_last_page = 0;   // old format: high-water mark of that page
  std::uint32_t deleted_head = kNoPointer;    // old format: first deleted slot
  std::uint32_t free_slot_head = kNoPointer;  // new format: first free slot
  std::uint32_t free_page_head = kNoPointer;
  std::uint16_t duplicate_pointer_offset = 0;  // new format: FCR 0x72
  std::uint16_t duplicate_pointer_count = 0;   // new format: FCR 0x74
  std::string acs_name;
  std::vector<KeyLayout> keys;
  std::vector<CollatingSequence> collating_sequences;

  // Offset of the user data inside a slot: 0 (old), 2 (new: the record usage count first),
  // more in 7.x files that place duplicate pointers before the data.
  std::uint32_t data_offset = 0;

  bool variable() const { return (file_flags & kFileVariableLength) != 0 || variable_flag != 0; }
  bool compressed() const { return (file_flags & kFileCompressed) != 0; }
  std::uint32_t slots_per_page() const {
    return physical_length == 0 ? 0 : (page_size - 6) / physical_length;
  }
  // Version as "major.minor": 6.1, 6.0, 5.0, 4.0, 3.0.
  std::string VersionText() const;
  const KeyLayout* FindKey(int number) const;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_LAYOUT_H_
