#include "btrieve/index_tree.h"

#include <algorithm>

#include "btrieve/byte_order.h"

namespace btrieve {
IndexTree::IndexTree(const FileLayout& layout, const PageStore& pages, const KeyLayout& key,
                     const KeyComparator& compare)
    : pages_(pages),
      key_(key),
      compare_(compare),
      old_(layout.format == Format::kOld),
      entry_size_(key.ExpectedEntrySize()),
      capacity_((layout.page_size - 12) / key.ExpectedEntrySize()),
      page_type_(static_cast<std::uint8_t>(kPageIndexBase + key.number)) {}

std::uint16_t IndexTree::Count(const std::uint8_t* page) const {
  const std::uint16_t n = LoadU16(page + 6);
  return n <= capacity_ ? n : static_cast<std::uint16_t>(capacity_);
}

std::uint32_t IndexTree::Child(const std::uint8_t* page, std::uint16_t index) const {
  auto pointer = [&](const std::uint8_t* p) { return old_ ? LoadWs32(p) : LoadPagePointer6(p); };
  // A page without a right-most child is a leaf, whatever its entries' child fields say.
  const std::uint32_t rightmost = pointer(page + 8);
  if (rightmost == kNoPointer || index >= Count(page)) return rightmost;
  return pointer(page + 12 + index * entry_size_);
}

std::uint32_t IndexTree::FirstRecord(const Position& at) const {
  return LoadWs32(Entry(at) + 4 + key_.key_length);
}

std::uint32_t IndexTree::LastRecord(const Position& at) const {
  const std::uint8_t* entry = Entry(at);
  return LoadWs32(entry + 4 + key_.key_length + (key_.linked_duplicates ? 4 : 0));
}

Status IndexTree::CheckPage(std::uint32_t page) const {
  const std::uint8_t* bytes = page == kNoPointer ? nullptr : Page(page);
  const char* fault = nullptr;
  if (bytes == nullptr) {
    fault = " lies outside the file";
  } else if (old_) {
    if (LoadWs32(bytes) != page || (LoadU16(bytes + 4) & 0x8000)) fault = " is not an index page";
  } else if (pages_.Type(page) != page_type_ || LoadPagePointer6(bytes) != page ||
             PagePointerType6(bytes) != page_type_) {
    fault = " is not an index page of this key";
  }
  if (fault == nullptr && LoadU16(bytes + 6) > capacity_) {
    fault = " claims more entries than fit in a page";
  }
  // The text is made only for a fault: the check of a whole index passes every page here.
  if (fault == nullptr) return Status::Ok();
  return Status(kIoError, "key " + std::to_string(key_.number) + " index page " +
                              std::to_string(page) + fault);
}

Status IndexTree::Validate(Shape* shape, bool drop_pages) const {
  *shape = Shape();
  if (Status s = CheckShape(); !s.ok()) return s;
  std::vector<std::uint8_t> seen(pages_.page_limit(), 0);
  // A page's entries lie between the parent's entries on either side of it (empty: no bound).
  struct Pending {
    std::uint32_t page;
    int depth;
    std::vector<std::uint8_t> low;
    std::vector<std::uint8_t> high;
  };
  std::vector<Pending> pending;
  pending.push_back({key_.root, 1, {}, {}});
  // Repeating duplicates give equal neighbours; every other key's entries differ.
  const bool repeating = key_.duplicates() && !key_.linked_duplicates;
  auto in_order = [&](const std::uint8_t* a, const std::uint8_t* b) {
    const int order = compare_.Compare(a, b);
    return repeating ? order <= 0 : order < 0;
  };
  int leaf_depth = 0;
  while (!pending.empty()) {
    // What is pending holds copies of the bounds, no page.
    if (drop_pages) pages_.Unpin();
    const Pending at = std::move(pending.back());
    pending.pop_back();
    if (Status s = CheckPage(at.page); !s.ok()) return s;
    if (seen[at.page]) {
      return Status(kIoError, "key " + std::to_string(key_.number) + " index page " +
                                  std::to_string(at.page) + " is reached twice (a loop)");
    }
    seen[at.page] = 1;
    ++shape->pages;
    const std::uint8_t* bytes = Page(at.page);
    const std::uint16_t n = LoadU16(bytes + 6);
    shape->entries += n;
    const bool leaf = Child(bytes, n) == kNoPointer;
    // A key changed in a page keeps the search from ever finding its record: the entries must
    // stand in order, also against the parent's.
    auto key_at = [&](std::uint16_t i) { return bytes + 12 + i * entry_size_ + 4; };
    for (std::uint16_t i = 0; i < n; ++i) {
      const bool after_low = i > 0 ? in_order(key_at(static_cast<std::uint16_t>(i - 1)), key_at(i))
                                   : at.low.empty() || in_order(at.low.data(), key_at(i));
      const bool before_high = i + 1 < n || at.high.empty() || in_order(key_at(i), at.high.data());
      if (!after_low || !before_high) {
        return Status(kIoError, "key " + std::to_string(key_.number) + " index page " +
                                    std::to_string(at.page) + " holds entry " + std::to_string(i) +
                                    " out of order");
      }
    }
    if (n == 0 && at.page != key_.root) {
      return Status(kIoError, "key " + std::to_string(key_.number) + " index page " +
                                  std::to_string(at.page) + " is empty");
    }
    if (leaf) {
      if (leaf_depth == 0) leaf_depth = at.depth;
      if (leaf_depth != at.depth) {
        return Status(kIoError, "key " + std::to_string(key_.number) +
                                    " index leaves lie at different depths");
      }
      continue;
    }
    if (static_cast<std::size_t>(at.depth) >= kMaxDepth) {
      return Status(kIoError, "key " + std::to_string(key_.number) + " index is too deep");
    }
    const std::size_t first_child = pending.size();
    for (std::uint16_t i = 0; i <= n; ++i) {
      const std::uint32_t child = Child(bytes, i);
      if (child == kNoPointer) {
        return Status(kIoError, "key " + std::to_string(key_.number) + " index page " +
                                    std::to_string(at.page) + " lacks child " + std::to_string(i));
      }
      const std::size_t length = compare_.key_length();
      pending.push_back(
          {child, at.depth + 1,
           i > 0 ? std::vector<std::uint8_t>(key_at(static_cast<std::uint16_t>(i - 1)),
                                             key_at(static_cast<std::uint16_t>(i - 1)) + length)
                 : at.low,
           i < n ? std::vector<std::uint8_t>(key_at(i), key_at(i) + length) : at.high});
    }
    // Taken from the back: the children are then visited in key order, which is page order in
    // a file whose index grew with its records, and reads ahead where index pages lie together.
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first_child), pending.end());
  }
  shape->levels = leaf_depth;
  if (shape->entries != key_.distinct_values) {
    return Status(kIoError, "key " + std::to_string(key_.number) + " index holds " +
                                std::to_string(shape->entries) + " entries, the control record " +
                                std::to_string(key_.distinct_values));
  }
  return Status::Ok();
}

