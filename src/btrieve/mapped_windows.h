// A bounded set of read-only shared mappings ("windows") of one local file, through which page
// reads are copied without a system call. POSIX only.
//
// Address space is bounded by the number and size of the windows: the least recently used one is
// unmapped to make room. Memory is bounded too: file pages touched through a mapping count in the
// process's resident set until they are unmapped, so once the bytes touched pass a budget the
// least recently used windows give their pages back (the kernel keeps them in its page cache; the
// next touch maps them again without reading the disk).
#ifndef KEZ_BTRIEVE_MAPPED_WINDOWS_H_
#define KEZ_BTRIEVE_MAPPED_WINDOWS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace btrieve {

// Off by default (no windows). Where a system call is dear and a page fault cheap, mapping pays;
// on the paravirtualised machines this was measured on it did not: each page first touched
// through a mapping cost 1.6-2.7 us (the kernel maps 16 neighbours on every fault, each a
// shadow page-table update), as much as a positioned read, and even pages kept mapped cost more
// to touch at random than a read, so lookups and walks were slower mapped at every bound tried.
struct MapLimits {
  // Each window covers this many bytes of the file, from a multiple of the size (a power of two
  // of at least 64 KB, so that no page of any page size straddles two windows).
  std::size_t window_bytes = (sizeof(void*) >= 8 ? 16u : 4u) << 20;
  int windows = 0;
  // Bytes touched through the windows before the least recently used give their pages back.
  std::size_t resident_bytes = 16u << 20;
};

class MappedWindows {
 public:
  MappedWindows(int fd, MapLimits limits);
  ~MappedWindows();
  MappedWindows(const MappedWindows&) = delete;
  MappedWindows& operator=(const MappedWindows&) = delete;

  // Copies `n` bytes at `offset` into `out`; false when they cannot be copied (a window could not
  // be mapped, or the file no longer reaches that far): the caller reads them from the file.
  // Bytes past the file's end as the caller last knew it must not be asked for.
  bool Copy(std::uint64_t offset, std::size_t n, std::uint8_t* out);

 private:
  struct Window {
    std::uint64_t start = 0;
    std::uint8_t* base = nullptr;
    std::uint64_t used = 0;            // when last copied from
    std::size_t charged = 0;           // bytes counted as resident
    std::uint64_t last_chunk = ~0ull;  // the chunk counted last, not counted again at once
  };

  Window* Find(std::uint64_t start);
  void Charge(Window& window, std::size_t from, std::size_t n);
  void GiveBack(Window& window);
  void Drop(std::size_t i);

  int fd_;
  MapLimits limits_;
  std::vector<Window> windows_;
  std::size_t last_ = 0;  // the window copied from last
  std::uint64_t clock_ = 0;
  std::size_t charged_ = 0;
  bool failed_ = false;  // a mapping failed once: the file is read instead from then on
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_MAPPED_WINDOWS_H_
