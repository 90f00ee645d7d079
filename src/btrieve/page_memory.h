// Memory for the page cache's slots, carved from blocks of many pages. A page of fresh memory
// costs a fault at its first touch, and on a virtual machine a fault costs about 10 us, four
// times the read that fills the page. Blocks grow as the cache does, so a small file gets a small
// block; where the system allows, each block is made resident in one call, and once a cache has
// used a whole 1 MB block and has room for 2 MB more, its blocks are 2 MB huge pages, which fault
// once each.
#ifndef KEZ_BTRIEVE_PAGE_MEMORY_H_
#define KEZ_BTRIEVE_PAGE_MEMORY_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace btrieve {

class PageMemory {
 public:
  // A buffer of `page_bytes` that lives as long as this object. `wanted_later` says how many
  // more pages may be asked for (the rest of the cache's room), so that a block is no larger.
  std::uint8_t* Take(std::size_t page_bytes, std::size_t wanted_later);

  // Bytes taken from the system for blocks.
  std::size_t reserved_bytes() const { return reserved_bytes_; }

 private:
  struct Free {
    std::size_t mapped_bytes = 0;  // the size of a block mapped on its own; 0: from operator new
    void operator()(std::uint8_t* block) const;
  };
  using Block = std::unique_ptr<std::uint8_t[], Free>;

  static Block NewBlock(std::size_t bytes, bool huge);

  std::size_t page_bytes_ = 0;
  std::vector<Block> blocks_;
  std::uint8_t* next_ = nullptr;
  std::size_t left_ = 0;  // pages of the newest block not yet taken
  std::size_t block_pages_ = 0;
  std::size_t reserved_bytes_ = 0;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_MEMORY_H_
