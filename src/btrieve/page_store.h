// Access to the pages of a data file by page number. Old-format files address pages physically;
// new-format files address everything but the FCR and PAT pages through logical page numbers,
// translated by the current page allocation tables (PATs).
#ifndef KEZ_BTRIEVE_PAGE_STORE_H_
#define KEZ_BTRIEVE_PAGE_STORE_H_

#include <cstdint>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/page_source.h"
#include "btrieve/status.h"

namespace btrieve {

// 6.x page types (the type byte of a PAT entry and of a page pointer).
enum PageType : std::uint8_t {
  kPageFree = 0x00,
  kPageAcs = 'A',
  kPageData = 'D',
  kPageVariable = 'V',
  kPageIndexBase = 0x80,  // + key number
};

class PageStore {
 public:
  PageStore() = default;

  // Old format: every whole page of the file, physically addressed.
  void InitOld(PageSource* source);
  // New format: reads the current copy of each PAT pair needed for `logical_pages` pages.
  Status InitNew(PageSource* source, std::uint32_t logical_pages);

  std::uint32_t page_size() const { return page_size_; }
  // Highest usable page number + 1 (logical in new files, physical in old ones).
  std::uint32_t page_limit() const { return page_limit_; }
  bool logical() const { return logical_; }

  // The bytes of a page, or nullptr when the number is out of range or maps outside the file.
  // Valid until the next Unpin().
  const std::uint8_t* Page(std::uint32_t page) const;
  // Lets the pages fetched so far be dropped from the cache.
  void Unpin() const { source_->Unpin(); }
  // New format: the PAT type of a logical page (kPageFree when unknown). Old format: kPageFree.
  std::uint8_t Type(std::uint32_t page) const;
  // New format: the physical page a logical page maps to, or kNoPointer.
  std::uint32_t Physical(std::uint32_t page) const;

  // Entries per PAT page and the physical page of the first page of PAT pair k.
  static std::uint32_t PatEntries(std::uint32_t page_size) { return page_size / 4 - 2; }
  static std::uint32_t PatPairPage(std::uint32_t page_size, std::uint32_t k) {
    return 2 + k * (page_size / 4);
  }

 private:
  PageSource* source_ = nullptr;
  std::uint32_t page_size_ = 0;
  std::uint32_t physical_pages_ = 0;
  std::uint32_t page_limit_ = 0;
  bool logical_ = false;
  std::vector<std::uint32_t> physical_;  // by logical page
  std::vector<std::uint8_t> types_;      // by logical page
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_STORE_H_
