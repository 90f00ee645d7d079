#include "transfer/ftp_dir_list.h"

#include <utility>

namespace kez {

cDirItem::cDirItem(std::uint32_t attributes, const LocalDateTime& creation_time,
                   const LocalDateTime& last_access_time, const LocalDateTime& last_write_time,
                   std::int32_t file_size, std::string file_name)
    : attributes_(attributes),
      creation_time_(creation_time),
      last_access_time_(last_access_time),
      last_write_time_(last_write_time),
      file_size_(file_size),
      file_name_(std::move(file_name)) {}

const cDirItem& cDirList::Add(std::uint32_t attributes, const LocalDateTime& creation_time,
                              const LocalDateTime& last_access_time,
                              const LocalDateTime& last_write_time, std::int32_t file_size,
                              std::string file_name) {
  positions_by_name_.try_emplace(file_name, items_.size());
  return items_.emplace_back(attributes, creation_time, last_access_time, last_write_time,
                             file_size, std::move(file_name));
}

const cDirItem* cDirList::Item(int position) const {
  if (position < 1 || position > count()) return nullptr;
  return &items_[static_cast<std::size_t>(position - 1)];
}

const cDirItem* cDirList::Item(std::string_view file_name) const {
  const auto found = positions_by_name_.find(file_name);
  return found == positions_by_name_.end() ? nullptr : &items_[found->second];
}

void cDirList::Clear() {
  items_.clear();
  positions_by_name_.clear();
}

}  // namespace kez
