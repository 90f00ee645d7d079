// What the source files implementing File share of its state (internal).
#ifndef KEZ_BTRIEVE_FILE_STATE_H_
#define KEZ_BTRIEVE_FILE_STATE_H_

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "btrieve/file.h"
#include "btrieve/index_tree.h"
#include "btrieve/key_compare.h"
#include "btrieve/sorted_index.h"

namespace btrieve {

// A read's own status, never returned by File: the file's index led somewhere it should not. The
// read gives status 2, or, salvaging, is repeated through an order rebuilt from the records.
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
  IndexTree::Position before_move;  // where a move started, reused from move to move
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

// How many times one read is made before it gives up on a file that keeps changing under it, or
// reports the damage it keeps meeting.
inline constexpr int kReadAttempts = 6;

// Keyed and physical reads, in their own source files, all run through this.
template <typename Operation>
Status File::Consistent(const Operation& operation) {
  // A write in progress (this handle holds the lock) reads its own uncommitted pages; reading the
  // file again would drop them.
  if (locked_) return operation();
  // A reading of the file that failed last time leaves no structures to read through.
  if (records_ == nullptr) {
    if (Status s = Reload(); !s.ok()) return s;
  }
  // Kept in a member: a copy made anew would allocate the index path on every read.
  Cursor& start = *start_;
  start = *cursor_;
  Status status;
  bool changing = false;
  // Bytes in memory have no other writer: what looks damaged is.
  const int attempts = path_.empty() ? 1 : kReadAttempts;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) {
      if (!changing) {
        // Damage without a commit: an old-format writer changes pages in place before it
        // writes the control record, and a control record read while it was written may be
        // torn. A moment later the commit is done, or the damage is real.
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
      }
      // The last try holds our own writers off (other engines take no notice of the lock).
      const bool hold = attempt == attempts - 1 && layout_.format == Format::kNew &&
                        !path_.empty() && source_->LockShared(options_.lock_wait_ms);
      *cursor_ = start;
      status = Reload();
      if (status.ok()) status = operation();
      changing = Changed();
      if (hold) source_->Unlock();
    } else {
      status = operation();
      changing = Changed();
    }
    const int code = status.code();
    const bool plain = status.ok() || code == kKeyNotFound || code == kEndOfFile ||
                       code == kInvalidPositioning || code == kDifferentKeyNumber ||
                       code == kInvalidKeyNumber || code == kKeyBufferTooShort ||
                       code == kFileLocked;
    // What was read belongs to the state the read began in only when no commit ended meanwhile.
    if (!changing && plain) return status;
  }
  if (changing) {
    *cursor_ = start;
    return Status(kIoError, name_ + ": the file kept changing while it was read");
  }
  return status;
}

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_STATE_H_
