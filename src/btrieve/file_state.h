// What the source files implementing File share of its state (internal).
#ifndef KEZ_BTRIEVE_FILE_STATE_H_
#define KEZ_BTRIEVE_FILE_STATE_H_

#include <memory>
#include <string>
#include <utility>

#include "btrieve/file.h"
#include "btrieve/index_tree.h"
#include "btrieve/key_compare.h"
#include "btrieve/sorted_index.h"

namespace btrieve {

// A read's own status, never returned by File: the file's index led somewhere it should not, and
// the operation is repeated through an order rebuilt from the records.
inline constexpr int kIndexDamaged = -1;

inline Status IndexDamaged(std::string detail) { return Status(kIndexDamaged, std::move(detail)); }

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

// Keyed and physical reads, in their own source files, both run through this.
template <typename Operation>
Status File::Retrying(const Operation& operation) {
  Status status = operation();
  const int code = status.code();
  if (status.ok() || code == kKeyNotFound || code == kEndOfFile || code == kInvalidPositioning ||
      code == kDifferentKeyNumber || code == kInvalidKeyNumber || code == kKeyBufferTooShort ||
      code == kFileLocked) {
    return status;
  }
  // A reader that fell behind another process's commits may have read pages reused since;
  // with the file read again, the operation is tried once more.
  if (layout_.format != Format::kNew || locked_ || path_.empty()) {
    const std::uint32_t seen = layout_.fcr_usage;
    if (CheckForChanges().ok() && layout_.fcr_usage != seen) return operation();
    return status;
  }
  // New-format readers take no lock, so a busy writer can change the file again before the
  // second try; and a state read without the lock may be torn. The second try reads the file
  // again under the shared lock, which holds commits off until it is done.
  if (!Changed() && !loaded_unlocked_) return status;
  if (!source_->LockShared(options_.lock_wait_ms)) return status;
  Status retried = Reload();
  if (retried.ok()) retried = operation();
  source_->Unlock();
  return retried;
}

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_STATE_H_
