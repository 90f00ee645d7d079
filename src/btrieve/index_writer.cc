#include "btrieve/index_writer.h"

#include <cstring>

#include "btrieve/page_format.h"

namespace btrieve {
namespace {

// Deeper than any real tree can be; bounds every descent.
constexpr std::size_t kMaxDepth = 40;

}  // namespace

IndexWriter::IndexWriter(const FileLayout& layout, PageStore& pages, CommitWriter& writer,
                         RecordWriter& records, KeyLayout& key, const KeyComparator& compare)
    : layout_(layout),
      pages_(pages),
      writer_(writer),
      records_(records),
      key_(key),
      compare_(compare),
      size_(key.ExpectedEntrySize()),
      capacity_(static_cast<std::uint16_t>((layout.page_size - 12) / key.ExpectedEntrySize())),
      type_(static_cast<std::uint8_t>(kPageIndexBase + key.number)) {}

std::uint32_t IndexWriter::LoadPointer(const std::uint8_t* p) const {
  return layout_.format == Format::kOld ? LoadWs32(p) : LoadPagePointer6(p);
}

void IndexWriter::StorePointer(std::uint8_t* p, std::uint32_t page) const {
  if (layout_.format == Format::kOld) {
    StoreWs32(p, page);
  } else {
    StorePagePointer6(p, page, type_);
  }
}

std::uint32_t IndexWriter::PointerAt(const std::uint8_t* page, std::uint16_t i) const {
  return LoadPointer(i >= Count(page) ? page + 8 : page + 12 + i * size_);
}

void IndexWriter::SetPointerAt(std::uint8_t* page, std::uint16_t i, std::uint32_t child) const {
  StorePointer(i >= Count(page) ? page + 8 : page + 12 + i * size_, child);
}

std::uint32_t IndexWriter::NewIndexPage() {
  const std::uint32_t page = writer_.NewPage(type_);
  FormatIndexPage(pages_.Mutable(page), layout_, page, key_.number);
  return page;
}

bool IndexWriter::FindExact(const std::uint8_t* value, std::vector<Frame>* path) {
  path->clear();
  std::uint32_t page = key_.root;
  while (path->size() < kMaxDepth) {
    const std::uint8_t* bytes = pages_.Page(page);
    if (bytes == nullptr) return false;
    const std::uint16_t n = std::min(Count(bytes), capacity_);
    std::uint16_t low = 0;
    std::uint16_t high = n;
    while (low < high) {
      const auto mid = static_cast<std::uint16_t>((low + high) / 2);
      if (compare_.Compare(bytes + 12 + mid * size_ + 4, value) < 0) {
        low = static_cast<std::uint16_t>(mid + 1);
      } else {
        high = mid;
      }
    }
    path->push_back({page, low});
    if (low < n && compare_.Compare(bytes + 12 + low * size_ + 4, value) == 0) return true;
    const std::uint32_t child =
        LoadPointer(bytes + 8) == kNoPointer ? kNoPointer : PointerAt(bytes, low);
    if (child == kNoPointer) return false;
    page = child;
  }
  return false;
}

bool IndexWriter::Holds(const std::uint8_t* value) {
  std::vector<Frame> path;
  return FindExact(value, &path);
}

Status IndexWriter::Insert(const std::uint8_t* value, std::uint32_t record) {
  const std::uint32_t kl = key_.key_length;
  if (key_.linked_duplicates) {
    std::uint8_t* slot = records_.MutableSlot(record);
    const std::uint16_t pair = key_.duplicate_pointer_offset;
    std::vector<Frame> path;
    if (FindExact(value, &path)) {
      // Append to the value's chain.
      std::uint8_t* entry = EntryAt(pages_.Mutable(path.back().page), path.back().index);
      const std::uint32_t last = LoadWs32(entry + 4 + kl + 4);
      if (!records_.Live(last)) {
        return Status(kIoError,
                      "key " + std::to_string(key_.number) + " duplicate chain is damaged");
      }
      StoreWs32(entry + 4 + kl + 4, record);
      StoreWs32(slot + pair, last);
      StoreWs32(slot + pair + 4, kNoPointer);
      StoreWs32(records_.MutableSlot(last) + pair + 4, record);
      return Status::Ok();
    }
    StoreWs32(slot + pair, kNoPointer);
    StoreWs32(slot + pair + 4, kNoPointer);
  }
  Entry entry(size_, 0);
  StoreU32(entry.data(), kNoPointer);
  std::memcpy(entry.data() + 4, value, kl);
  StoreWs32(entry.data() + 4 + kl, record);
  if (key_.linked_duplicates) StoreWs32(entry.data() + 8 + kl, record);
  if (Status s = InsertEntry(entry, key_.duplicates()); !s.ok()) return s;
  ++key_.distinct_values;
  return Status::Ok();
}

Status IndexWriter::InsertEntry(const Entry& new_entry, bool after_equals) {
  // Down to the leaf where the entry belongs, remembering the way.
  std::vector<Frame> path;
  std::uint32_t page = key_.root;
  for (;;) {
    if (path.size() >= kMaxDepth) return Status(kIoError, "an index is too deep to change");
    const std::uint8_t* bytes = pages_.Page(page);
    if (bytes == nullptr) return Status(kIoError, "an index page cannot be read");
    const std::uint16_t n = Count(bytes);
    std::uint16_t low = 0;
    std::uint16_t high = n;
    while (low < high) {
      const auto mid = static_cast<std::uint16_t>((low + high) / 2);
      const int c = compare_.Compare(bytes + 12 + mid * size_ + 4, new_entry.data() + 4);
      if (c < 0 || (after_equals && c == 0)) {
        low = static_cast<std::uint16_t>(mid + 1);
      } else {
        high = mid;
      }
    }
    path.push_back({page, low});
    if (LoadPointer(bytes + 8) == kNoPointer) break;
    page = PointerAt(bytes, low);
  }

  // Insert, splitting full pages on the way back up. `carry` goes into the page at the frame's
  // index; the page it came from (or none, at a leaf) stays left of it and `right` goes right.
  Entry carry = new_entry;
  std::uint32_t right = kNoPointer;
  while (!path.empty()) {
    const Frame frame = path.back();
    path.pop_back();
    std::uint8_t* bytes = pages_.Mutable(frame.page);
    const std::uint16_t n = Count(bytes);
    if (n < capacity_) {
      // Room in the page: the entry goes in place, left of the pointer it was found through.
      std::uint8_t* at = EntryAt(bytes, frame.index);
      StorePointer(carry.data(), frame.index < n ? LoadPointer(at) : LoadPointer(bytes + 8));
      std::memmove(at + size_, at, static_cast<std::size_t>(n - frame.index) * size_);
      std::memcpy(at, carry.data(), size_);
      StoreU16(bytes + 6, static_cast<std::uint16_t>(n + 1));
      if (right != kNoPointer) {
        StorePointer(frame.index + 1 <= n ? at + size_ : bytes + 8, right);
      }
      return Status::Ok();
    }
    // A full page splits. Its sequence as entries (each with its left child) plus the right-most
    // child.
    std::vector<Entry> entries;
    entries.reserve(n + 1u);
    for (std::uint16_t i = 0; i < n; ++i) {
      const std::uint8_t* e = EntryAt(bytes, i);
      entries.emplace_back(e, e + size_);
    }
    std::uint32_t rightmost = LoadPointer(bytes + 8);
    StorePointer(carry.data(),
                 frame.index < n ? LoadPointer(entries[frame.index].data()) : rightmost);
    entries.insert(entries.begin() + frame.index, carry);
    if (right != kNoPointer) {
      if (frame.index + 1u < entries.size()) {
        StorePointer(entries[frame.index + 1u].data(), right);
      } else {
        rightmost = right;
      }
    }
    if (entries.size() <= capacity_) {
      for (std::size_t i = 0; i < entries.size(); ++i) {
        std::memcpy(EntryAt(bytes, static_cast<std::uint16_t>(i)), entries[i].data(), size_);
      }
      StoreU16(bytes + 6, static_cast<std::uint16_t>(entries.size()));
      StorePointer(bytes + 8, rightmost);
      return Status::Ok();
    }
    // Split. Appending at the end of a page (ascending loads) keeps the left page full.
    const std::size_t middle = frame.index == n ? entries.size() - 2 : entries.size() / 2;
    const std::uint32_t sibling = NewIndexPage();
    bytes = pages_.Mutable(frame.page);  // the change set may have moved it
    std::uint8_t* sibling_bytes = pages_.Mutable(sibling);
    std::memset(bytes + 12, 0, layout_.page_size - 12);
    for (std::size_t i = 0; i < middle; ++i) {
      std::memcpy(EntryAt(bytes, static_cast<std::uint16_t>(i)), entries[i].data(), size_);
    }
    StoreU16(bytes + 6, static_cast<std::uint16_t>(middle));
    StorePointer(bytes + 8, LoadPointer(entries[middle].data()));
    for (std::size_t i = middle + 1; i < entries.size(); ++i) {
      std::memcpy(EntryAt(sibling_bytes, static_cast<std::uint16_t>(i - middle - 1)),
                  entries[i].data(), size_);
    }
    StoreU16(sibling_bytes + 6, static_cast<std::uint16_t>(entries.size() - middle - 1));
    StorePointer(sibling_bytes + 8, rightmost);
    carry = entries[middle];
    StorePointer(carry.data(), frame.page);
    right = sibling;
  }
  // The root split: a new root above the two halves.
  const std::uint32_t root = NewIndexPage();
  std::uint8_t* bytes = pages_.Mutable(root);
  std::memcpy(EntryAt(bytes, 0), carry.data(), size_);
  StoreU16(bytes + 6, 1);
  StorePointer(bytes + 8, right);
  key_.root = root;
  return Status::Ok();
}

Status IndexWriter::Remove(const std::uint8_t* value, std::uint32_t record) {
  const std::uint32_t kl = key_.key_length;
  std::vector<Frame> path;
  if (!FindExact(value, &path)) {
    return Status(kIoError, "key " + std::to_string(key_.number) +
                                " index does not hold a record being removed");
  }
  if (key_.linked_duplicates) {
    const std::uint16_t pair = key_.duplicate_pointer_offset;
    std::uint8_t* slot = records_.MutableSlot(record);
    const std::uint32_t previous = LoadWs32(slot + pair);
    const std::uint32_t next = LoadWs32(slot + pair + 4);
    if ((previous != kNoPointer && !records_.Live(previous)) ||
        (next != kNoPointer && !records_.Live(next))) {
      return Status(kIoError, "key " + std::to_string(key_.number) + " duplicate chain is damaged");
    }
    std::uint8_t* entry = EntryAt(pages_.Mutable(path.back().page), path.back().index);
    if (previous != kNoPointer || next != kNoPointer) {
      if (previous == kNoPointer) {
        StoreWs32(entry + 4 + kl, next);
      } else {
        StoreWs32(records_.MutableSlot(previous) + pair + 4, next);
      }
      if (next == kNoPointer) {
        StoreWs32(entry + 8 + kl, previous);
      } else {
        StoreWs32(records_.MutableSlot(next) + pair, previous);
      }
      return Status::Ok();
    }
    if (LoadWs32(entry + 4 + kl) != record) {
      return Status(kIoError, "key " + std::to_string(key_.number) + " duplicate chain is damaged");
    }
  } else {
    // Unique keys hold one entry per value; repeating duplicates hold one per record, in order,
    // so the record's own entry follows the first equal one.
    IndexTree tree(layout_, pages_, key_, compare_);
    IndexTree::Position at;
    if (!tree.Seek(value, false, &at)) return Status(kIoError, "an index entry cannot be found");
    for (std::uint64_t steps = 0; tree.FirstRecord(at) != record; ++steps) {
      if (steps > key_.distinct_values || !tree.Next(&at) ||
          compare_.Compare(tree.EntryKey(at), value) != 0) {
        return Status(kIoError, "key " + std::to_string(key_.number) +
                                    " index does not hold a record being removed");
      }
    }
    path.clear();
    for (const auto& frame : at.path) path.push_back({frame.page, frame.index});
  }
  if (Status s = RemoveAt(std::move(path)); !s.ok()) return s;
  --key_.distinct_values;
  return Status::Ok();
}

void IndexWriter::RemoveEntry(std::uint8_t* page, std::uint16_t i) const {
  const std::uint16_t n = Count(page);
  std::memmove(EntryAt(page, i), EntryAt(page, static_cast<std::uint16_t>(i + 1)),
               static_cast<std::size_t>(n - i - 1) * size_);
  std::memset(EntryAt(page, static_cast<std::uint16_t>(n - 1)), 0, size_);
  StoreU16(page + 6, static_cast<std::uint16_t>(n - 1));
}

Status IndexWriter::RemoveAt(std::vector<Frame> path) {
  const Frame target = path.back();
  const std::uint8_t* target_bytes = pages_.Page(target.page);
  if (LoadPointer(target_bytes + 8) != kNoPointer) {
    // An interior entry takes over its predecessor (the last entry of the right-most leaf below
    // its left child) and keeps its own child; that leaf entry is the one removed.
    std::uint32_t page = PointerAt(target_bytes, target.index);
    for (;;) {
      if (path.size() >= kMaxDepth) return Status(kIoError, "an index is too deep to change");
      const std::uint8_t* child = pages_.Page(page);
      if (child == nullptr || Count(child) == 0 || Count(child) > capacity_) {
        return Status(kIoError, "an index page is damaged");
      }
      const std::uint32_t next = LoadPointer(child + 8);
      if (next == kNoPointer) {
        path.push_back({page, static_cast<std::uint16_t>(Count(child) - 1)});
        break;
      }
      path.push_back({page, Count(child)});
      page = next;
    }
    const std::uint8_t* last = pages_.Page(path.back().page) + 12 + path.back().index * size_;
    const Entry predecessor(last + 4, last + size_);
    std::memcpy(EntryAt(pages_.Mutable(target.page), target.index) + 4, predecessor.data(),
                size_ - 4);
  }
  std::uint8_t* leaf = pages_.Mutable(path.back().page);
  RemoveEntry(leaf, path.back().index);
  if (Count(leaf) == 0 && path.size() > 1) return FixEmpty(std::move(path));
  return Status::Ok();
}

Status IndexWriter::FixEmpty(std::vector<Frame> path) {
  while (path.size() > 1) {
    const std::uint32_t empty = path.back().page;
    path.pop_back();
    const Frame parent = path.back();
    std::uint8_t* up = pages_.Mutable(parent.page);
    std::uint8_t* page = pages_.Mutable(empty);
    const std::uint32_t only_child = LoadPointer(page + 8);  // none for a leaf
    const std::uint16_t j = parent.index;
    if (Count(up) == 0) return Status(kIoError, "an index page is damaged");
    if (j > 0) {
      // The left sibling and the separator between them.
      const std::uint32_t sibling = PointerAt(up, static_cast<std::uint16_t>(j - 1));
      std::uint8_t* left = pages_.Mutable(sibling);
      const std::uint16_t n = Count(left);
      std::uint8_t* separator = EntryAt(up, static_cast<std::uint16_t>(j - 1));
      if (n > 1) {
        // Borrow: the separator comes down, the sibling's last entry goes up.
        std::memcpy(EntryAt(page, 0), separator, size_);
        StorePointer(EntryAt(page, 0), LoadPointer(left + 8));
        StoreU16(page + 6, 1);
        std::uint8_t* last = EntryAt(left, static_cast<std::uint16_t>(n - 1));
        StorePointer(left + 8, LoadPointer(last));
        std::memcpy(separator + 4, last + 4, size_ - 4);
        std::memset(last, 0, size_);
        StoreU16(left + 6, static_cast<std::uint16_t>(n - 1));
        return Status::Ok();
      }
      // Merge into the sibling: the separator, then the empty page's only child.
      std::uint8_t* appended = EntryAt(left, n);
      std::memcpy(appended, separator, size_);
      StorePointer(appended, LoadPointer(left + 8));
      StoreU16(left + 6, static_cast<std::uint16_t>(n + 1));
      StorePointer(left + 8, only_child);
      SetPointerAt(up, j, sibling);
      RemoveEntry(up, static_cast<std::uint16_t>(j - 1));
      writer_.FreePage(empty);
    } else {
      const std::uint32_t sibling = PointerAt(up, 1);
      std::uint8_t* right = pages_.Mutable(sibling);
      const std::uint16_t n = Count(right);
      std::uint8_t* separator = EntryAt(up, 0);
      if (n > 1) {
        std::memcpy(EntryAt(page, 0), separator, size_);
        StorePointer(EntryAt(page, 0), only_child);
        StoreU16(page + 6, 1);
        std::uint8_t* first = EntryAt(right, 0);
        StorePointer(page + 8, LoadPointer(first));
        std::memcpy(separator + 4, first + 4, size_ - 4);
        RemoveEntry(right, 0);
        return Status::Ok();
      }
      // Merge the sibling into the empty page.
      std::memcpy(EntryAt(page, 0), separator, size_);
      StorePointer(EntryAt(page, 0), only_child);
      std::memcpy(EntryAt(page, 1), EntryAt(right, 0), static_cast<std::size_t>(n) * size_);
      StoreU16(page + 6, static_cast<std::uint16_t>(n + 1));
      StorePointer(page + 8, LoadPointer(right + 8));
      SetPointerAt(up, 1, empty);
      RemoveEntry(up, 0);
      writer_.FreePage(sibling);
    }
    if (Count(up) > 0) return Status::Ok();
    if (path.size() == 1) {
      // The root lost its last entry: its only child becomes the root.
      key_.root = LoadPointer(up + 8);
      writer_.FreePage(parent.page);
      return Status::Ok();
    }
  }
  return Status::Ok();
}

}  // namespace btrieve
