// A key's order rebuilt from the records themselves, for when the file's own index cannot be
// trusted: every live record whose key is not null, sorted by key; records with equal keys follow
// their duplicate chain where the file keeps one, else their address.
#ifndef KEZ_BTRIEVE_SORTED_INDEX_H_
#define KEZ_BTRIEVE_SORTED_INDEX_H_

#include <cstdint>
#include <vector>

#include "btrieve/key_compare.h"
#include "btrieve/key_layout.h"
#include "btrieve/record_store.h"
#include "btrieve/status.h"

namespace btrieve {

class SortedIndex {
 public:
  // Reads every live record once. Fails only when a record cannot be read.
  static Status Build(const RecordStore& records, const KeyLayout& key,
                      const KeyComparator& compare, SortedIndex* out);

  std::size_t size() const { return records_.size(); }
  std::uint32_t record(std::size_t i) const { return records_[i]; }
  const std::uint8_t* key(std::size_t i) const { return keys_.data() + i * key_length_; }
  // The first position whose key is >= `key` (> with `strictly_greater`); size() when none.
  std::size_t Seek(const std::uint8_t* key, bool strictly_greater) const;
  // The position of a record with the given key, or size().
  std::size_t Find(const std::uint8_t* key, std::uint32_t record) const;

 private:
  const KeyComparator* compare_ = nullptr;
  std::size_t key_length_ = 0;
  std::vector<std::uint8_t> keys_;
  std::vector<std::uint32_t> records_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_SORTED_INDEX_H_
