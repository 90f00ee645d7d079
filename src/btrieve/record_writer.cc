#include "btrieve/record_writer.h"

#include <algorithm>
#include <cstring>

#include "btrieve/page_format.h"

namespace btrieve {
namespace {

constexpr std::uint32_t kMaxFragmentsPerPage = 255;  // a fragment number is one byte

std::uint16_t EntryAt(const std::uint8_t* page, std::uint32_t page_size, std::uint32_t f) {
  return LoadU16(page + page_size - 2 * (f + 1));
}
void SetEntry(std::uint8_t* page, std::uint32_t page_size, std::uint32_t f, std::uint16_t value) {
  StoreU16(page + page_size - 2 * (f + 1), value);
}

}  // namespace

RecordWriter::RecordWriter(FileLayout& layout, PageStore& pages, CommitWriter& writer,
                           RecordStore& records, std::uint32_t* variable_page)
    : layout_(layout),
      pages_(pages),
      writer_(writer),
      records_(records),
      variable_page_(variable_page) {}

std::uint8_t* RecordWriter::MutableSlot(std::uint32_t address) {
  return pages_.Mutable(address / layout_.page_size) + address % layout_.page_size;
}

bool RecordWriter::Live(std::uint32_t address) const {
  Status ignored;
  return records_.LiveSlot(address, &ignored) != nullptr;
}

Status RecordWriter::TakeSlot(std::uint32_t* address) {
  const std::uint32_t ps = layout_.page_size;
  const std::uint32_t phys = layout_.physical_length;
  if (layout_.format == Format::kNew) {
    if (layout_.free_slot_head == kNoPointer) {
      const std::uint32_t page = writer_.NewPage(kPageData);
      FormatDataPage(pages_.Mutable(page), layout_, page, kNoPointer);
      layout_.free_slot_head = page * ps + 6;
    }
    const std::uint32_t head = layout_.free_slot_head;
    const std::uint32_t page = head / ps;
    const std::uint32_t offset = head % ps;
    if (pages_.Type(page) != kPageData || offset < 6 || (offset - 6) % phys != 0 ||
        offset + phys > ps) {
      return Status(kIoError, "the free-slot list points outside the data pages");
    }
    std::uint8_t* slot = MutableSlot(head);
    if (LoadU16(slot) != 0) return Status(kIoError, "the free-slot list reaches a used slot");
    layout_.free_slot_head = LoadWs32(slot + 2);
    std::memset(slot, 0, phys);
    *address = head;
    return Status::Ok();
  }
  if (layout_.deleted_head != kNoPointer) {
    const std::uint32_t head = layout_.deleted_head;
    Status status;
    if (records_.DeletedSlot(head) == false) {
      return Status(kIoError, "the deleted-record chain reaches a slot in use");
    }
    std::uint8_t* slot = MutableSlot(head);
    layout_.deleted_head = LoadWs32(slot);
    std::memset(slot, 0, phys);
    records_.SetDeleted(head, false);
    *address = head;
    return Status::Ok();
  }
  const std::uint32_t used_end = ps - layout_.unused_bytes_last_page;
  if (layout_.last_data_page != kNoPointer && used_end + phys <= ps && used_end >= 6) {
    *address = layout_.last_data_page * ps + used_end;
    layout_.unused_bytes_last_page =
        static_cast<std::uint16_t>(layout_.unused_bytes_last_page - phys);
    pages_.Mutable(layout_.last_data_page);
    return Status::Ok();
  }
  const std::uint32_t page = writer_.NewPage(kPageData);
  FormatDataPage(pages_.Mutable(page), layout_, page, kNoPointer);
  layout_.last_data_page = page;
  layout_.unused_bytes_last_page = static_cast<std::uint16_t>(ps - 6 - phys);
  *address = page * ps + 6;
  return Status::Ok();
}

void RecordWriter::ReleaseSlot(std::uint32_t address) {
  std::uint8_t* slot = MutableSlot(address);
  std::memset(slot, 0, layout_.physical_length);
  if (layout_.format == Format::kNew) {
    StoreWs32(slot + 2, layout_.free_slot_head);
    layout_.free_slot_head = address;
    return;
  }
  StoreWs32(slot, layout_.deleted_head);
  layout_.deleted_head = address;
  records_.SetDeleted(address, true);
}

Status RecordWriter::Store(std::uint32_t address, std::span<const std::uint8_t> record,
                           std::uint16_t usage) {
  std::uint8_t* slot = MutableSlot(address);
  if (layout_.format == Format::kNew) StoreU16(slot, usage);
  // A file may declare no fixed part at all; an empty record then has no bytes to copy from.
  if (layout_.record_length > 0) {
    std::memcpy(slot + layout_.data_offset, record.data(), layout_.record_length);
  }
  if (!layout_.variable()) return Status::Ok();
  VariablePointer first;
  if (Status s = WriteTail(record.subspan(layout_.record_length), &first); !s.ok()) return s;
  // Writing the tail may have moved the slot's page copy; fetch it again.
  StoreVariablePointer(MutableSlot(address) + layout_.data_offset + layout_.record_length, first);
  return Status::Ok();
}

std::uint32_t RecordWriter::FreeBytes(const std::uint8_t* page) const {
  const std::uint32_t count = LoadU16(page + 0x0A);
  if (count >= kMaxFragmentsPerPage) return 0;
  const std::uint32_t used_end = EntryAt(page, layout_.page_size, count) & 0x7FFFu;
  const std::uint32_t table_start = layout_.page_size - 2 * (count + 2);  // with one more entry
  return table_start > used_end ? table_start - used_end : 0;
}

std::uint32_t RecordWriter::VariablePageWithRoom(std::uint32_t wanted) {
  if (*variable_page_ != kNoPointer && *variable_page_ < pages_.page_limit()) {
    const std::uint8_t* page = pages_.Page(*variable_page_);
    const bool is_variable =
        page != nullptr && (layout_.format == Format::kOld
                                ? LoadWs32(page) == *variable_page_ && !(LoadU16(page + 4) & 0x8000)
                                : pages_.Type(*variable_page_) == kPageVariable);
    if (is_variable && FreeBytes(page) >= wanted) return *variable_page_;
  }
  const std::uint32_t page = writer_.NewPage(kPageVariable);
  FormatVariablePage(pages_.Mutable(page), layout_, page);
  *variable_page_ = page;
  return page;
}

Status RecordWriter::WriteTail(std::span<const std::uint8_t> tail, VariablePointer* first) {
  *first = VariablePointer{};
  const bool every_fragment_linked = layout_.format == Format::kNew;
  std::uint32_t link_page = kNoPointer;  // where the previous fragment's link is
  std::uint32_t link_offset = 0;
  std::size_t done = 0;
  while (done < tail.size()) {
    const std::size_t remaining = tail.size() - done;
    const std::uint32_t page_number = VariablePageWithRoom(16);
    std::uint8_t* page = pages_.Mutable(page_number);
    const std::uint32_t room = FreeBytes(page);
    // Old files link a fragment only when another follows it.
    const bool last = remaining + (every_fragment_linked ? 4 : 0) <= room;
    const bool linked = every_fragment_linked || !last;
    const std::uint32_t length =
        static_cast<std::uint32_t>(std::min<std::size_t>(remaining, room - (linked ? 4 : 0)));
    const std::uint32_t fragment = LoadU16(page + 0x0A);
    const std::uint32_t offset = EntryAt(page, layout_.page_size, fragment) & 0x7FFFu;
    std::uint8_t* at = page + offset;
    if (linked) {
      StoreU32(at, kNoPointer);
      at += 4;
    }
    std::memcpy(at, tail.data() + done, length);
    const bool flagged = layout_.format == Format::kOld && linked;
    SetEntry(page, layout_.page_size, fragment,
             static_cast<std::uint16_t>(offset | (flagged ? 0x8000u : 0u)));
    SetEntry(page, layout_.page_size, fragment + 1,
             static_cast<std::uint16_t>(offset + (linked ? 4 : 0) + length));
    StoreU16(page + 0x0A, static_cast<std::uint16_t>(fragment + 1));
    const VariablePointer here{page_number, static_cast<std::uint8_t>(fragment)};
    if (link_page == kNoPointer) {
      *first = here;
    } else {
      StoreVariablePointer(pages_.Mutable(link_page) + link_offset, here);
    }
    link_page = page_number;
    link_offset = offset;
    done += length;
  }
  return Status::Ok();
}

Status RecordWriter::DropTail(std::uint32_t address) {
  if (!layout_.variable()) return Status::Ok();
  const std::uint32_t ps = layout_.page_size;
  VariablePointer at = LoadVariablePointer(pages_.Page(address / ps) + address % ps +
                                           layout_.data_offset + layout_.record_length);
  const std::size_t max_steps =
      static_cast<std::size_t>(pages_.page_limit()) * kMaxFragmentsPerPage;
  for (std::size_t step = 0; !at.none(); ++step) {
    std::uint8_t* page = at.page < pages_.page_limit() ? pages_.Mutable(at.page) : nullptr;
    const std::uint32_t count = page == nullptr ? 0 : LoadU16(page + 0x0A);
    if (step > max_steps || at.fragment >= count || 2 * (count + 1) + 0x0C > ps) {
      return Status(kVariablePageError, "a variable tail to remove is damaged");
    }
    const std::uint16_t entry = EntryAt(page, ps, at.fragment);
    if (entry == 0xFFFF) return Status(kVariablePageError, "a variable tail to remove is damaged");
    const std::uint32_t begin = entry & 0x7FFFu;
    std::uint32_t end = 0;
    for (std::uint32_t f = at.fragment + 1; f <= count && end == 0; ++f) {
      if (EntryAt(page, ps, f) != 0xFFFF) end = EntryAt(page, ps, f) & 0x7FFFu;
    }
    const std::uint32_t used_end = EntryAt(page, ps, count) & 0x7FFFu;
    if (end < begin || used_end < end || used_end > ps - 2 * (count + 1)) {
      return Status(kVariablePageError, "a variable tail to remove is damaged");
    }
    const bool linked = layout_.format == Format::kNew || (entry & 0x8000) != 0;
    const VariablePointer next = linked ? LoadVariablePointer(page + begin) : VariablePointer{};
    // Close the gap: later fragments move down, and their table entries with them.
    const std::uint32_t length = end - begin;
    std::memmove(page + begin, page + end, used_end - end);
    std::memset(page + used_end - length, 0, length);
    for (std::uint32_t f = 0; f <= count; ++f) {
      const std::uint16_t e = EntryAt(page, ps, f);
      if (e != 0xFFFF && (e & 0x7FFFu) > begin) {
        SetEntry(page, ps, f, static_cast<std::uint16_t>(e - length));
      }
    }
    SetEntry(page, ps, at.fragment, 0xFFFF);
    // Trailing removed entries give their table room back.
    std::uint32_t kept = count;
    while (kept > 0 && EntryAt(page, ps, kept - 1) == 0xFFFF) {
      SetEntry(page, ps, kept - 1, EntryAt(page, ps, kept));
      SetEntry(page, ps, kept, 0);
      --kept;
    }
    StoreU16(page + 0x0A, static_cast<std::uint16_t>(kept));
    at = next;
  }
  return Status::Ok();
}

}  // namespace btrieve
