#include "btrieve/page_source.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <system_error>

#include "btrieve/mapped_copy.h"
#include "btrieve/os_file.h"
#include "btrieve/page_index.h"
#include "btrieve/page_memory.h"

namespace btrieve {
namespace {

class MemorySource final : public PageSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) override {
    if (offset >= bytes_.size()) return 0;
    n = std::min<std::size_t>(n, static_cast<std::size_t>(bytes_.size() - offset));
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
  }
  const std::uint8_t* Page(std::uint32_t page) override {
    if (page >= page_count()) return nullptr;
    return bytes_.data() + static_cast<std::size_t>(page) * page_size();
  }
  bool writable() const override { return true; }
  Status Truncate(std::uint64_t size) override {
    NewGeneration();
    bytes_.resize(static_cast<std::size_t>(size));
    return Status::Ok();
  }
  Status Sync() override { return Status::Ok(); }
  bool Lock(int) override { return true; }
  void Unlock() override {}
  bool LockShared(int) override { return true; }

 protected:
  Status DoWrite(std::uint64_t offset, const std::uint8_t* data, std::size_t n) override {
    if (offset + n > bytes_.size()) bytes_.resize(static_cast<std::size_t>(offset + n));
    std::memcpy(bytes_.data() + offset, data, n);
    return Status::Ok();
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Cached pages of a file on disk. A first miss in a block of pages reads one page (an index
// lookup touches few pages); a second miss in the same block soon after reads the rest of the
// block, so a scan costs two reads a block even when a file's logical order is scattered over its
// pages, while lookups at random over a large file read single pages. Index pages neither fill
// a block nor read ahead over gaps: their neighbours are mostly data pages, and the check of a
// whole index at a key's first use read most of the file with them.
class FileSource final : public PageSource {
 public:
  FileSource(std::unique_ptr<OsFile> file, std::uint64_t size, std::size_t cache_bytes)
      : file_(std::move(file)), size_(size), cache_bytes_(cache_bytes) {
    mapped_size_ = static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeadBytes));
    mapped_ = file_->MapHead(mapped_size_);
  }

  std::uint64_t size() const override { return size_; }
  Status RefreshSize() override { return file_->Size(&size_); }
  // The first read from the start of the file (the control records and, in new-format files,
  // the first allocation tables) is kept: its pages are asked for again at once.
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) override {
    if (offset >= size_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    // Every read looks at the control records' usage counts when it is done: from the mapping
    // that costs no system call. Only small reads inside the first two pages are served there,
    // the control records no file loses; everything else is read from the file.
    if (Mappable(offset, n)) {
      if (CopyFromMapping(out, mapped_ + offset, n)) return n;
      // The file was cut short under the mapping, which shows it no longer.
      mapped_ = nullptr;
    }
    const std::size_t got = file_->ReadAt(offset, n, out);
    if (offset == 0 && prefix_.empty()) prefix_.assign(out, out + got);
    return got;
  }

  bool ReadPair(std::uint64_t first, std::uint64_t second, std::size_t n,
                std::uint8_t* out) override {
    if (Mappable(first, n) && Mappable(second, n)) {
      if (CopyPairFromMapping(out, mapped_ + first, mapped_ + second, n)) return true;
      mapped_ = nullptr;
    }
    return PageSource::ReadPair(first, second, n, out);
  }

  Status Refresh() override {
    NewGeneration();
    prefix_.clear();
    where_.Clear();
    for (Slot& slot : slots_) {
      slot.page = 0xFFFFFFFF;
      slot.streamed = false;
    }
    left_cold_.Clear();
    left_cold_order_.clear();
    block_misses_.clear();
    recent_[0] = recent_[1] = Recent();
    last_miss_ = 0xFFFFFFF0;
    return file_->Size(&size_);
  }

  void ReleaseMemory() override {
    NewGeneration();
    DropSlots();
    slots_ = std::vector<Slot>();
    where_ = PageIndex();
    left_cold_ = PageIndex();
    left_cold_order_.clear();  // a new deque would allocate, and this runs in destructors
    block_misses_ = std::vector<BlockMisses>();
    last_miss_ = 0xFFFFFFF0;
    run_ = 1;
  }

  std::size_t memory_bytes() const override { return memory_.reserved_bytes(); }

  bool writable() const override { return file_->writable(); }
  Status Truncate(std::uint64_t size) override {
    NewGeneration();
    if (Status s = file_->Truncate(size); !s.ok()) return s;
    if (prefix_.size() > size) prefix_.resize(static_cast<std::size_t>(size));
    // Mapped pages past the end of the file cannot be read.
    if (mapped_size_ > size) mapped_ = nullptr;
    size_ = size;
    return Status::Ok();
  }
  Status Sync() override { return file_->Sync(); }
  bool Lock(int wait_ms) override { return file_->Lock(wait_ms); }
  void Unlock() override { file_->Unlock(); }
  bool LockShared(int wait_ms) override { return file_->LockShared(wait_ms); }

 protected:
  // Writes through, keeping the cached copies of the pages written the same as the file.
  Status DoWrite(std::uint64_t offset, const std::uint8_t* data, std::size_t n) override {
    if (!file_->writable()) return Status(kAccessDenied, "the file is open for reading only");
    if (Status s = file_->WriteAt(offset, data, n); !s.ok()) return s;
    size_ = std::max<std::uint64_t>(size_, offset + n);
    if (offset < prefix_.size()) {
      const std::size_t overlap =
          std::min<std::size_t>(n, static_cast<std::size_t>(prefix_.size() - offset));
      std::memcpy(prefix_.data() + offset, data, overlap);
    }
    const std::uint32_t ps = page_size();
    if (ps == 0) return Status::Ok();
    for (std::uint64_t page = offset / ps; page * ps < offset + n; ++page) {
      const std::uint32_t hit = where_.Find(static_cast<std::uint32_t>(page));
      if (hit == PageIndex::kAbsent) continue;
      const std::uint64_t begin = std::max<std::uint64_t>(offset, page * ps);
      const std::uint64_t end = std::min<std::uint64_t>(offset + n, (page + 1) * ps);
      std::memcpy(slots_[hit].bytes + (begin - page * ps), data + (begin - offset),
                  static_cast<std::size_t>(end - begin));
    }
    return Status::Ok();
  }

  const std::uint8_t* Page(std::uint32_t page) override { return Fetch(page, false); }
  const std::uint8_t* IndexPage(std::uint32_t page) override { return Fetch(page, true); }

  void Unpin() override { ++epoch_; }

 private:
  // Two control records of the largest page size.
  static constexpr std::size_t kHeadBytes = 16384;
  static constexpr std::size_t kMappedReadBytes = 16;
  static constexpr std::uint32_t kBlockPages = 32;
  static constexpr std::uint32_t kStreamGap = 8;
  // A block missed a third time within this many misses is being scanned, not looked up at
  // random: one lookup may miss twice in a block (an index page beside the data it indexes).
  static constexpr std::uint64_t kRecentMisses = 64;
  static constexpr std::size_t kNone = SIZE_MAX;
  static constexpr std::uint32_t kNoPage = 0xFFFFFFFF;

  // Pages live in one of two recency lists. A page read in comes in "cold"; one that a later
  // operation asks for again turns "hot" (index pages), one that no later operation needs
  // (a data page of a lookup) leaves first. Pages left cold are remembered for a while: missed
  // again, they come back hot, so that the index of a file much larger than the cache stays in it
  // while lookups at random pass through the data pages.
  struct Slot {
    std::uint32_t page = 0xFFFFFFFF;
    std::uint64_t epoch = 0;
    bool hot = false;
    // Read ahead by a scan: it stays cold, and goes first once the operations that use it are
    // done, so that a scan cycles through a few slots (which stay in the processor's cache)
    // instead of through the whole cache, pushing out what lookups keep there.
    bool streamed = false;
    std::size_t newer = kNone;  // toward the list's head, the most recent
    std::size_t older = kNone;
    std::uint8_t* bytes = nullptr;  // held by memory_
  };
  struct List {
    std::size_t head = kNone;
    std::size_t tail = kNone;
    std::size_t size = 0;
  };
  struct BlockMisses {
    std::uint64_t last = 0;  // when the block last missed (0: never)
    std::uint64_t before = 0;
  };

  bool Mappable(std::uint64_t offset, std::size_t n) const {
    return mapped_ != nullptr && n <= kMappedReadBytes && offset + n <= mapped_size_ &&
           offset + n <= size_ && offset + n <= 2 * std::uint64_t{page_size()};
  }

  const std::uint8_t* Fetch(std::uint32_t page, bool index) {
    // A damaged pointer may name no page at all; "none" is also what an empty slot holds.
    if (page == kNoPage) return nullptr;
    if ((static_cast<std::uint64_t>(page) + 1) * page_size() <= prefix_.size()) {
      return prefix_.data() + static_cast<std::size_t>(page) * page_size();
    }
    for (const Recent& recent : recent_) {
      if (page == recent.page && slots_[recent.slot].page == page) return Touch(recent.slot, index);
    }
    // Another process may have made the file longer since its size was read.
    if (page >= page_count() && (!file_->Size(&size_).ok() || page >= page_count())) {
      return nullptr;
    }
    if (const std::uint32_t hit = where_.Find(page); hit != PageIndex::kAbsent) {
      Remembered(index) = {page, hit};
      return Touch(hit, index);
    }
    return Load(page, index);
  }

  std::size_t Capacity() const {
    return std::max<std::size_t>(8, cache_bytes_ / std::max<std::uint32_t>(page_size(), 512));
  }
  // Room is always left for the cold pages of the operation in progress: a lookup's record, a
  // walk's next data pages, two read-ahead runs of a scan. The rest may hold an index, which a
  // lookup at random needs more of than data.
  std::size_t HotCapacity() const {
    const std::size_t room = std::max<std::size_t>(Capacity() / 32, 2 * kBlockPages + 8);
    return Capacity() - std::min(room, Capacity() / 8);
  }

  List& ListOf(std::size_t i) { return slots_[i].hot ? hot_ : cold_; }

  void Unlink(std::size_t i) {
    Slot& slot = slots_[i];
    List& list = ListOf(i);
    (slot.newer == kNone ? list.head : slots_[slot.newer].older) = slot.older;
    (slot.older == kNone ? list.tail : slots_[slot.older].newer) = slot.newer;
    slot.newer = slot.older = kNone;
    --list.size;
  }

  // The cold list's tail: the first to be taken.
  void PushBack(std::size_t i) {
    slots_[i].hot = false;
    slots_[i].newer = cold_.tail;
    slots_[i].older = kNone;
    (cold_.tail == kNone ? cold_.head : slots_[cold_.tail].older) = i;
    cold_.tail = i;
    ++cold_.size;
  }

  void PushFront(std::size_t i, bool hot) {
    slots_[i].hot = hot;
    List& list = ListOf(i);
    slots_[i].older = list.head;
    slots_[i].newer = kNone;
    (list.head == kNone ? list.tail : slots_[list.head].newer) = i;
    list.head = i;
    ++list.size;
  }

  // `index`: the page is an index page, hot from its first use.
  const std::uint8_t* Touch(std::size_t i, bool index = false) {
    Slot& slot = slots_[i];
    // Touched already by this operation: its place in the lists is settled (one operation asks
    // for the same few pages over and over).
    if (slot.epoch == epoch_ && (slot.hot || !index)) return slot.bytes;
    if (slot.streamed) {
      if (!index) {
        slot.epoch = epoch_;
        return slot.bytes;
      }
      slot.streamed = false;
    }
    const bool hot = slot.hot || slot.epoch != epoch_ || index;
    slot.epoch = epoch_;
    if (ListOf(i).head != i || slot.hot != hot) {
      Unlink(i);
      PushFront(i, hot);
      if (hot && hot_.size > HotCapacity()) {
        const std::size_t coldest = hot_.tail;
        Unlink(coldest);
        PushFront(coldest, false);
      }
    }
    return slot.bytes;
  }

  const std::uint8_t* Load(std::uint32_t page, bool index) {
    // Slots are as large as the page size they were made for; a file read anew (which empties
    // the cache) may have another, rewritten in place by another program.
    if (slot_bytes_ != page_size() && !slots_.empty()) DropSlots();
    const std::uint32_t block = page / kBlockPages;
    if (block >= block_misses_.size()) block_misses_.resize(block + 1);
    BlockMisses& seen = block_misses_[block];
    ++misses_;
    std::uint32_t first = page;
    std::uint32_t end = page + 1;
    // Misses in page order, or a little ahead of the last one, are a scan: read ahead in runs
    // that double. A new-format file's data pages lie nearly in order, with its index pages
    // placed between them. A miss a little behind the last one is a page such a scan passed
    // over, and leaves its run as it is.
    // Index pages are read ahead only where they lie together: between data pages, reading
    // ahead would bring in the data around them too.
    const bool ahead = page > last_miss_ && page - last_miss_ <= (index ? 1 : kStreamGap);
    const bool behind = run_ > 1 && page <= last_miss_ && last_miss_ - page < kBlockPages;
    const bool streaming = ahead || behind;
    if (ahead) {
      run_ = std::min(run_ * 2, kBlockPages);
      end = std::min(page + run_, page_count());
    } else if (behind) {
      // One page; the run goes on.
    } else if (!index && seen.before != 0 && misses_ - seen.before <= kRecentMisses) {
      run_ = 1;
      first = block * kBlockPages;
      end = std::min(first + kBlockPages, page_count());
    } else {
      run_ = 1;
    }
    seen.before = seen.last;
    seen.last = misses_;
    if (!behind) last_miss_ = end - 1;
    // Read the block's pages that are not cached, one read per consecutive run.
    for (std::uint32_t at = first; at < end;) {
      if (where_.Contains(at)) {
        ++at;
        continue;
      }
      std::uint32_t stop = at;
      while (stop < end && !where_.Contains(stop)) ++stop;
      if (!ReadRun(at, stop - at, streaming) && page >= at && page < stop) return nullptr;
      at = stop;
    }
    const std::uint32_t hit = where_.Find(page);
    if (hit == PageIndex::kAbsent) return nullptr;
    Remembered(index) = {page, hit};
    return Touch(hit, index);
  }

  bool ReadRun(std::uint32_t first, std::uint32_t count, bool streamed) {
    std::uint8_t* buffers[kBlockPages] = {};
    std::size_t taken[kBlockPages] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
      taken[i] = TakeSlot();
      buffers[i] = slots_[taken[i]].bytes;
    }
    const bool read = (count == 1 && CopyMappedPage(first, buffers[0])) ||
                      file_->ReadBlocks(static_cast<std::uint64_t>(first) * page_size(), buffers,
                                        static_cast<int>(count), page_size());
    for (std::uint32_t i = 0; i < count; ++i) {
      Slot& slot = slots_[taken[i]];
      if (read) {
        slot.page = first + i;
        where_.Set(slot.page, static_cast<std::uint32_t>(taken[i]));
        if (Forget(slot.page)) {
          Unlink(taken[i]);
          PushFront(taken[i], true);
        } else if (streamed) {
          slot.streamed = true;
          Unlink(taken[i]);
          PushBack(taken[i]);
        }
        Touch(taken[i]);
      } else {
        slot.epoch = 0;  // free for the next taker
      }
    }
    return read;
  }

