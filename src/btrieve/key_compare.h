// Orders key values the way the engine's indexes do: segment by segment, each by the rules of its
// key type, through its collating sequence or case folding, ascending or descending.
#ifndef KEZ_BTRIEVE_KEY_COMPARE_H_
#define KEZ_BTRIEVE_KEY_COMPARE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "btrieve/file_layout.h"

namespace btrieve {

class KeyComparator {
 public:
  KeyComparator(const KeyLayout& key, const FileLayout& layout);

  // <0, 0, >0 as key value `a` sorts before, with, or after `b`. Both hold key_length() bytes:
  // the segments' bytes one after another, as index entries store them.
  int Compare(const std::uint8_t* a, const std::uint8_t* b) const;

  // Copies the key value of a record (its user data) into `out` (key_length() bytes). Bytes of
  // a segment that lie beyond the end of the record are zero.
  void Extract(std::span<const std::uint8_t> record, std::uint8_t* out) const;

  // True when the record gets no index entry for this key: with the "null, all segments" flag
  // every segment is entirely its null value; with "null, any segment" (6.x) at least one is.
  bool IsNull(const std::uint8_t* key) const;

  std::uint16_t key_length() const { return key_length_; }

 private:
  // How a segment compares: the common kinds inline, the rest through CompareSegment.
  enum class Kind : std::uint8_t { kGeneric, kBytes, kSigned16, kSigned32, kSigned64, kUnsigned };
  struct Segment {
    std::uint16_t position;
    std::uint16_t length;
    Kind kind;
    std::uint8_t type;
    std::uint8_t null_value;
    bool descending;
    bool case_insensitive;
    const std::uint8_t* acs;  // 256-byte table or nullptr
  };
  static Kind KindOf(const Segment& s);

  std::vector<Segment> segments_;
  std::uint16_t key_length_ = 0;
  std::size_t extent_ = 0;  // a record at least this long holds every segment whole
  bool null_all_ = false;
  bool null_any_ = false;
};

// A key's length and a record's value of it, as KeyComparator gives them, without building one:
// the table handle makes a search value before every operation.
std::uint16_t KeyLength(const KeyLayout& key);
void ExtractKey(const KeyLayout& key, std::span<const std::uint8_t> record, std::uint8_t* out);

// Compares one segment value of the given type (exposed for tests). `acs` may be null.
int CompareSegment(std::uint8_t type, const std::uint8_t* a, const std::uint8_t* b,
                   std::uint16_t length, const std::uint8_t* acs, bool case_insensitive);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_KEY_COMPARE_H_
