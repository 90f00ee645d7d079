// The entries of an FTP directory listing (cDirItem) and the ordered, named collection that
// holds them (cDirList).
#ifndef KEZ_TRANSFER_FTP_DIR_LIST_H_
#define KEZ_TRANSFER_FTP_DIR_LIST_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kez {

// The attribute bits of a listing entry, numbered as the Windows file attributes are.
enum FileAttribute : std::uint32_t {
  kAttributeReadOnly = 0x1,
  kAttributeHidden = 0x2,
  kAttributeSystem = 0x4,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
  kAttributeNormal = 0x80,
  kAttributeTemporary = 0x100,
  kAttributeCompressed = 0x800,
  kAttributeOffline = 0x1000,
};

// One entry of a directory listing: its attribute flags, its three times (local), the low 32
// bits of its size and its name.
class cDirItem {
 public:
  cDirItem(std::uint32_t attributes, const LocalDateTime& creation_time,
           const LocalDateTime& last_access_time, const LocalDateTime& last_write_time,
           std::int32_t file_size, std::string file_name);

  bool ReadOnly() const { return Has(kAttributeReadOnly); }
  bool Hidden() const { return Has(kAttributeHidden); }
  bool System() const { return Has(kAttributeSystem); }
  bool Directory() const { return Has(kAttributeDirectory); }
  bool Archive() const { return Has(kAttributeArchive); }
  bool Normal() const { return Has(kAttributeNormal); }
  bool Temporary() const { return Has(kAttributeTemporary); }
  bool Compressed() const { return Has(kAttributeCompressed); }
  bool Offline() const { return Has(kAttributeOffline); }
  const LocalDateTime& CreationTime() const { return creation_time_; }
  const LocalDateTime& LastAccessTime() const { return last_access_time_; }
  const LocalDateTime& LastWriteTime() const { return last_write_time_; }
  std::int32_t FileSize() const { return file_size_; }
  const std::string& fileName() const { return file_name_; }

 private:
  bool Has(FileAttribute bit) const { return (attributes_ & bit) != 0; }

  std::uint32_t attributes_;
  LocalDateTime creation_time_;
  LocalDateTime last_access_time_;
  LocalDateTime last_write_time_;
  std::int32_t file_size_;
  std::string file_name_;
};

// The entries of one listing in the server's order, reachable by position (from 1) and by
// name. Entries stay where they are until Clear.
class cDirList {
 public:
  using const_iterator = std::deque<cDirItem>::const_iterator;

  // Appends the entry made of these fields (each flag from its bit of `attributes`) under the
  // key `file_name` and returns it. A name already present keeps pointing to its first entry.
  const cDirItem& Add(std::uint32_t attributes, const LocalDateTime& creation_time,
                      const LocalDateTime& last_access_time, const LocalDateTime& last_write_time,
                      std::int32_t file_size, std::string file_name);
  // The entry at `position` (1 to count()); nullptr outside that range.
  const cDirItem* Item(int position) const;
  // The entry whose name is exactly `file_name`; nullptr when there is none.
  const cDirItem* Item(std::string_view file_name) const;
  int count() const { return static_cast<int>(items_.size()); }
  // Removes every entry.
  void Clear();

  // The entries in order (the collection's enumerator).
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  std::deque<cDirItem> items_;
  std::map<std::string, std::size_t, std::less<>> positions_by_name_;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_DIR_LIST_H_
