// Which cache slot holds a page: a small open-addressed table (linear probing, deletion by
// shifting back). A scan replaces one entry a page, where a node-based map allocated and freed
// one each time.
#ifndef KEZ_BTRIEVE_PAGE_INDEX_H_
#define KEZ_BTRIEVE_PAGE_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace btrieve {

class PageIndex {
 public:
  static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;

  // The slot of `page`, or kAbsent.
  std::uint32_t Find(std::uint32_t page) const;
  bool Contains(std::uint32_t page) const { return Find(page) != kAbsent; }
  // Sets the slot of `page` (0xFFFFFFFF is not a page number).
  void Set(std::uint32_t page, std::uint32_t slot);
  // Whether `page` was there.
  bool Erase(std::uint32_t page);
  void Clear();
  std::size_t size() const { return size_; }

 private:
  struct Entry {
    std::uint32_t page = kAbsent;
    std::uint32_t slot = 0;
  };
  std::size_t Home(std::uint32_t page) const {
    // Multiplicative hashing: pages of one run are neighbours and must not crowd one stretch.
    return static_cast<std::size_t>((page * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void Grow();

  std::vector<Entry> entries_;
  std::size_t size_ = 0;
  int shift_ = 63;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_INDEX_H_
