// The records of a data file: which slots hold live records, in physical order, and the user data
// of a record at a given address (fixed part, variable-length tail, decompressed image).
#ifndef KEZ_BTRIEVE_RECORD_STORE_H_
#define KEZ_BTRIEVE_RECORD_STORE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/page_store.h"
#include "btrieve/status.h"

namespace btrieve {

class RecordStore {
 public:
  RecordStore(const FileLayout& layout, const PageStore& pages);

  // The slot of a live record, or nullptr with status 43 when `address` is not on a slot boundary
  // of a data page or the slot holds no record.
  const std::uint8_t* LiveSlot(std::uint32_t address, Status* status) const;

  // The user data of the record in `slot`: fixed part plus variable tail, decompressed.
  // Status 54 (variable page error) or 2 when the tail cannot be followed.
  Status Read(const std::uint8_t* slot, std::vector<std::uint8_t>* out) const;
  // The same, added at the end of `out`.
  Status Append(const std::uint8_t* slot, std::vector<std::uint8_t>* out) const;

  // Physical order: addresses of live records, kNoPointer past either end. With `damaged`, a
  // page that a new-format file's allocation table gives as a data page but whose header says
  // otherwise ends the scan there, its number in `*damaged`: its records are lost to damage, and
  // a scan that passed over it would end short without a word. Without, it is passed over. With
  // `slot`, the record's slot as LiveSlot gives it (valid until Unpin), when there is a record.
  std::uint32_t First(std::uint32_t* damaged = nullptr, const std::uint8_t** slot = nullptr) const {
    return ScanForward(0, true, damaged, slot);
  }
  std::uint32_t Last(std::uint32_t* damaged = nullptr, const std::uint8_t** slot = nullptr) const {
    return ScanBackward(kNoPointer, true, damaged, slot);
  }
  std::uint32_t Next(std::uint32_t address, std::uint32_t* damaged = nullptr,
                     const std::uint8_t** slot = nullptr) const {
    return ScanForward(address, false, damaged, slot);
  }
  std::uint32_t Previous(std::uint32_t address, std::uint32_t* damaged = nullptr,
                         const std::uint8_t** slot = nullptr) const {
    return ScanBackward(address, false, damaged, slot);
  }

  // The previous/next record of a linked-duplicate chain, from the pair at `offset` in the slot.
  std::uint32_t ChainPrevious(const std::uint8_t* slot, std::uint16_t offset) const;
  std::uint32_t ChainNext(const std::uint8_t* slot, std::uint16_t offset) const;

  // Whether a page (by number) is a data page.
  bool IsDataPage(std::uint32_t page) const { return DataPage(page) != nullptr; }
  // The page's bytes when it is a data page, else nullptr.
  const std::uint8_t* DataPage(std::uint32_t page) const;

  // Old format: whether a slot is on the deleted-record chain, and keeping that up to date as
  // records are deleted and slots reused.
  bool DeletedSlot(std::uint32_t address) const;
  void SetDeleted(std::uint32_t address, bool deleted);

  // Lets the pages read so far leave the cache; slot pointers handed out before become invalid.
  void Unpin() const { pages_.Unpin(); }

  // Problems met while reading the file's free lists; empty when none.
  const std::string& warning() const { return warning_; }

 private:
  // Number of slots of a data page that may hold records.
  std::uint32_t UsedSlots(std::uint32_t page) const;
  bool SlotLive(std::uint32_t page, std::uint32_t slot, const std::uint8_t* bytes) const;
  std::uint32_t ScanForward(std::uint32_t after, bool from_start, std::uint32_t* damaged,
                            const std::uint8_t** found) const;
  std::uint32_t ScanBackward(std::uint32_t before, bool from_end, std::uint32_t* damaged,
                             const std::uint8_t** found) const;
  // Whether a page that is not a data page by its header is one by the allocation table.
  bool LostDataPage(std::uint32_t page) const { return !old_ && pages_.Type(page) == kPageData; }
  // Adds the fragments of a variable tail to `out`, whose record began at `start`.
  Status ReadTail(const std::uint8_t* pointer, std::size_t start,
                  std::vector<std::uint8_t>* out) const;
  void LoadDeletedChain();

  const FileLayout& layout_;
  const PageStore& pages_;
  std::uint32_t slots_per_page_;
  std::uint32_t page_size_;
  bool old_;
  std::vector<std::uint8_t> deleted_;  // old format: one flag per slot number
  std::string warning_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_RECORD_STORE_H_
