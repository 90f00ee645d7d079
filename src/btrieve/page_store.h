// Access to the pages of a data file by page number. Old-format files address pages physically;
// new-format files address everything but the FCR and PAT pages through logical page numbers,
// translated by the current page allocation tables (PATs).
#ifndef KEZ_BTRIEVE_PAGE_STORE_H_
#define KEZ_BTRIEVE_PAGE_STORE_H_

#include <cstdint>
#include <map>
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
  // New format: reads the current copy of each PAT pair needed for `logical_pages` pages: the
  // copy with the highest usage count not above the control record's `fcr_usage`, so that a
  // table written ahead of an unfinished commit is ignored.
  Status InitNew(PageSource* source, std::uint32_t logical_pages, std::uint32_t fcr_usage);

  std::uint32_t page_size() const { return page_size_; }
  // Highest usable page number + 1 (logical in new files, physical in old ones).
  std::uint32_t page_limit() const { return page_limit_; }
  bool logical() const { return logical_; }

  // The bytes of a page, or nullptr when the number is out of range or maps outside the file.
  // Valid until the next Unpin().
  const std::uint8_t* Page(std::uint32_t page) const { return Fetch(page, false); }
  // The same for a page of an index, which the cache keeps over data pages.
  const std::uint8_t* IndexPage(std::uint32_t page) const { return Fetch(page, true); }
  // Lets the pages fetched so far be dropped from the cache.
  void Unpin() const {
    Forget();
    source_->Unpin();
  }
  // New format: the PAT type of a logical page (kPageFree when unknown). Old format: kPageFree.
  std::uint8_t Type(std::uint32_t page) const;
  // New format: the physical page a logical page maps to, or kNoPointer.
  std::uint32_t Physical(std::uint32_t page) const;

  // ---- changes of the operation in progress (see commit_writer) ----
  // The page's bytes to change, copied from the file the first time.
  std::uint8_t* Mutable(std::uint32_t page);
  // A new page (zero-filled) of the given type; extends the page limit when it lies beyond it.
  std::uint8_t* Add(std::uint32_t page, std::uint8_t type);
  // New format: marks a page free in the allocation table.
  void Release(std::uint32_t page);
  // The changed pages by number, and dropping them.
  std::map<std::uint32_t, std::vector<std::uint8_t>>& changes() {
    Forget();
    return changes_;
  }
  void DropChanges() {
    Forget();
    changes_.clear();
  }
  // New format: the allocation of a logical page after a commit put it on `physical`.
  void Map(std::uint32_t page, std::uint32_t physical, std::uint8_t type);
  // New format: which copy of PAT pair k is current (0 or 1) and its usage count.
  int CurrentPatCopy(std::uint32_t k) const { return k < pat_copy_.size() ? pat_copy_[k] : 0; }
  void SetCurrentPatCopy(std::uint32_t k, int copy);
  std::uint32_t pat_groups() const { return static_cast<std::uint32_t>(pat_copy_.size()); }
  // The physical page count of the file as last seen.
  std::uint32_t physical_pages() const { return physical_pages_; }
  void set_physical_pages(std::uint32_t pages) { physical_pages_ = pages; }
  PageSource* source() const { return source_; }

  // Entries per PAT page and the physical page of the first page of PAT pair k.
  static std::uint32_t PatEntries(std::uint32_t page_size) { return page_size / 4 - 2; }
  static std::uint32_t PatPairPage(std::uint32_t page_size, std::uint32_t k) {
    return 2 + k * (page_size / 4);
  }

 private:
  // A key walk asks for pages six to eight times a record, nearly always the page it asked for
  // last: that answer is given here, without a call.
  const std::uint8_t* Fetch(std::uint32_t page, bool index) const {
    const Memo& memo = memo_[index ? 1 : 0];
    if (page == memo.page && changes_.empty() && memo.generation == source_->generation()) {
      return memo.bytes;
    }
    return FetchAnew(page, index);
  }
  const std::uint8_t* FetchAnew(std::uint32_t page, bool index) const;
  // The page last fetched as data and the one last fetched as index: one record read asks for
  // its page several times (is it a data page, is the slot live, the record, the next slot), a
  // step along an index asks for its leaf as often, and a key walk goes from one to the other.
  // Valid while their pointers are: until the next Unpin, while no page changes or moves here,
  // and while the source writes nothing (bytes in memory move when they grow).
  struct Memo {
    std::uint32_t page = kNoPointer;
    std::uint64_t generation = 0;
    const std::uint8_t* bytes = nullptr;
  };
  // The bytes go too: a page asked for as "none" must get none, not the page last remembered.
  // Each is cleared on its own: copying one freshly cleared into the other reads back the stores
  // just made in one wider load, which stalls the processor on every operation.
  void Forget() const {
    memo_[0] = Memo();
    memo_[1] = Memo();
  }

  PageSource* source_ = nullptr;
  std::uint32_t page_size_ = 0;
  std::uint32_t physical_pages_ = 0;
  std::uint32_t page_limit_ = 0;
  bool logical_ = false;
  std::vector<std::uint32_t> physical_;  // by logical page
  std::vector<std::uint8_t> types_;      // by logical page
  std::vector<int> pat_copy_;            // current copy of each PAT pair
  std::map<std::uint32_t, std::vector<std::uint8_t>> changes_;
  mutable Memo memo_[2];  // data, index
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_STORE_H_
