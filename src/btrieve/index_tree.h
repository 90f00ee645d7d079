// One key's B-tree as the file stores it (a classic B-tree: interior entries are real entries,
// each with a child holding smaller keys). Walks it in key order with an explicit path, so that
// Next and Previous never re-descend.
#ifndef KEZ_BTRIEVE_INDEX_TREE_H_
#define KEZ_BTRIEVE_INDEX_TREE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"
#include "btrieve/file_layout.h"
#include "btrieve/key_compare.h"
#include "btrieve/page_store.h"
#include "btrieve/status.h"

namespace btrieve {

class IndexTree {
 public:
  // A place in key order: the path from the root. In every frame but the last, `index` is the
  // child followed (entry count = the right-most child); in the last it is the current entry.
  // Deeper than any real tree can be (a 2-entry-per-page tree of 4 billion entries): a tree that
  // goes deeper has a loop in it, and descents stop there.
  static constexpr std::size_t kMaxDepth = 40;

  struct Position {
    struct Frame {
      std::uint32_t page;
      std::uint16_t index;
    };
    // The frames held inline and copied only as deep as the tree goes: a read along a key copies
    // its position at every step, to go back to it when the step fails.
    class Path {
     public:
      Path() = default;
      Path(const Path& other) : size_(other.size_) { CopyFrames(other); }
      Path& operator=(const Path& other) {
        size_ = other.size_;
        CopyFrames(other);
        return *this;
      }
      bool empty() const { return size_ == 0; }
      std::size_t size() const { return size_; }
      void clear() { size_ = 0; }
      // REQUIRES size() < kMaxDepth (every descent checks its depth first).
      void push_back(Frame frame) { frames_[size_++] = frame; }
      void pop_back() { --size_; }
      Frame& back() { return frames_[size_ - 1]; }
      const Frame& back() const { return frames_[size_ - 1]; }
      const Frame* begin() const { return frames_.data(); }
      const Frame* end() const { return frames_.data() + size_; }

     private:
      void CopyFrames(const Path& other) {
        for (std::size_t i = 0; i < size_; ++i) frames_[i] = other.frames_[i];
      }
      std::array<Frame, kMaxDepth> frames_;
      std::size_t size_ = 0;
    };
    Path path;
    bool valid() const { return !path.empty(); }
  };

  struct Shape {
    int levels = 0;
    std::uint64_t entries = 0;
    std::uint64_t pages = 0;
  };

  IndexTree(const FileLayout& layout, const PageStore& pages, const KeyLayout& key,
            const KeyComparator& compare);

  // Checks the whole tree's page structure: every page in range and of this key's type, entry
  // counts within capacity, no page reached twice, all leaves at one depth, and the number of
  // entries equal to the control record's count. A failure says where. With `drop_pages` (the
  // caller holds no page) each page may leave the cache once checked, so that checking a large
  // index does not keep all of it in memory.
  Status Validate(Shape* shape, bool drop_pages = false) const;

  // The checks that need no page: a root, and entries of the size the key implies.
  Status CheckShape() const;

  // Each returns false (an invalid position) when there is no such entry, or when a page on the
  // way fails its checks; damaged() then says so. Only the pages visited are checked, so that
  // reading a few records of a large file touches a few pages.
  bool First(Position* at);
  bool Last(Position* at);
  // The first entry whose key is >= `key` (or > `key` when `strictly_greater`).
  bool Seek(const std::uint8_t* key, bool strictly_greater, Position* at);
  bool Next(Position* at);
  bool Previous(Position* at);

  bool damaged() const { return !damage_.empty(); }
  const std::string& damage() const { return damage_; }

  const std::uint8_t* EntryKey(const Position& at) const { return Entry(at) + 4; }
  // Unique and repeating-duplicate keys: the record. Linked duplicates: the chain's first record.
  std::uint32_t FirstRecord(const Position& at) const;
  // Linked duplicates: the chain's last record; otherwise the record.
  std::uint32_t LastRecord(const Position& at) const;
  // A step to the neighbouring entry of the same leaf page, when there is one: most steps along a
  // key, which need no page but the one in hand and nothing to undo. False leaves `at` as it was.
  bool StepInLeaf(Position* at, bool forward) const;
  // The three at once, from one look at the entry: a step along the key wants them all.
  struct EntryRead {
    const std::uint8_t* key;
    std::uint32_t first;
    std::uint32_t last;
  };
  EntryRead Read(const Position& at) const {
    const std::uint8_t* key = Entry(at) + 4;
    const std::uint8_t* records = key + key_.key_length;
    return {key, LoadWs32(records), LoadWs32(records + (key_.linked_duplicates ? 4 : 0))};
  }

 private:
  // Asked for several times a step along the index: given inline.
  const std::uint8_t* Page(std::uint32_t page) const { return pages_.IndexPage(page); }
  std::uint16_t Count(const std::uint8_t* page) const;
  std::uint32_t Child(const std::uint8_t* page, std::uint16_t index) const;
  const std::uint8_t* Entry(const Position& at) const {
    const Position::Frame& f = at.path.back();
    return Page(f.page) + 12 + f.index * entry_size_;
  }
  // The page if it passes its checks; otherwise nullptr, with damage_ set.
  const std::uint8_t* Visit(std::uint32_t page);
  // True (with damage_ set) when a descent has gone deeper than any real tree can be.
  bool TooDeep(const Position& at);
  bool DescendLeftmost(std::uint32_t page, Position* at);
  bool DescendRightmost(std::uint32_t page, Position* at);
  // Leaves the position where the path's frames are all within their pages.
  bool ClimbPastEnds(Position* at);
  Status CheckPage(std::uint32_t page) const;

  const PageStore& pages_;
  const KeyLayout& key_;
  const KeyComparator& compare_;
  bool old_;
  std::uint32_t entry_size_;
  std::uint32_t capacity_;
  std::uint8_t page_type_;
  std::string damage_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_INDEX_TREE_H_