  // Copies a page below the file's size as last read from the file's mappings; false when the
  // file is not mapped or the copy failed (the file was cut short since): a positioned read then.
  // Only single pages come from there: one positioned read brings a whole read-ahead run, where
  // each page first touched through a mapping costs about as much as a read of its own.
  bool CopyMappedPage(std::uint32_t page, std::uint8_t* out) {
    const std::uint64_t offset = static_cast<std::uint64_t>(page) * page_size();
    return file_->mapped() && offset + page_size() <= size_ &&
           file_->ReadMapped(offset, page_size(), out);
  }

  // A slot to fill: a scan's page it is done with, else a new one while under capacity, else the
  // least recently used cold one that the operation in progress has not touched, else such a hot
  // one, else a new one.
  std::size_t TakeSlot() {
    std::size_t victim = kNone;
    // A scan's pages that its operations are done with go first, before the cache is full too:
    // the scan then needs no more slots than two read-ahead runs and what one operation holds.
    // A cache that can hold the whole file keeps them: nothing else will want their slots, and
    // lookups after the scan find them.
    const bool holds_file = Capacity() >= page_count();
    for (std::size_t i = cold_.tail;
         !holds_file && i != kNone && slots_[i].streamed && victim == kNone; i = slots_[i].newer) {
      if (slots_[i].epoch != epoch_) victim = i;
    }
    if (victim == kNone && slots_.size() >= Capacity()) {
      for (const List* list : {&cold_, &hot_}) {
        for (std::size_t i = list->tail; i != kNone && victim == kNone; i = slots_[i].newer) {
          if (slots_[i].epoch != epoch_) victim = i;
        }
        if (victim != kNone) break;
      }
    }
    if (victim == kNone) {
      if (slots_.empty()) slot_bytes_ = page_size();
      slots_.push_back(Slot{});
      const std::size_t room = Capacity() > slots_.size() ? Capacity() - slots_.size() : 0;
      slots_.back().bytes =
          memory_.Take(page_size(), std::min<std::size_t>(room, std::max(page_count(), 1u)));
      victim = slots_.size() - 1;
      PushFront(victim, false);
    } else {
      if (slots_[victim].page != 0xFFFFFFFF) {
        where_.Erase(slots_[victim].page);
        if (!slots_[victim].hot && !slots_[victim].streamed) Remember(slots_[victim].page);
        slots_[victim].page = 0xFFFFFFFF;
        slots_[victim].streamed = false;
      }
      Unlink(victim);
      PushFront(victim, false);
    }
    slots_[victim].epoch = epoch_;
    return victim;
  }

