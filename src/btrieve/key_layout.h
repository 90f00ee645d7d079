// The description of one key of a data file, as its file control record holds it: segments with
// their positions, lengths, flags and types, the root of the key's index, and its counters.
#ifndef KEZ_BTRIEVE_KEY_LAYOUT_H_
#define KEZ_BTRIEVE_KEY_LAYOUT_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"

namespace btrieve {

// Key flags as stored in a key segment description.
enum KeyFlag : std::uint16_t {
  kKeyDuplicates = 0x0001,
  kKeyModifiable = 0x0002,
  kKeyBinary = 0x0004,  // before extended types: compare as unsigned binary
  kKeyNullAll = 0x0008,
  kKeySegmented = 0x0010,  // another segment of the same key follows
  kKeyAlternateCollation = 0x0020,
  kKeyDescending = 0x0040,
  kKeyRepeatingDuplicates = 0x0080,  // 6.x and later
  kKeyExtendedType = 0x0100,
  kKeyNullAny = 0x0200,          // 6.x and later
  kKeyCaseInsensitive = 0x0400,  // 6.x and later; with 0x0020 a numbered ACS
};

// Key types (the extended key type byte).
enum KeyType : std::uint8_t {
  kTypeString = 0,
  kTypeInteger = 1,
  kTypeFloat = 2,
  kTypeDate = 3,
  kTypeTime = 4,
  kTypeDecimal = 5,
  kTypeMoney = 6,
  kTypeLogical = 7,
  kTypeNumeric = 8,
  kTypeBfloat = 9,
  kTypeLstring = 10,
  kTypeZstring = 11,
  kTypeNote = 12,
  kTypeLvar = 13,
  kTypeUnsignedBinary = 14,
  kTypeAutoIncrement = 15,
  kTypeBit = 16,
  kTypeNumericSts = 17,
  kTypeNumericSa = 18,
  kTypeCurrency = 19,
  kTypeTimestamp = 20,
  kTypeWstring = 25,
  kTypeWzstring = 26,
  kTypeGuid = 27,
};

// An alternate collating sequence: byte b sorts as table[b].
struct CollatingSequence {
  std::string name;
  std::array<std::uint8_t, 256> table{};
};

struct KeySegment {
  std::uint16_t position = 0;  // offset inside the user data (the logical record)
  std::uint16_t length = 0;
  std::uint16_t flags = 0;
  std::uint8_t type = kTypeString;
  std::uint8_t null_value = 0;
  int acs = -1;  // index into FileLayout::collating_sequences, -1 when none applies

  bool descending() const { return (flags & kKeyDescending) != 0; }
};

struct KeyLayout {
  int number = 0;  // the key number used by the operations
  std::vector<KeySegment> segments;
  std::uint16_t flags = 0;            // flags of the first segment: duplicates, null, modifiable
  std::uint32_t root = kNoPointer;    // page of the index root (5.x physical, 6.x logical)
  std::uint32_t distinct_values = 0;  // index entries, records with a null key not counted
  std::uint16_t key_length = 0;
  std::uint16_t entry_size = 0;
  std::uint16_t max_entries = 0;
  std::uint16_t min_entries = 0;
  std::uint16_t duplicate_pointer_offset = 0;  // inside the physical record, linked duplicates only
  std::uint32_t spec_offset = 0;               // FCR offset of the first segment description
  bool linked_duplicates = false;

  bool duplicates() const { return (flags & kKeyDuplicates) != 0; }
  bool modifiable() const { return (flags & kKeyModifiable) != 0; }
  // Size of one index entry: child pointer, key, and one record address or a first/last pair.
  std::uint16_t ExpectedEntrySize() const {
    return static_cast<std::uint16_t>(key_length + (linked_duplicates ? 12 : 8));
  }
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_KEY_LAYOUT_H_
