// Changes to one key's B-tree: adding and removing entries with page splits, borrowing and
// merging, and the duplicate chains of linked-duplicate keys. A page may stay less than half
// full after removals; a page that becomes empty borrows an entry from a sibling or merges with
// it, so no page but the root is ever empty and the tree stays ordered and balanced.
#ifndef KEZ_BTRIEVE_INDEX_WRITER_H_
#define KEZ_BTRIEVE_INDEX_WRITER_H_

#include <cstdint>
#include <vector>

#include "btrieve/commit_writer.h"
#include "btrieve/file_layout.h"
#include "btrieve/index_tree.h"
#include "btrieve/key_compare.h"
#include "btrieve/page_store.h"
#include "btrieve/record_writer.h"
#include "btrieve/status.h"

namespace btrieve {

class IndexWriter {
 public:
  IndexWriter(const FileLayout& layout, PageStore& pages, CommitWriter& writer,
              RecordWriter& records, KeyLayout& key, const KeyComparator& compare);

  // True when a unique key already holds `value` (Insert would give status 5).
  bool Holds(const std::uint8_t* value);
  // Adds the record with this key value: a new entry, or the end of the value's duplicate chain.
  Status Insert(const std::uint8_t* value, std::uint32_t record);
  // Removes the record with this key value. Status 2 when the index does not hold it.
  Status Remove(const std::uint8_t* value, std::uint32_t record);

 private:
  using Entry = std::vector<std::uint8_t>;
  struct Frame {
    std::uint32_t page;
    std::uint16_t index;  // the child followed, or on the last frame the entry
  };

  std::uint32_t LoadPointer(const std::uint8_t* p) const;
  void StorePointer(std::uint8_t* p, std::uint32_t page) const;
  std::uint8_t* EntryAt(std::uint8_t* page, std::uint16_t i) const { return page + 12 + i * size_; }
  // The pointer left of entry i (i = count: the right-most child).
  std::uint32_t PointerAt(const std::uint8_t* page, std::uint16_t i) const;
  void SetPointerAt(std::uint8_t* page, std::uint16_t i, std::uint32_t child) const;
  std::uint16_t Count(const std::uint8_t* page) const { return LoadU16(page + 6); }
  std::uint32_t NewIndexPage();
  void RemoveEntry(std::uint8_t* page, std::uint16_t i) const;

  // Finds the entry holding the value exactly; false when there is none.
  bool FindExact(const std::uint8_t* value, std::vector<Frame>* path);
  Status InsertEntry(const Entry& entry, bool after_equals);
  Status RemoveAt(std::vector<Frame> path);
  Status FixEmpty(std::vector<Frame> path);

  const FileLayout& layout_;
  PageStore& pages_;
  CommitWriter& writer_;
  RecordWriter& records_;
  KeyLayout& key_;
  const KeyComparator& compare_;
  std::uint32_t size_;
  std::uint16_t capacity_;
  std::uint8_t type_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_INDEX_WRITER_H_
