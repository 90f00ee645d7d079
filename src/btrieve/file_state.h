// The parts of an open file's state that its reading and writing halves share (internal).
#ifndef KEZ_BTRIEVE_FILE_STATE_H_
#define KEZ_BTRIEVE_FILE_STATE_H_

#include <memory>
#include <string>

#include "btrieve/file.h"
#include "btrieve/index_tree.h"
#include "btrieve/key_compare.h"
#include "btrieve/sorted_index.h"

namespace btrieve {

struct File::KeyState {
  KeyState(const KeyLayout& key, const FileLayout& layout, const PageStore& pages)
      : key_layout(key), compare(key, layout), tree(layout, pages, key_layout, compare) {}
  const KeyLayout& key_layout;
  KeyComparator compare;
  IndexTree tree;
  std::unique_ptr<SortedIndex> sorted;  // set when the file's index is not used
  std::string fallback_reason;
};

struct File::Cursor {
  int key = -1;                       // key of the logical position; -1 when there is none
  std::uint32_t record = kNoPointer;  // the current record
  IndexTree::Position tree;
  std::size_t sorted = 0;
  std::uint32_t chain_first = kNoPointer;  // bounds of the current duplicate chain
  std::uint32_t chain_last = kNoPointer;
  std::size_t chain_steps = 0;
  std::uint16_t usage = 0;  // new files: the record's usage count when it was read
};

class File::ReadLock {
 public:
  explicit ReadLock(File& file) : file_(file) {
    if (file.layout_.format != Format::kOld || file.locked_ || file.path_.empty()) return;
    held_ = file.source_->LockShared(file.options_.lock_wait_ms);
    if (!held_) {
      status_ = Status(kFileLocked, file.name_ + ": another process is writing the file");
    }
  }
  ~ReadLock() {
    if (held_) file_.source_->Unlock();
  }
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;
  const Status& status() const { return status_; }

 private:
  File& file_;
  bool held_ = false;
  Status status_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_STATE_H_