Status IndexTree::CheckShape() const {
  if (key_.entry_size != entry_size_ || capacity_ == 0) {
    return Status(kIoError, "key " + std::to_string(key_.number) + " index entry size " +
                                std::to_string(key_.entry_size) + " does not match its key");
  }
  if (key_.root == kNoPointer) {
    return Status(kIoError, "key " + std::to_string(key_.number) + " has no index root");
  }
  return Status::Ok();
}

const std::uint8_t* IndexTree::Visit(std::uint32_t page) {
  const std::uint8_t* bytes = page == kNoPointer ? nullptr : Page(page);
  const bool valid = bytes != nullptr &&
                     (old_ ? LoadWs32(bytes) == page && !(LoadU16(bytes + 4) & 0x8000)
                           : pages_.Type(page) == page_type_ && LoadPagePointer6(bytes) == page &&
                                 PagePointerType6(bytes) == page_type_) &&
                     LoadU16(bytes + 6) <= capacity_;
  if (valid) return bytes;
  damage_ = CheckPage(page).detail();
  if (damage_.empty()) damage_ = "key " + std::to_string(key_.number) + " index page damaged";
  return nullptr;
}

bool IndexTree::TooDeep(const Position& at) {
  if (at.path.size() < kMaxDepth) return false;
  damage_ = "key " + std::to_string(key_.number) + " index is too deep (a loop)";
  return true;
}

bool IndexTree::DescendLeftmost(std::uint32_t page, Position* at) {
  for (;;) {
    if (TooDeep(*at)) return false;
    const std::uint8_t* bytes = Visit(page);
    if (bytes == nullptr) return false;
    at->path.push_back({page, 0});
    const std::uint32_t child = Child(bytes, 0);
    if (child == kNoPointer) return true;
    page = child;
  }
}

