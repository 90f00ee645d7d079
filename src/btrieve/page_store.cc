#include "btrieve/page_store.h"

#include <algorithm>
#include <string>

#include "btrieve/byte_order.h"

namespace btrieve {

void PageStore::InitOld(PageSource* source) {
  Forget();
  source_ = source;
  page_size_ = source->page_size();
  physical_pages_ = source->page_count();
  page_limit_ = physical_pages_;
  logical_ = false;
  physical_.clear();
  types_.clear();
}

Status PageStore::InitNew(PageSource* source, std::uint32_t logical_pages,
                          std::uint32_t fcr_usage) {
  Forget();
  source_ = source;
  const std::uint32_t page_size = source->page_size();
  page_size_ = page_size;
  physical_pages_ = source->page_count();
  logical_ = true;
  const std::uint32_t per_pat = PatEntries(page_size);
  // Logical page 0 is the FCR; pages 1..logical_pages-1 are mapped by the PATs.
  if (logical_pages == 0) logical_pages = 1;
  // Counted in 64 bits: a damaged page count near 2^32 must not wrap to a few tables.
  const std::uint64_t wanted = logical_pages - 1;
  const std::uint64_t tables = (wanted + per_pat - 1) / per_pat;
  // Every allocation table needed must lie inside the file; checked before anything is sized
  // by the control record's page count.
  if (tables > 0 && 3 + (tables - 1) * (page_size / 4) >= physical_pages_) {
    return Status(kIoError, "the control record counts " + std::to_string(logical_pages) +
                                " pages, more than the file's allocation tables map");
  }
  const auto pats = static_cast<std::uint32_t>(tables);
  physical_.assign(logical_pages, kNoPointer);
  types_.assign(logical_pages, kPageFree);
  pat_copy_.assign(pats, 0);
  changes_.clear();
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
    // The current copy: the highest usage count that the control record's count covers.
    const bool a_ok = a[0] == 'P' && a[1] == 'P' && LoadU32(a + 4) <= fcr_usage;
    const bool b_ok = b[0] == 'P' && b[1] == 'P' && LoadU32(b + 4) <= fcr_usage;
    if (!a_ok && !b_ok) {
      return Status(kIoError,
                    "page " + std::to_string(first) + " holds no current page allocation table");
    }
    const bool use_b = !a_ok || (b_ok && LoadU32(b + 4) > LoadU32(a + 4));
    const std::uint8_t* pat = use_b ? b : a;
    pat_copy_[k] = use_b ? 1 : 0;
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

const std::uint8_t* PageStore::FetchAnew(std::uint32_t page, bool index) const {
  // An index page is kept over data pages from its first use as one: the source is told of
  // that use even when the page was fetched as data before.
  if (!changes_.empty()) {
    const auto changed = changes_.find(page);
    if (changed != changes_.end()) return changed->second.data();
  }
  std::uint32_t physical = page;
  if (logical_) {
    if (page == 0 || page >= page_limit_) return nullptr;
    physical = physical_[page];
    // An allocation table entry of all ones maps the page nowhere.
    if (physical == kNoPointer) return nullptr;
  }
  const std::uint8_t* bytes = index ? source_->IndexPage(physical) : source_->Page(physical);
  if (bytes != nullptr && changes_.empty()) {
    memo_[index ? 1 : 0] = {page, source_->generation(), bytes};
  }
  return bytes;
}

std::uint8_t* PageStore::Mutable(std::uint32_t page) {
  const auto changed = changes_.find(page);
  if (changed != changes_.end()) return changed->second.data();
  const std::uint8_t* current = Page(page);
  std::vector<std::uint8_t> copy(page_size_, 0);
  if (current != nullptr) std::copy(current, current + page_size_, copy.begin());
  // The file's copy of the page, fetched just now, is no longer the page.
  Forget();
  return changes_.emplace(page, std::move(copy)).first->second.data();
}

std::uint8_t* PageStore::Add(std::uint32_t page, std::uint8_t type) {
  Forget();
  if (page >= page_limit_) {
    page_limit_ = page + 1;
    if (logical_) {
      physical_.resize(page_limit_, kNoPointer);
      types_.resize(page_limit_, kPageFree);
    }
  }
  if (logical_) {
    types_[page] = type;
    physical_[page] = kNoPointer;  // a reused page gets a physical page of its own at commit
  }
  auto& bytes = changes_[page];
  bytes.assign(page_size_, 0);
  return bytes.data();
}

void PageStore::Release(std::uint32_t page) {
  if (logical_ && page < page_limit_) types_[page] = kPageFree;
}

void PageStore::Map(std::uint32_t page, std::uint32_t physical, std::uint8_t type) {
  Forget();
  if (page >= page_limit_) {
    page_limit_ = page + 1;
    physical_.resize(page_limit_, kNoPointer);
    types_.resize(page_limit_, kPageFree);
  }
  physical_[page] = physical;
  types_[page] = type;
}

void PageStore::SetCurrentPatCopy(std::uint32_t k, int copy) {
  if (k >= pat_copy_.size()) pat_copy_.resize(k + 1, 0);
  pat_copy_[k] = copy;
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
