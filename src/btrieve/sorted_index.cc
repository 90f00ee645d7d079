#include "btrieve/sorted_index.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace btrieve {
namespace {

// Reorders a run of records with equal keys into duplicate-chain order where the chain pointers
// are consistent; records the chain does not reach keep their address order at the end.
void ChainOrder(const RecordStore& records, std::uint16_t pair_offset,
                std::vector<std::uint32_t>* run) {
  if (run->size() < 2) return;
  std::unordered_map<std::uint32_t, std::size_t> where;
  for (std::size_t i = 0; i < run->size(); ++i) where[(*run)[i]] = i;
  std::vector<std::uint8_t> placed(run->size(), 0);
  std::vector<std::uint32_t> ordered;
  ordered.reserve(run->size());
  for (std::uint32_t head : *run) {
    Status ignored;
    const std::uint8_t* slot = records.LiveSlot(head, &ignored);
    if (slot == nullptr || where.count(records.ChainPrevious(slot, pair_offset))) continue;
    for (std::uint32_t at = head; ordered.size() < run->size();) {
      const auto found = where.find(at);
      if (found == where.end() || placed[found->second]) break;
      placed[found->second] = 1;
      ordered.push_back(at);
      slot = records.LiveSlot(at, &ignored);
      if (slot == nullptr) break;
      at = records.ChainNext(slot, pair_offset);
    }
  }
  for (std::size_t i = 0; i < run->size(); ++i) {
    if (!placed[i]) ordered.push_back((*run)[i]);
  }
  *run = std::move(ordered);
}

}  // namespace

Status SortedIndex::Build(const RecordStore& records, const KeyLayout& key,
                          const KeyComparator& compare, SortedIndex* out) {
  const std::size_t length = compare.key_length();
  std::vector<std::uint8_t> keys;
  std::vector<std::uint32_t> addresses;
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> value(length);
  for (std::uint32_t at = records.First(); at != kNoPointer; at = records.Next(at)) {
    records.Unpin();
    Status status;
    const std::uint8_t* slot = records.LiveSlot(at, &status);
    if (slot == nullptr) return status;
    if (Status s = records.Read(slot, &data); !s.ok()) return s;
    compare.Extract(data, value.data());
    if (compare.IsNull(value.data())) continue;
    keys.insert(keys.end(), value.begin(), value.end());
    addresses.push_back(at);
  }
  std::vector<std::size_t> order(addresses.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return compare.Compare(&keys[a * length], &keys[b * length]) < 0;
  });
  out->compare_ = &compare;
  out->key_length_ = length;
  out->keys_.clear();
  out->records_.clear();
  out->keys_.reserve(keys.size());
  out->records_.reserve(addresses.size());
  for (std::size_t i = 0; i < order.size();) {
    std::size_t end = i + 1;
    while (end < order.size() &&
           compare.Compare(&keys[order[i] * length], &keys[order[end] * length]) == 0) {
      ++end;
    }
    std::vector<std::uint32_t> run;
    std::unordered_map<std::uint32_t, std::size_t> source;
    for (std::size_t j = i; j < end; ++j) {
      run.push_back(addresses[order[j]]);
      source[addresses[order[j]]] = order[j];
    }
    if (key.linked_duplicates) ChainOrder(records, key.duplicate_pointer_offset, &run);
    for (std::uint32_t address : run) {
      const std::uint8_t* bytes = &keys[source[address] * length];
      out->records_.push_back(address);
      out->keys_.insert(out->keys_.end(), bytes, bytes + length);
    }
    i = end;
  }
  return Status::Ok();
}

std::size_t SortedIndex::Seek(const std::uint8_t* key, bool strictly_greater) const {
  std::size_t low = 0;
  std::size_t high = records_.size();
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    const int c = compare_->Compare(this->key(mid), key);
    if (c < 0 || (strictly_greater && c == 0)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

std::size_t SortedIndex::Find(const std::uint8_t* key, std::uint32_t record) const {
  for (std::size_t i = Seek(key, false);
       i < records_.size() && compare_->Compare(this->key(i), key) == 0; ++i) {
    if (records_[i] == record) return i;
  }
  return records_.size();
}

}  // namespace btrieve