bool IndexTree::DescendRightmost(std::uint32_t page, Position* at) {
  for (;;) {
    if (TooDeep(*at)) return false;
    const std::uint8_t* bytes = Visit(page);
    if (bytes == nullptr) return false;
    const std::uint16_t n = Count(bytes);
    const std::uint32_t child = Child(bytes, n);
    if (child == kNoPointer) {
      at->path.push_back({page, static_cast<std::uint16_t>(n == 0 ? 0 : n - 1)});
      return true;
    }
    at->path.push_back({page, n});
    page = child;
  }
}

bool IndexTree::ClimbPastEnds(Position* at) {
  // A frame whose index is its page's entry count came back from the right-most child: its
  // subtree is done, and so is the page.
  while (!at->path.empty() && at->path.back().index >= Count(Page(at->path.back().page))) {
    at->path.pop_back();
  }
  return at->valid();
}

bool IndexTree::First(Position* at) {
  at->path.clear();
  if (!DescendLeftmost(key_.root, at) || Count(Page(at->path.back().page)) == 0) {
    if (!damaged() && at->path.size() > 1) damage_ = "an empty index page below the root";
    at->path.clear();
    return false;
  }
  return true;
}

bool IndexTree::Last(Position* at) {
  at->path.clear();
  if (!DescendRightmost(key_.root, at) || Count(Page(at->path.back().page)) == 0) {
    if (!damaged() && at->path.size() > 1) damage_ = "an empty index page below the root";
    at->path.clear();
    return false;
  }
  return true;
}

bool IndexTree::Seek(const std::uint8_t* key, bool strictly_greater, Position* at) {
  at->path.clear();
  std::uint32_t page = key_.root;
  for (;;) {
    if (TooDeep(*at)) {
      at->path.clear();
      return false;
    }
    const std::uint8_t* bytes = Visit(page);
    if (bytes == nullptr) {
      at->path.clear();
      return false;
    }
    const std::uint16_t n = Count(bytes);
    // Binary search for the first entry that is >= key (or > key).
    std::uint16_t low = 0;
    std::uint16_t high = n;
    while (low < high) {
      const auto mid = static_cast<std::uint16_t>((low + high) / 2);
      const int c = compare_.Compare(bytes + 12 + mid * entry_size_ + 4, key);
      if (c < 0 || (strictly_greater && c == 0)) {
        low = static_cast<std::uint16_t>(mid + 1);
      } else {
        high = mid;
      }
    }
    at->path.push_back({page, low});
    const std::uint32_t child = Child(bytes, low);
    if (child == kNoPointer) break;
    page = child;
  }
  return ClimbPastEnds(at);
}

bool IndexTree::Next(Position* at) {
  if (!at->valid()) return false;
  Position::Frame& current = at->path.back();
  const std::uint8_t* bytes = Page(current.page);
  const std::uint32_t child = Child(bytes, static_cast<std::uint16_t>(current.index + 1));
  if (child != kNoPointer) {
    ++current.index;
    if (DescendLeftmost(child, at) && Count(Page(at->path.back().page)) > 0) return true;
    if (!damaged()) damage_ = "an empty index page below the root";
    at->path.clear();
    return false;
  }
  if (current.index + 1 < Count(bytes)) {
    ++current.index;
    return true;
  }
  at->path.pop_back();
  return ClimbPastEnds(at);
}

bool IndexTree::StepInLeaf(Position* at, bool forward) const {
  if (!at->valid()) return false;
  Position::Frame& current = at->path.back();
  const std::uint8_t* bytes = Page(current.page);
  if (bytes == nullptr) return false;
  const std::uint16_t count = Count(bytes);
  // A leaf: no right-most child (Child gives that past the last entry).
  if (Child(bytes, count) != kNoPointer) return false;
  if (forward ? current.index + 1 >= count : current.index == 0) return false;
  current.index = static_cast<std::uint16_t>(forward ? current.index + 1 : current.index - 1);
  return true;
}

bool IndexTree::Previous(Position* at) {
  if (!at->valid()) return false;
  Position::Frame& current = at->path.back();
  const std::uint8_t* bytes = Page(current.page);
  const std::uint32_t child = Child(bytes, current.index);
  if (child != kNoPointer) {
    if (DescendRightmost(child, at) && Count(Page(at->path.back().page)) > 0) return true;
    if (!damaged()) damage_ = "an empty index page below the root";
    at->path.clear();
    return false;
  }
  if (current.index > 0) {
    --current.index;
    return true;
  }
  at->path.pop_back();
  // Climb until a frame was entered through a child other than the left-most; its entry just
  // before that child is the predecessor.
  while (!at->path.empty() && at->path.back().index == 0) at->path.pop_back();
  if (at->path.empty()) return false;
  --at->path.back().index;
  return true;
}

}  // namespace btrieve
