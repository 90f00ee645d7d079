// The page cache's memory: every page taken is its own, through small blocks and huge ones, and
// a cache with little room left takes no more than that room.
#include "btrieve/page_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace btrieve {
namespace {

// A 16 MB cache filling page by page, for every page size a file may have (1536 does not
// divide a huge page): each page keeps its own bytes however many are taken after it.
TEST(PageMemory, PagesTakenAcrossSmallAndHugeBlocksNeverOverlap) {
  constexpr std::size_t kCacheBytes = 16u << 20;
  for (const std::size_t page_bytes : {512u, 1536u, 4096u, 16384u}) {
    PageMemory memory;
    const std::size_t capacity = kCacheBytes / page_bytes;
    std::vector<std::uint8_t*> pages;
    for (std::size_t i = 0; i < capacity; ++i) {
      std::uint8_t* page = memory.Take(page_bytes, capacity - i - 1);
      ASSERT_NE(page, nullptr);
      std::memset(page, static_cast<int>(i * 31 % 251), page_bytes);
      std::memcpy(page, &i, sizeof i);
      pages.push_back(page);
    }
    for (std::size_t i = 0; i < capacity; ++i) {
      std::size_t stamp = 0;
      std::memcpy(&stamp, pages[i], sizeof stamp);
      ASSERT_EQ(stamp, i) << page_bytes;
      const auto fill = static_cast<std::uint8_t>(i * 31 % 251);
      ASSERT_EQ(pages[i][page_bytes - 1], fill) << page_bytes << " page " << i;
    }
#if defined(__linux__)
    // After blocks of 8 to 256 pages, a cache of 4 KB pages with room left takes huge pages.
    if (page_bytes == 4096) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pages[504]) % (2u << 20), 0u);
    }
#endif
    // Whole blocks are taken ahead, never more than one huge page beyond what was used.
    EXPECT_GE(memory.reserved_bytes(), capacity * page_bytes);
    EXPECT_LE(memory.reserved_bytes(), capacity * page_bytes + (2u << 20)) << page_bytes;
  }
}

// A small file's cache takes what the file can use, not a block sized for a large one.
TEST(PageMemory, ACacheWithLittleRoomTakesOnlyThatRoom) {
  PageMemory memory;
  for (std::size_t left = 40; left-- > 0;) ASSERT_NE(memory.Take(4096, left), nullptr);
  EXPECT_EQ(memory.reserved_bytes(), 40u * 4096);
}

}  // namespace
}  // namespace btrieve
