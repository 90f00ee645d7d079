#include "btrieve/page_format.h"

#include <algorithm>
#include <cstring>

#include "btrieve/byte_order.h"
#include "btrieve/page_store.h"

namespace btrieve {

void StorePageId(std::uint8_t* page, Format format, std::uint32_t number, std::uint8_t type) {
  if (format == Format::kOld) {
    StoreWs32(page, number);
  } else {
    StorePagePointer6(page, number, type);
  }
}

void FormatIndexPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                     int key_number) {
  std::memset(page, 0, layout.page_size);
  StorePageId(page, layout.format, number, static_cast<std::uint8_t>(kPageIndexBase + key_number));
  StoreU32(page + 8, kNoPointer);
}

void FormatDataPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                    std::uint32_t next_free) {
  std::memset(page, 0, layout.page_size);
  StorePageId(page, layout.format, number, kPageData);
  StoreU16(page + 4, 0x8000);
  if (layout.format == Format::kOld) return;  // old files fill slots up to a high-water mark
  const std::uint32_t slots = layout.slots_per_page();
  for (std::uint32_t s = 0; s < slots; ++s) {
    std::uint8_t* slot = page + 6 + s * layout.physical_length;
    const std::uint32_t next =
        s + 1 < slots ? number * layout.page_size + 6 + (s + 1) * layout.physical_length
                      : next_free;
    StoreWs32(slot + 2, next);
  }
}

void FormatVariablePage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number) {
  std::memset(page, 0, layout.page_size);
  StorePageId(page, layout.format, number, kPageVariable);
  StoreU32(page + 6, kNoPointer);
  StoreU16(page + 0x0A, 0);
  // The table's one entry: where free space begins.
  StoreU16(page + layout.page_size - 2, 0x0C);
}

void FormatAcsPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                   const CollatingSequence& acs) {
  std::memset(page, 0, layout.page_size);
  StorePageId(page, layout.format, number, kPageAcs);
  page[6] = 0xAC;
  std::memset(page + 7, 0, 8);  // engines pad the name with zero bytes
  std::memcpy(page + 7, acs.name.data(), std::min<std::size_t>(acs.name.size(), 8));
  std::copy(acs.table.begin(), acs.table.end(), page + 15);
}

void StoreChangingFcrFields(const FileLayout& layout, std::uint8_t* fcr) {
  StoreWs32(fcr + 0x1A, layout.record_count);
  StoreWs32(fcr + 0x26, layout.page_count);
  StoreWs32(fcr + 0x0C, layout.free_page_head);
  if (layout.format == Format::kOld) {
    StoreWs32(fcr + 0x10, layout.deleted_head);
    StoreWs32(fcr + 0x1E, layout.last_data_page);
    StoreU16(fcr + 0x2A, layout.unused_bytes_last_page);
  } else {
    StoreWs32(fcr + 0x9C, layout.free_slot_head);
  }
  for (const KeyLayout& key : layout.keys) {
    std::uint8_t* plan = fcr + key.spec_offset;
    if (layout.format == Format::kOld) {
      StoreWs32(plan, key.root);
    } else {
      StorePagePointer6(plan, key.root, static_cast<std::uint8_t>(kPageIndexBase + key.number));
    }
    StoreWs32(plan + 4, key.distinct_values);
  }
}

}  // namespace btrieve
