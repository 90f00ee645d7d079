#include "btrieve/mapped_windows.h"

#if !defined(_WIN32)
#include <sys/mman.h>

#include <algorithm>

#include "btrieve/mapped_copy.h"

namespace btrieve {
namespace {

// A fault on a mapped page maps its neighbours in this span too, where the kernel has them: the
// resident bytes a touch adds.
constexpr std::size_t kChunkBytes = 64u << 10;

}  // namespace

MappedWindows::MappedWindows(int fd, MapLimits limits) : fd_(fd), limits_(limits) {
  GuardMappedCopies();
  limits_.window_bytes = std::max(limits_.window_bytes, kChunkBytes);
  windows_.reserve(static_cast<std::size_t>(limits_.windows));
}

MappedWindows::~MappedWindows() {
  for (Window& window : windows_) ::munmap(window.base, limits_.window_bytes);
}

MappedWindows::Window* MappedWindows::Find(std::uint64_t start) {
  if (last_ < windows_.size() && windows_[last_].start == start) return &windows_[last_];
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    if (windows_[i].start == start) {
      last_ = i;
      return &windows_[i];
    }
  }
  // Bytes past the file's end may be mapped: they are never asked for, and they show through
  // once the file grows.
  void* base =
      ::mmap(nullptr, limits_.window_bytes, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(start));
  if (base == MAP_FAILED) {
    failed_ = true;
    return nullptr;
  }
  if (windows_.size() < static_cast<std::size_t>(limits_.windows)) {
    windows_.push_back(Window{});
    last_ = windows_.size() - 1;
  } else {
    last_ = static_cast<std::size_t>(
        std::min_element(windows_.begin(), windows_.end(),
                         [](const Window& a, const Window& b) { return a.used < b.used; }) -
        windows_.begin());
    ::munmap(windows_[last_].base, limits_.window_bytes);
    charged_ -= windows_[last_].charged;
  }
  windows_[last_] = Window{.start = start, .base = static_cast<std::uint8_t*>(base)};
  return &windows_[last_];
}

// Counts the chunks a copy touches toward the resident budget; past it, the least recently used
// windows give their pages back until half the budget is left.
void MappedWindows::Charge(Window& window, std::size_t from, std::size_t n) {
  std::uint64_t chunk = from / kChunkBytes;
  const std::uint64_t end = (from + n + kChunkBytes - 1) / kChunkBytes;
  if (chunk == window.last_chunk) ++chunk;
  if (chunk >= end) return;
  const std::size_t bytes = static_cast<std::size_t>(end - chunk) * kChunkBytes;
  window.charged += bytes;
  window.last_chunk = end - 1;
  charged_ += bytes;
  if (charged_ <= limits_.resident_bytes) return;
  while (charged_ > limits_.resident_bytes / 2) {
    Window* oldest = nullptr;
    for (Window& other : windows_) {
      if (other.charged > 0 && (oldest == nullptr || other.used < oldest->used)) oldest = &other;
    }
    GiveBack(*oldest);
  }
}

void MappedWindows::Drop(std::size_t i) {
  ::munmap(windows_[i].base, limits_.window_bytes);
  charged_ -= windows_[i].charged;
  windows_[i] = windows_.back();
  windows_.pop_back();
  last_ = 0;
}

void MappedWindows::GiveBack(Window& window) {
  ::madvise(window.base, limits_.window_bytes, MADV_DONTNEED);
  charged_ -= window.charged;
  window.charged = 0;
  window.last_chunk = ~0ull;
}

bool MappedWindows::Copy(std::uint64_t offset, std::size_t n, std::uint8_t* out) {
  if (failed_) return false;
  while (n > 0) {
    const std::uint64_t start = offset - offset % limits_.window_bytes;
    Window* window = Find(start);
    if (window == nullptr) return false;
    window->used = ++clock_;
    const auto from = static_cast<std::size_t>(offset - start);
    const std::size_t part = std::min(n, limits_.window_bytes - from);
    Charge(*window, from, part);
    if (!CopyFromMapping(out, window->base + from, part)) {
      // The file was cut short under the window, which shows it no longer: mapped again when
      // next asked for, it faults again until the file reaches that far once more.
      Drop(static_cast<std::size_t>(window - windows_.data()));
      return false;
    }
    offset += part;
    out += part;
    n -= part;
  }
  return true;
}

}  // namespace btrieve

#endif
