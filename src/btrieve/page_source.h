// The pages of one data file, read on demand and written through. A file on disk is read with
// positioned reads into a small cache (sequential misses read ahead in growing runs), or single
// pages copied from mapping windows where they were asked for; bytes in memory (tests, fuzzing)
// are used directly.
//
// Pointers returned by Page() stay valid until the next Unpin() or write: every page fetched
// since the last Unpin() is pinned, so one engine operation can hold as many pages as it touches.
// Operations call Unpin() when they start, and long walks call it between records.
#ifndef KEZ_BTRIEVE_PAGE_SOURCE_H_
#define KEZ_BTRIEVE_PAGE_SOURCE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "btrieve/mapped_windows.h"
#include "btrieve/status.h"

namespace btrieve {

class PageSource {
 public:
  static constexpr std::size_t kDefaultCacheBytes = 16u << 20;

  virtual ~PageSource() = default;

  // Opens a file, for writing too when `writable`, keeping up to `cache_bytes` of its pages
  // (more while one operation needs them). A file opened for reading on a local file system
  // may fill its cache from mapping windows bounded by `map_limits` (POSIX; none by default).
  // Status 12 when it does not exist, 46 when it may not be written, 2 when it cannot be read.
  static Status OpenFile(const std::filesystem::path& path, bool writable,
                         std::unique_ptr<PageSource>* out,
                         std::size_t cache_bytes = kDefaultCacheBytes, MapLimits map_limits = {});
  static std::unique_ptr<PageSource> FromMemory(std::vector<std::uint8_t> bytes);

  // Size of the file in bytes, as last read; RefreshSize reads it again.
  virtual std::uint64_t size() const = 0;
  virtual Status RefreshSize() { return Status::Ok(); }
  // Copies up to `n` bytes at `offset` into `out`, fewer at the end of the file; returns how many.
  virtual std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) = 0;
  // Copies `n` bytes at each of two offsets into `out`, one after the other; false when either is
  // not there whole. Every read looks at two such pieces of the control records when it is done.
  virtual bool ReadPair(std::uint64_t first, std::uint64_t second, std::size_t n,
                        std::uint8_t* out) {
    return ReadAt(first, n, out) == n && ReadAt(second, n, out + n) == n;
  }

  // Pages are whole page_size() blocks from the start of the file; a partial last block is not
  // a page.
  void set_page_size(std::uint32_t page_size) { page_size_ = page_size; }
  std::uint32_t page_size() const { return page_size_; }
  std::uint32_t page_count() const {
    return page_size_ == 0 ? 0 : static_cast<std::uint32_t>(size() / page_size_);
  }
  // The bytes of physical page `page`, or nullptr past the end or when it cannot be read.
  virtual const std::uint8_t* Page(std::uint32_t page) = 0;
  // The same for a page of an index. Index pages are kept over data pages from their first read:
  // every lookup passes the levels above the leaves, and a leaf serves every lookup that reaches
  // it, where a data page serves one record.
  virtual const std::uint8_t* IndexPage(std::uint32_t page) { return Page(page); }
  // Lets the pages fetched so far be dropped.
  virtual void Unpin() {}
  // Forgets everything read, for when another process has changed the file.
  virtual Status Refresh() { return Status::Ok(); }
  // Gives back the memory of the pages kept between operations; later operations read them
  // again. Only between operations: no page fetched before it may be used after it.
  virtual void ReleaseMemory() {}
  // Bytes of memory held for cached pages.
  virtual std::size_t memory_bytes() const { return 0; }

  virtual bool writable() const = 0;
  // Writes bytes (a whole page, or control data) through to the file and the cache. Status 18
  // when the disk is full, 2 on other failures.
  Status Write(std::uint64_t offset, const std::uint8_t* data, std::size_t n);
  virtual Status Truncate(std::uint64_t size) = 0;
  virtual Status Sync() = 0;
  // The exclusive lock of a writing process, waited for up to `wait_ms`.
  virtual bool Lock(int wait_ms) = 0;
  virtual void Unlock() = 0;
  // The shared lock a reader holds while it reads a file that is written in place.
  virtual bool LockShared(int wait_ms) = 0;

  // Tests: after `writes` more writes, every write fails, as if the process had died there.
  void FailWritesAfter(int writes) { writes_left_ = writes; }

  // Counts writes, truncations and readings of the file anew: a page pointer kept across one of
  // them may be stale (bytes in memory move when they grow).
  std::uint64_t generation() const { return generation_; }

 protected:
  void NewGeneration() { ++generation_; }
  virtual Status DoWrite(std::uint64_t offset, const std::uint8_t* data, std::size_t n) = 0;

 private:
  std::uint32_t page_size_ = 0;
  int writes_left_ = -1;
  std::uint64_t generation_ = 0;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_SOURCE_H_
