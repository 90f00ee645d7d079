#include "btrieve/page_store.h"

#include <string>

#include "btrieve/byte_order.h"

namespace btrieve {

void PageStore::InitOld(PageSource* source) {
  source_ = source;
  page_size_ = source->page_size();
  physical_pages_ = source->page_count();
  page_limit_ = physical_pages_;
  logical_ = false;
  physical_.clear();
  types_.clear();
}

Status PageStore::InitNew(PageSource* source, std::uint32_t logical_pages) {
  source_ = source;
  const std::uint32_t page_size = source->page_size();
  page_size_ = page_size;
  physical_pages_ = source->page_count();
  logical_ = true;
  const std::uint32_t per_pat = PatEntries(page_size);
  // Logical page 0 is the FCR; pages 1..logical_pages-1 are mapped by the PATs.
  if (logical_pages == 0) logical_pages = 1;
  const std::uint32_t wanted = logical_pages - 1;
  const std::uint32_t pats = (wanted + per_pat - 1) / per_pat;
  physical_.assign(logical_pages, kNoPointer);
  types_.assign(logical_pages, kPageFree);
  for (std::uint32_t k = 0; k < pats; ++k) {
    const std::uint32_t first = PatPairPage(page_size, k);
    if (first + 1 >= physical_pages_) {
      return Status(kIoError, "page allocation table " + std::to_string(k) +
                                  " lies beyond the end of the file");
    }
    const std::uint8_t* a = source->Page(first);
    const std::uint8_t* b = source->Page(first + 1);
    if (a == nullptr || b == nullptr) {
      return Status(kIoError, "page allocation table " + std::to_string(k) + " cannot be read");
    }
    const bool a_ok = a[0] == 'P' && a[1] == 'P';
    const bool b_ok = b[0] == 'P' && b[1] == 'P';
    if (!a_ok && !b_ok) {
      return Status(kIoError, "page " + std::to_string(first) + " is not a page allocation table");
    }
    const std::uint8_t* pat = a_ok ? a : b;
    if (a_ok && b_ok && LoadU32(b + 4) > LoadU32(a + 4)) pat = b;
    for (std::uint32_t i = 0; i < per_pat; ++i) {
      const std::uint32_t page = 1 + k * per_pat + i;
      if (page >= logical_pages) break;
      const std::uint8_t* entry = pat + 8 + 4 * i;
      physical_[page] = LoadPagePointer6(entry);
      types_[page] = PagePointerType6(entry);
    }
  }
  page_limit_ = logical_pages;
  return Status::Ok();
}

const std::uint8_t* PageStore::Page(std::uint32_t page) const {
  std::uint32_t physical = page;
  if (logical_) {
    if (page == 0 || page >= page_limit_) return nullptr;
    physical = physical_[page];
  }
  if (physical >= physical_pages_) return nullptr;
  return source_->Page(physical);
}

std::uint8_t PageStore::Type(std::uint32_t page) const {
  if (!logical_ || page >= page_limit_) return kPageFree;
  return types_[page];
}

std::uint32_t PageStore::Physical(std::uint32_t page) const {
  if (!logical_) return page < physical_pages_ ? page : kNoPointer;
  if (page == 0 || page >= page_limit_) return kNoPointer;
  return physical_[page];
}

}  // namespace btrieve
