// Where records live: taking and giving back slots in data pages (the free-slot list of new
// files; the deleted-record chain and high-water mark of old ones), storing a record's bytes, and
// writing and removing variable-length tails as fragment chains in variable pages.
#ifndef KEZ_BTRIEVE_RECORD_WRITER_H_
#define KEZ_BTRIEVE_RECORD_WRITER_H_

#include <cstdint>
#include <span>

#include "btrieve/byte_order.h"
#include "btrieve/commit_writer.h"
#include "btrieve/file_layout.h"
#include "btrieve/page_store.h"
#include "btrieve/record_store.h"
#include "btrieve/status.h"

namespace btrieve {

class RecordWriter {
 public:
  // `variable_page` remembers, between operations, the variable page new fragments go to.
  RecordWriter(FileLayout& layout, PageStore& pages, CommitWriter& writer, RecordStore& records,
               std::uint32_t* variable_page);

  // A free slot for a new record. Status 2 when the free list is damaged.
  Status TakeSlot(std::uint32_t* address);
  // Gives a record's slot back (its tail must be dropped first).
  void ReleaseSlot(std::uint32_t address);
  // The bytes of a slot, to change.
  std::uint8_t* MutableSlot(std::uint32_t address);
  // Whether a record lives at `address` (a duplicate chain may point only at such slots).
  bool Live(std::uint32_t address) const;

  // Stores a record into its slot: the usage count (new files), the fixed part and, in
  // variable-length files, a new tail made of the bytes past the fixed part. Duplicate-chain
  // pointers in the slot are left alone.
  Status Store(std::uint32_t address, std::span<const std::uint8_t> record, std::uint16_t usage);
  // Removes the variable tail of the record in a slot.
  Status DropTail(std::uint32_t address);

 private:
  Status WriteTail(std::span<const std::uint8_t> tail, VariablePointer* first);
  // A variable page with room for at least `wanted` more bytes (a fragment and its table entry).
  std::uint32_t VariablePageWithRoom(std::uint32_t wanted);
  std::uint32_t FreeBytes(const std::uint8_t* page) const;

  FileLayout& layout_;
  PageStore& pages_;
  CommitWriter& writer_;
  RecordStore& records_;
  std::uint32_t* variable_page_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_RECORD_WRITER_H_