  void DropSlots() {
    slots_.clear();
    hot_ = List{};
    cold_ = List{};
    where_.Clear();
    left_cold_.Clear();
    left_cold_order_.clear();
    recent_[0] = recent_[1] = Recent();
    memory_ = PageMemory();
  }

  // Pages that left cold, as many as the cache holds, oldest first out.
  void Remember(std::uint32_t page) {
    if (left_cold_.Contains(page)) return;
    left_cold_.Set(page, 0);
    left_cold_order_.push_back(page);
    if (left_cold_order_.size() > Capacity()) {
      left_cold_.Erase(left_cold_order_.front());
      left_cold_order_.pop_front();
    }
  }
  // Whether `page` left cold lately (it is then taken off the list: the deque keeps its number
  // until it comes to the front, where erasing it again does nothing).
  bool Forget(std::uint32_t page) { return left_cold_.Erase(page); }

  std::unique_ptr<OsFile> file_;
  std::uint64_t size_;
  const std::uint8_t* mapped_ = nullptr;  // the file's first mapped_size_ bytes, mapped, or null
  std::size_t mapped_size_ = 0;
  std::size_t cache_bytes_;
  std::vector<std::uint8_t> prefix_;
  PageMemory memory_;
  std::uint32_t slot_bytes_ = 0;  // the page size the slots were made for
  std::vector<Slot> slots_;
  List cold_;
  List hot_;
  PageIndex where_;
  PageIndex left_cold_;  // pages only
  std::deque<std::uint32_t> left_cold_order_;
  std::vector<BlockMisses> block_misses_;
  std::uint64_t misses_ = 0;
  std::uint64_t epoch_ = 1;
  std::uint32_t last_miss_ = 0xFFFFFFF0;
  std::uint32_t run_ = 1;
  // The slots of the data page and of the index page asked for last: a record's read asks for
  // its page several times in a row, and a step along a key goes from its leaf to the record's
  // page and back.
  struct Recent {
    std::uint32_t page = kNoPage;
    std::size_t slot = 0;
  };
  Recent& Remembered(bool index) { return recent_[index ? 1 : 0]; }
  Recent recent_[2];
};

}  // namespace

std::unique_ptr<PageSource> PageSource::FromMemory(std::vector<std::uint8_t> bytes) {
  return std::make_unique<MemorySource>(std::move(bytes));
}

Status PageSource::OpenFile(const std::filesystem::path& path, bool writable,
                            std::unique_ptr<PageSource>* out, std::size_t cache_bytes,
                            MapLimits map_limits) {
  std::unique_ptr<OsFile> file;
  std::uint64_t size = 0;
  if (Status s = OsFile::Open(path, writable, &file, map_limits); !s.ok()) return s;
  if (Status s = file->Size(&size); !s.ok()) return s.Prefix(path.string());
  *out = std::make_unique<FileSource>(std::move(file), size, cache_bytes);
  return Status::Ok();
}

Status PageSource::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t n) {
  if (writes_left_ == 0) return Status(kIoError, "writing stopped (simulated crash)");
  if (writes_left_ > 0) --writes_left_;
  NewGeneration();
  return DoWrite(offset, data, n);
}

}  // namespace btrieve
