#include "btrieve/page_memory.h"

#include <algorithm>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace btrieve {
namespace {

constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kFirstBlockPages = 8;
constexpr std::size_t kLargestBlockBytes = 1u << 20;

#if defined(__linux__)
// Linux 5.14 and later; older kernels refuse it, and the pages then fault in one by one.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
void MakeResident(std::uint8_t* block, std::size_t bytes) {
  (void)::madvise(block, bytes, MADV_POPULATE_WRITE);
}
#else
void MakeResident(std::uint8_t*, std::size_t) {}
#endif

}  // namespace

void PageMemory::Free::operator()(std::uint8_t* block) const {
  ::operator delete[](block, std::align_val_t{kAlignment});
}

std::uint8_t* PageMemory::Take(std::size_t page_bytes, std::size_t wanted_later) {
  if (page_bytes != page_bytes_) {
    page_bytes_ = page_bytes;
    left_ = 0;
    block_pages_ = 0;
  }
  if (left_ == 0) {
    const std::size_t largest = std::max<std::size_t>(1, kLargestBlockBytes / page_bytes_);
    block_pages_ = block_pages_ == 0 ? kFirstBlockPages : std::min(block_pages_ * 2, largest);
    const std::size_t pages = std::clamp<std::size_t>(wanted_later, 1, block_pages_);
    const std::size_t bytes = pages * page_bytes_;
    auto* block = static_cast<std::uint8_t*>(::operator new[](bytes, std::align_val_t{kAlignment}));
    if (bytes % kAlignment == 0) MakeResident(block, bytes);
    blocks_.emplace_back(block);
    next_ = block;
    left_ = pages;
  }
  std::uint8_t* page = next_;
  next_ += page_bytes_;
  --left_;
  return page;
}

}  // namespace btrieve
