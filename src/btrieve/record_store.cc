#include "btrieve/record_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "btrieve/byte_order.h"

namespace btrieve {
namespace {

// A record image may not grow beyond this when decompressed or reassembled from fragments.
constexpr std::size_t kMaxRecordBytes = 16u << 20;

// Adds the decompressed record to `out`.
Status Decompress(const std::vector<std::uint8_t>& image, std::vector<std::uint8_t>* out) {
  const std::size_t start = out->size();
  std::size_t i = 0;
  bool literal = true;
  while (i < image.size()) {
    if (i + 2 > image.size()) return Status(kVariablePageError, "compressed image ends in a run");
    const std::uint16_t count = LoadU16(&image[i]);
    i += 2;
    if (literal) {
      if (i + count > image.size()) {
        return Status(kVariablePageError, "literal run runs past the compressed image");
      }
      out->insert(out->end(), image.begin() + static_cast<std::ptrdiff_t>(i),
                  image.begin() + static_cast<std::ptrdiff_t>(i + count));
      i += count;
    } else {
      if (i + 1 > image.size()) return Status(kVariablePageError, "repeat run lacks its byte");
      out->insert(out->end(), count, image[i]);
      i += 1;
    }
    if (out->size() - start > kMaxRecordBytes) {
      return Status(kVariablePageError, "compressed record expands beyond 16 MB");
    }
    literal = !literal;
  }
  return Status::Ok();
}

}  // namespace

RecordStore::RecordStore(const FileLayout& layout, const PageStore& pages)
    : layout_(layout),
      pages_(pages),
      slots_per_page_(layout.slots_per_page()),
      page_size_(layout.page_size),
      old_(layout.format == Format::kOld) {
  if (old_) LoadDeletedChain();
}

void RecordStore::LoadDeletedChain() {
  deleted_.assign(static_cast<std::size_t>(pages_.page_limit()) * slots_per_page_, 0);
  std::uint32_t address = layout_.deleted_head;
  std::size_t steps = 0;
  while (address != kNoPointer) {
    const std::uint32_t page = address / page_size_;
    const std::uint32_t offset = address % page_size_;
    if (page == 0 || page >= pages_.page_limit() || offset < 6 ||
        (offset - 6) % layout_.physical_length != 0 ||
        (offset - 6) / layout_.physical_length >= slots_per_page_ || !IsDataPage(page)) {
      warning_ = "deleted-record chain leaves the data pages at address " + std::to_string(address);
      return;
    }
    const std::size_t index =
        static_cast<std::size_t>(page) * slots_per_page_ + (offset - 6) / layout_.physical_length;
    if (deleted_[index] || ++steps > deleted_.size()) {
      warning_ = "deleted-record chain loops at address " + std::to_string(address);
      return;
    }
    deleted_[index] = 1;
    address = LoadWs32(pages_.Page(page) + offset);
  }
}

bool RecordStore::DeletedSlot(std::uint32_t address) const {
  const std::size_t index = static_cast<std::size_t>(address / page_size_) * slots_per_page_ +
                            (address % page_size_ - 6) / layout_.physical_length;
  return index < deleted_.size() && deleted_[index] != 0;
}

void RecordStore::SetDeleted(std::uint32_t address, bool deleted) {
  const std::size_t index = static_cast<std::size_t>(address / page_size_) * slots_per_page_ +
                            (address % page_size_ - 6) / layout_.physical_length;
  if (index >= deleted_.size()) deleted_.resize(index + 1, 0);
  deleted_[index] = deleted ? 1 : 0;
}

const std::uint8_t* RecordStore::DataPage(std::uint32_t page) const {
  if (page == 0) return nullptr;
  // The allocation table tells a new-format file's index pages without reading them: a scan
  // that read them would break its run of data pages.
  if (!old_ && pages_.Type(page) != kPageData) return nullptr;
  const std::uint8_t* bytes = pages_.Page(page);
  if (bytes == nullptr) return nullptr;
  const bool data = old_ ? (LoadU16(bytes + 4) & 0x8000) != 0 && LoadWs32(bytes) == page
                         : LoadPagePointer6(bytes) == page;
  return data ? bytes : nullptr;
}

std::uint32_t RecordStore::UsedSlots(std::uint32_t page) const {
  if (!old_ || page != layout_.last_data_page) return slots_per_page_;
  // Only slots ending at or before the high-water mark of the last data page were ever used.
  const std::uint32_t used_end = page_size_ - layout_.unused_bytes_last_page;
  if (used_end < 6) return 0;
  return std::min(slots_per_page_, (used_end - 6) / layout_.physical_length);
}

bool RecordStore::SlotLive(std::uint32_t page, std::uint32_t slot,
                           const std::uint8_t* bytes) const {
  if (old_) {
    const std::size_t index = static_cast<std::size_t>(page) * slots_per_page_ + slot;
    return slot < UsedSlots(page) && (index >= deleted_.size() || !deleted_[index]);
  }
  return LoadU16(bytes + 6 + slot * layout_.physical_length) != 0;
}

const std::uint8_t* RecordStore::LiveSlot(std::uint32_t address, Status* status) const {
  const std::uint32_t page = address / page_size_;
  const std::uint32_t offset = address % page_size_;
  if (address != kNoPointer && offset >= 6 && (offset - 6) % layout_.physical_length == 0) {
    const std::uint32_t slot = (offset - 6) / layout_.physical_length;
    if (slot < slots_per_page_) {
      const std::uint8_t* bytes = DataPage(page);
      if (bytes != nullptr && SlotLive(page, slot, bytes)) return bytes + offset;
    }
  }
  *status = Status(kInvalidRecordAddress, "no record at address " + std::to_string(address));
  return nullptr;
}

std::uint32_t RecordStore::ScanForward(std::uint32_t after, bool from_start, std::uint32_t* damaged,
                                       const std::uint8_t** found) const {
  std::uint32_t page = 1;
  std::uint32_t slot = 0;
  if (!from_start) {
    page = after / page_size_;
    slot = (after % page_size_ - 6) / layout_.physical_length + 1;
  }
  for (; page < pages_.page_limit(); ++page, slot = 0) {
    const std::uint8_t* bytes = DataPage(page);
    if (bytes == nullptr) {
      if (damaged != nullptr && LostDataPage(page)) {
        *damaged = page;
        return kNoPointer;
      }
      continue;
    }
    const std::uint32_t used = UsedSlots(page);
    for (; slot < used; ++slot) {
      if (SlotLive(page, slot, bytes)) {
        const std::uint32_t offset = 6 + slot * layout_.physical_length;
        if (found != nullptr) *found = bytes + offset;
        return page * page_size_ + offset;
      }
    }
  }
  return kNoPointer;
}

std::uint32_t RecordStore::ScanBackward(std::uint32_t before, bool from_end, std::uint32_t* damaged,
                                        const std::uint8_t** found) const {
  constexpr std::int64_t kPageEnd = INT64_MAX;
  std::uint32_t page = pages_.page_limit() == 0 ? 0 : pages_.page_limit() - 1;
  std::int64_t slot = kPageEnd;  // the first slot to look at
  if (!from_end) {
    page = before / page_size_;
    slot = static_cast<std::int64_t>((before % page_size_ - 6) / layout_.physical_length) - 1;
  }
  for (; page >= 1; --page, slot = kPageEnd) {
    const std::uint8_t* bytes = DataPage(page);
    if (bytes == nullptr) {
      if (damaged != nullptr && LostDataPage(page)) {
        *damaged = page;
        return kNoPointer;
      }
      continue;
    }
    for (std::int64_t s = std::min(slot, static_cast<std::int64_t>(UsedSlots(page)) - 1); s >= 0;
         --s) {
      const auto index = static_cast<std::uint32_t>(s);
      if (SlotLive(page, index, bytes)) {
        const std::uint32_t offset = 6 + index * layout_.physical_length;
        if (found != nullptr) *found = bytes + offset;
        return page * page_size_ + offset;
      }
    }
  }
  return kNoPointer;
}

std::uint32_t RecordStore::ChainPrevious(const std::uint8_t* slot, std::uint16_t offset) const {
  if (offset + 8u > layout_.physical_length) return kNoPointer;
  return LoadWs32(slot + offset);
}

std::uint32_t RecordStore::ChainNext(const std::uint8_t* slot, std::uint16_t offset) const {
  if (offset + 8u > layout_.physical_length) return kNoPointer;
  return LoadWs32(slot + offset + 4);
}

Status RecordStore::Read(const std::uint8_t* slot, std::vector<std::uint8_t>* out) const {
  // A record of fixed length is one copy, the read of every step of a scan.
  if (!layout_.compressed() && !layout_.variable()) {
    const std::uint8_t* data = slot + layout_.data_offset;
    out->assign(data, data + layout_.record_length);
    return Status::Ok();
  }
  out->clear();
  return Append(slot, out);
}

Status RecordStore::Append(const std::uint8_t* slot, std::vector<std::uint8_t>* out) const {
  if (layout_.compressed()) {
    std::vector<std::uint8_t> image;
    if (Status s = ReadTail(slot, 0, &image); !s.ok()) return s;
    return Decompress(image, out);
  }
  const std::size_t start = out->size();
  const std::uint8_t* data = slot + layout_.data_offset;
  out->insert(out->end(), data, data + layout_.record_length);
  if (!layout_.variable()) return Status::Ok();
  if (layout_.data_offset + layout_.record_length + 4u > layout_.physical_length) {
    return Status(kVariablePageError, "no room for the variable-tail pointer in the slot");
  }
  return ReadTail(data + layout_.record_length, start, out);
}

Status RecordStore::ReadTail(const std::uint8_t* pointer, std::size_t start,
                             std::vector<std::uint8_t>* out) const {
  VariablePointer at = LoadVariablePointer(pointer);
  const std::size_t max_steps = static_cast<std::size_t>(pages_.page_limit()) * (page_size_ / 2);
  for (std::size_t step = 0; !at.none(); ++step) {
    // Spelt out only for a fault: a read of a record with a tail must not build texts.
    const auto where = [at] {
      return "variable page " + std::to_string(at.page) + " fragment " +
             std::to_string(at.fragment);
    };
    if (step > max_steps) return Status(kVariablePageError, "fragment chain loops at " + where());
    const std::uint8_t* page = pages_.Page(at.page);
    if (page == nullptr) return Status(kVariablePageError, where() + ": page out of range");
    if (old_ ? (LoadWs32(page) != at.page || (LoadU16(page + 4) & 0x8000))
             : (pages_.Type(at.page) != kPageVariable || LoadPagePointer6(page) != at.page)) {
      return Status(kVariablePageError, where() + ": not a variable page");
    }
    const std::uint32_t count = LoadU16(page + 0x0A);
    const std::uint32_t table_start = page_size_ - 2 * (count + 1);
    if (at.fragment >= count || 2 * (count + 1) + 0x0C > page_size_) {
      return Status(kVariablePageError, where() + ": fragment number beyond the page's table");
    }
    auto entry_at = [&](std::uint32_t f) { return LoadU16(page + page_size_ - 2 * (f + 1)); };
    const std::uint16_t entry = entry_at(at.fragment);
    if (entry == 0xFFFF) return Status(kVariablePageError, where() + ": fragment was deleted");
    const std::uint32_t begin = entry & 0x7FFFu;
    std::uint32_t end = 0;
    for (std::uint32_t f = at.fragment + 1; f <= count; ++f) {
      if (entry_at(f) != 0xFFFF) {
        end = entry_at(f) & 0x7FFFu;
        break;
      }
    }
    if (begin < 0x0C || end < begin || end > table_start) {
      return Status(kVariablePageError, where() + ": fragment bounds are damaged");
    }
    const bool linked = !old_ || (entry & 0x8000) != 0;
    if (linked && end - begin < 4) {
      return Status(kVariablePageError, where() + ": fragment too short for its link");
    }
    const std::uint32_t data = linked ? begin + 4 : begin;
    out->insert(out->end(), page + data, page + end);
    if (out->size() - start > kMaxRecordBytes) {
      return Status(kVariablePageError, "variable record grows beyond 16 MB at " + where());
    }
    at = linked ? LoadVariablePointer(page + begin) : VariablePointer{};
  }
  return Status::Ok();
}

}  // namespace btrieve
