// Pages by number through the store's memory of the pages it last fetched: what it hands out is
// always the page as it stands, through changes of the operation in progress and writes that
// move the bytes.
#include "btrieve/page_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace btrieve {
namespace {

constexpr std::uint32_t kPageSize = 512;

std::unique_ptr<PageSource> FourPages() {
  std::vector<std::uint8_t> bytes(4 * kPageSize);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i / kPageSize);
  auto source = PageSource::FromMemory(std::move(bytes));
  source->set_page_size(kPageSize);
  return source;
}

TEST(PageStore, APageMadeMutableIsReadAsChangedAtOnce) {
  auto source = FourPages();
  PageStore pages;
  pages.InitOld(source.get());
  for (const bool index : {false, true}) {
    ASSERT_EQ((index ? pages.IndexPage(2) : pages.Page(2))[0], 2);
    std::uint8_t* mutable_page = pages.Mutable(2);
    mutable_page[0] = 42;
    EXPECT_EQ(pages.Page(2)[0], 42);
    EXPECT_EQ(pages.IndexPage(2)[0], 42);
    pages.DropChanges();
    EXPECT_EQ(pages.Page(2)[0], 2);
  }
  // A page added in the operation is read as added, not as the file holds it.
  ASSERT_EQ(pages.Page(3)[0], 3);
  pages.Add(3, kPageData)[0] = 7;
  EXPECT_EQ(pages.Page(3)[0], 7);
}

TEST(PageStore, AWriteThatMovesTheBytesIsSeen) {
  auto source = FourPages();
  PageStore pages;
  pages.InitOld(source.get());
  ASSERT_EQ(pages.Page(1)[0], 1);
  // Bytes in memory grow by moving: a pointer handed out before points at freed memory.
  std::vector<std::uint8_t> more(64 * kPageSize, 9);
  ASSERT_TRUE(source->Write(4 * kPageSize, more.data(), more.size()).ok());
  const std::uint8_t one = 11;
  ASSERT_TRUE(source->Write(kPageSize, &one, 1).ok());
  EXPECT_EQ(pages.Page(1)[0], 11);
}

}  // namespace
}  // namespace btrieve
