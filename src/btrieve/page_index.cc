#include "btrieve/page_index.h"

namespace btrieve {

std::uint32_t PageIndex::Find(std::uint32_t page) const {
  if (size_ == 0) return kAbsent;
  const std::size_t mask = entries_.size() - 1;
  for (std::size_t i = Home(page);; i = (i + 1) & mask) {
    const Entry& entry = entries_[i];
    if (entry.page == page) return entry.slot;
    if (entry.page == kAbsent) return kAbsent;
  }
}

void PageIndex::Set(std::uint32_t page, std::uint32_t slot) {
  // At most half full, so that a search meets an empty entry soon.
  if (2 * (size_ + 1) > entries_.size()) Grow();
  const std::size_t mask = entries_.size() - 1;
  for (std::size_t i = Home(page);; i = (i + 1) & mask) {
    Entry& entry = entries_[i];
    if (entry.page == page) {
      entry.slot = slot;
      return;
    }
    if (entry.page == kAbsent) {
      entry = {page, slot};
      ++size_;
      return;
    }
  }
}

bool PageIndex::Erase(std::uint32_t page) {
  if (size_ == 0) return false;
  const std::size_t mask = entries_.size() - 1;
  std::size_t hole = Home(page);
  while (entries_[hole].page != page) {
    if (entries_[hole].page == kAbsent) return false;
    hole = (hole + 1) & mask;
  }
  // Entries after the hole that could not sit at their home (or nearer it) move back into it, so
  // that no search stops at the hole short of them.
  for (std::size_t next = (hole + 1) & mask; entries_[next].page != kAbsent;
       next = (next + 1) & mask) {
    const std::size_t home = Home(entries_[next].page);
    // Whether `home` lies cyclically in (hole, next]: the entry then stays.
    const bool stays = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
    if (!stays) {
      entries_[hole] = entries_[next];
      hole = next;
    }
  }
  entries_[hole] = Entry{};
  --size_;
  return true;
}

void PageIndex::Clear() {
  for (Entry& entry : entries_) entry = Entry{};
  size_ = 0;
}

void PageIndex::Grow() {
  std::vector<Entry> old = std::move(entries_);
  const std::size_t capacity = old.empty() ? 64 : 2 * old.size();
  entries_.assign(capacity, Entry{});
  shift_ = 64;
  for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;
  size_ = 0;
  for (const Entry& entry : old) {
    if (entry.page != kAbsent) Set(entry.page, entry.slot);
  }
}

}  // namespace btrieve
