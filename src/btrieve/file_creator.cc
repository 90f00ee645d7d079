#include "btrieve/file_creator.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/page_format.h"
#include "btrieve/page_store.h"

namespace btrieve {
namespace {

bool ValidTypeLength(std::uint8_t type, std::uint16_t length) {
  switch (type) {
    case kTypeInteger:
    case kTypeAutoIncrement:
      return length == 1 || length == 2 || length == 4 || length == 8;
    case kTypeFloat:
    case kTypeBfloat:
      return length == 4 || length == 8;
    case kTypeDate:
    case kTypeTime:
      return length == 4;
    case kTypeCurrency:
    case kTypeTimestamp:
      return length == 8;
    case kTypeLogical:
      return length == 1 || length == 2;
    case kTypeLstring:
    case kTypeZstring:
      return length >= 2;
    case kTypeUnsignedBinary:
      return length <= 8 || length % 2 == 0;
    default:
      return true;
  }
}

// Checks the plan and works out the layout of the new file (everything but page numbers).
Status PlanLayout(const FilePlan& plan, FileLayout* layout) {
  const bool is_new = plan.format == Format::kNew;
  if (plan.page_size < 512 || plan.page_size > 4096 || plan.page_size % 512 != 0) {
    return Status(kPageSizeError, "page size " + std::to_string(plan.page_size) + " is invalid");
  }
  if (plan.keys.size() > 119) return Status(kInvalidNumberOfKeys, "more than 119 keys");
  if (plan.record_length == 0) return Status(kInvalidRecordLength, "record length 0");
  if (!is_new && plan.collating_sequences.size() > 1) {
    return Status(kInvalidAcs, "5.x files hold one collating sequence only");
  }
  layout->format = plan.format;
  layout->version = is_new ? 0x0610 : 0x0500;
  layout->page_size = plan.page_size;
  layout->record_length = plan.record_length;
  layout->data_offset = is_new ? 2 : 0;
  layout->file_flags = static_cast<std::uint16_t>(
      (plan.variable_length ? kFileVariableLength : 0) |
      (plan.reserved_duplicate_pointers ? kFileReserveDuplicatePointers : 0));
  layout->variable_flag = plan.variable_length ? 0xFF : 0x00;
  layout->collating_sequences = plan.collating_sequences;
  if (!plan.collating_sequences.empty()) layout->acs_name = plan.collating_sequences[0].name;

  std::uint32_t physical =
      layout->data_offset + plan.record_length + (plan.variable_length ? 4 : 0);
  std::uint32_t spec_offset = kOldKeySpecOffset;
  for (std::size_t k = 0; k < plan.keys.size(); ++k) {
    const KeyDef& def = plan.keys[k];
    const std::string which = "key " + std::to_string(k);
    if (def.segments.empty()) return Status(kInvalidKeyLength, which + " has no segments");
    KeyLayout key;
    key.number = static_cast<int>(k);
    key.flags = def.segments[0].flags & static_cast<std::uint16_t>(~kKeySegmented);
    if (!is_new) key.flags &= 0x037F;
    key.spec_offset = spec_offset;
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < def.segments.size(); ++i) {
      const SegmentPlan& s = def.segments[i];
      KeySegment seg;
      seg.position = s.position;
      seg.length = s.length;
      seg.type = s.type;
      seg.null_value = s.null_value;
      seg.acs = s.acs;
      seg.flags = static_cast<std::uint16_t>((s.flags & ~kKeySegmented) | kKeyExtendedType |
                                             (i + 1 < def.segments.size() ? kKeySegmented : 0));
      if (!is_new) seg.flags &= 0x037F;
      if (s.length == 0 || s.position + s.length > plan.record_length) {
        return Status(kInvalidKeyPosition,
                      which + " segment " + std::to_string(i) + " lies outside the record");
      }
      if (!ValidTypeLength(s.type, s.length)) {
        return Status(kKeyTypeError, which + " segment " + std::to_string(i) + ": type " +
                                         std::to_string(s.type) + " cannot be " +
                                         std::to_string(s.length) + " bytes long");
      }
      if ((s.acs >= 0) != ((s.flags & kKeyAlternateCollation) != 0) ||
          s.acs >= static_cast<int>(plan.collating_sequences.size())) {
        return Status(kInvalidAcs, which + " segment " + std::to_string(i) +
                                       ": collating sequence flag and table do not agree");
      }
      if (i > 0 && ((s.flags ^ def.segments[0].flags) &
                    (kKeyDuplicates | kKeyModifiable | kKeyNullAll | kKeyNullAny))) {
        return Status(kInconsistentKeyFlags, which + " segments disagree on the key's flags");
      }
      length += s.length;
      key.segments.push_back(seg);
      spec_offset += kKeySpecBytes;
    }
    if (length > 255) return Status(kInvalidKeyLength, which + " is longer than 255 bytes");
    key.key_length = static_cast<std::uint16_t>(length);
    key.linked_duplicates = key.duplicates() && (!is_new || !(key.flags & kKeyRepeatingDuplicates));
    if (key.linked_duplicates) {
      key.duplicate_pointer_offset = static_cast<std::uint16_t>(physical);
      if (layout->duplicate_pointer_offset == 0) {
        layout->duplicate_pointer_offset = static_cast<std::uint16_t>(physical);
      }
      ++layout->duplicate_pointer_count;
      physical += 8;
    }
    key.entry_size = key.ExpectedEntrySize();
    key.max_entries = static_cast<std::uint16_t>((plan.page_size - 12) / key.entry_size);
    key.min_entries = static_cast<std::uint16_t>(key.max_entries / 2);
    layout->keys.push_back(std::move(key));
  }
  physical += 8u * plan.reserved_duplicate_pointers;
  layout->duplicate_pointer_count = static_cast<std::uint16_t>(layout->duplicate_pointer_count +
                                                               plan.reserved_duplicate_pointers);
  if (physical < (is_new ? 6u : 4u)) physical = is_new ? 6 : 4;  // room for a free-list link
  if (physical > plan.page_size - 6u) {
    return Status(kInvalidRecordLength, "a record of " + std::to_string(physical) +
                                            " bytes does not fit a page of " +
                                            std::to_string(plan.page_size));
  }
  const std::uint32_t kat_room = is_new ? 2u * static_cast<std::uint32_t>(plan.keys.size()) : 0u;
  if (spec_offset + kat_room > plan.page_size) {
    return Status(kInvalidNumberOfKeys, "the key specs do not fit the control record");
  }
  layout->physical_length = static_cast<std::uint16_t>(physical);
  return Status::Ok();
}

void WriteKeySpecs(const FileLayout& layout, const std::vector<std::uint32_t>& acs_pages,
                   std::uint8_t* fcr) {
  const bool is_new = layout.format == Format::kNew;
  for (const KeyLayout& key : layout.keys) {
    std::uint8_t* s = fcr + key.spec_offset;
    for (std::size_t i = 0; i < key.segments.size(); ++i, s += kKeySpecBytes) {
      const KeySegment& seg = key.segments[i];
      StoreU16(s + 0x08, seg.flags);
      StoreU16(s + 0x14, static_cast<std::uint16_t>(seg.position + layout.data_offset));
      StoreU16(s + 0x16, seg.length);
      s[0x1C] = seg.type;
      s[0x1D] = seg.null_value;
      if (is_new && seg.acs >= 0) {
        const std::uint32_t page = acs_pages[static_cast<std::size_t>(seg.acs)];
        s[0x19] = static_cast<std::uint8_t>(page >> 16);
        StoreU16(s + 0x1A, static_cast<std::uint16_t>(page));
      }
      if (i > 0) continue;
      StoreU16(s + 0x0A, key.key_length);
      StoreU16(s + 0x0C, key.entry_size);
      StoreU16(s + 0x0E, key.max_entries);
      StoreU16(s + 0x10, key.min_entries);
      StoreU16(s + 0x12, key.linked_duplicates ? key.duplicate_pointer_offset : 0);
      if (is_new) s[0x18] = static_cast<std::uint8_t>(0x80 + key.number);
    }
  }
}

void WriteCommonFcr(const FileLayout& layout, std::uint8_t* fcr) {
  StoreU16(fcr + 0x08, static_cast<std::uint16_t>(layout.page_size));
  StoreU16(fcr + 0x14, static_cast<std::uint16_t>(layout.keys.size()));
  StoreU16(fcr + 0x16, layout.record_length);
  StoreU16(fcr + 0x18, layout.physical_length);
  StoreU16(fcr + 0x24, 1);
  fcr[0x38] = layout.variable_flag;
  std::memset(fcr + 0x3C, 0, 8);
  std::memcpy(fcr + 0x3C, layout.acs_name.data(), std::min<std::size_t>(layout.acs_name.size(), 8));
  StoreU16(fcr + 0x106, layout.file_flags);
}

Status BuildOld(FileLayout layout, std::vector<std::uint8_t>* image) {
  const std::uint32_t ps = layout.page_size;
  std::uint32_t next_page = 1;
  const bool has_acs = !layout.collating_sequences.empty();
  const std::uint32_t acs_page = has_acs ? next_page++ : 0;
  for (KeyLayout& key : layout.keys) key.root = next_page++;
  layout.last_data_page = next_page++;
  layout.page_count = next_page;
  layout.unused_bytes_last_page = static_cast<std::uint16_t>(ps - 6);
  layout.deleted_head = kNoPointer;
  layout.free_page_head = kNoPointer;
  image->assign(static_cast<std::size_t>(layout.page_count) * ps, 0);
  std::uint8_t* fcr = image->data();
  StoreU16(fcr + 0x04, 1);
  StoreU16(fcr + 0x06, layout.version);
  WriteCommonFcr(layout, fcr);
  WriteKeySpecs(layout, {}, fcr);
  StoreChangingFcrFields(layout, fcr);
  if (has_acs) {
    FormatAcsPage(image->data() + acs_page * ps, layout, acs_page, layout.collating_sequences[0]);
  }
  for (const KeyLayout& key : layout.keys) {
    FormatIndexPage(image->data() + key.root * ps, layout, key.root, key.number);
  }
  FormatDataPage(image->data() + layout.last_data_page * ps, layout, layout.last_data_page,
                 kNoPointer);
  return Status::Ok();
}

Status BuildNew(FileLayout layout, std::vector<std::uint8_t>* image) {
  const std::uint32_t ps = layout.page_size;
  std::uint32_t next_logical = 1;
  std::vector<std::uint32_t> acs_pages;
  for (std::size_t i = 0; i < layout.collating_sequences.size(); ++i) {
    acs_pages.push_back(next_logical++);
  }
  for (KeyLayout& key : layout.keys) key.root = next_logical++;
  const std::uint32_t data_page = next_logical++;
  layout.page_count = next_logical;
  layout.free_slot_head = data_page * ps + 6;
  layout.free_page_head = kNoPointer;
  const std::uint32_t last_physical = NthPagePhysical(ps, data_page);
  image->assign(static_cast<std::size_t>(last_physical + 1) * ps, 0);
  auto page = [&](std::uint32_t physical) { return image->data() + physical * ps; };

  std::uint8_t* fcr = page(0);
  fcr[0] = 'F';
  fcr[1] = 'C';
  StoreU32(fcr + 0x04, 1);
  WriteCommonFcr(layout, fcr);
  StoreU32(fcr + 0x10, kNoPointer);
  StoreU16(fcr + 0x22, 0xFFFF);
  StoreU16(fcr + 0x4A, layout.version);
  StoreU16(fcr + 0x4C, 1);
  StoreU16(fcr + 0x50, 1);
  StoreU16(fcr + 0x72, layout.duplicate_pointer_offset);
  StoreU16(fcr + 0x74, layout.duplicate_pointer_count);
  fcr[0x76] = static_cast<std::uint8_t>(layout.keys.size());
  std::size_t segments = 0;
  for (const KeyLayout& key : layout.keys) segments += key.segments.size();
  fcr[0x77] = static_cast<std::uint8_t>(segments);
  const std::uint32_t specs_end =
      kOldKeySpecOffset + kKeySpecBytes * static_cast<std::uint32_t>(segments);
  // Real engines keep the key attribute table 240 bytes before the end of a 4096-byte page.
  const std::uint32_t table = ps == 4096 ? 0x0F10 : (specs_end + 1) & ~1u;
  StoreU16(fcr + 0x78, static_cast<std::uint16_t>(table));
  for (std::size_t k = 0; k < layout.keys.size(); ++k) {
    StoreU16(fcr + table + 2 * k, static_cast<std::uint16_t>(layout.keys[k].spec_offset));
  }
  StoreU32(fcr + 0x98, kNoPointer);
  for (int group = 0; group < 4; ++group) std::memset(fcr + 0xA1 + 12 * group, 0xFF, 11);
  WriteKeySpecs(layout, acs_pages, fcr);
  StoreChangingFcrFields(layout, fcr);

  std::uint8_t* shadow = page(1);
  shadow[0] = 'F';
  shadow[1] = 'C';
  StoreU16(shadow + 0x08, static_cast<std::uint16_t>(ps));
  StoreU16(shadow + 0x4A, layout.version);

  // The allocation tables: used pages with their types; the rest pre-mapped, type 0.
  std::uint8_t* pat = page(2);
  std::uint8_t* pat_shadow = page(3);
  for (std::uint8_t* p : {pat, pat_shadow}) {
    p[0] = 'P';
    p[1] = 'P';
    StoreU16(p + 2, 1);
  }
  StoreU32(pat + 4, 1);
  const std::uint32_t entries = PageStore::PatEntries(ps);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t logical = i + 1;
    std::uint8_t type = kPageFree;
    if (logical <= acs_pages.size()) {
      type = kPageAcs;
    } else if (logical < data_page) {
      type = static_cast<std::uint8_t>(kPageIndexBase + (logical - acs_pages.size() - 1));
    } else if (logical == data_page) {
      type = kPageData;
    }
    StorePagePointer6(pat + 8 + 4 * i, NthPagePhysical(ps, logical), type);
    StorePagePointer6(pat_shadow + 8 + 4 * i, NthPagePhysical(ps, logical), kPageFree);
  }
  for (std::size_t i = 0; i < acs_pages.size(); ++i) {
    FormatAcsPage(page(NthPagePhysical(ps, acs_pages[i])), layout, acs_pages[i],
                  layout.collating_sequences[i]);
  }
  for (const KeyLayout& key : layout.keys) {
    FormatIndexPage(page(NthPagePhysical(ps, key.root)), layout, key.root, key.number);
  }
  FormatDataPage(page(last_physical), layout, data_page, kNoPointer);
  return Status::Ok();
}

}  // namespace

FilePlan PlanFromLayout(const FileLayout& layout) {
  FilePlan plan;
  plan.format = layout.format;
  plan.record_length = layout.record_length;
  plan.page_size = static_cast<std::uint16_t>(layout.page_size);
  plan.variable_length = layout.variable();
  plan.collating_sequences = layout.collating_sequences;
  int linked = 0;
  for (const KeyLayout& key : layout.keys) {
    KeyDef def;
    for (const KeySegment& seg : key.segments) {
      def.segments.push_back({seg.position, seg.length,
                              static_cast<std::uint16_t>(seg.flags & ~kKeySegmented), seg.type,
                              seg.null_value, seg.acs});
    }
    if (key.linked_duplicates) ++linked;
    plan.keys.push_back(std::move(def));
  }
  if (layout.format == Format::kNew && layout.duplicate_pointer_count > linked) {
    plan.reserved_duplicate_pointers =
        static_cast<std::uint8_t>(layout.duplicate_pointer_count - linked);
  }
  return plan;
}

std::uint32_t NthPagePhysical(std::uint32_t page_size, std::uint32_t n) {
  const std::uint32_t group = page_size / 4;
  const std::uint32_t usable = group - 2;
  return 2 + ((n - 1) / usable) * group + 2 + (n - 1) % usable;
}

Status BuildEmptyFile(const FilePlan& plan, std::vector<std::uint8_t>* image) {
  FileLayout layout;
  if (Status s = PlanLayout(plan, &layout); !s.ok()) return s;
  return plan.format == Format::kNew ? BuildNew(std::move(layout), image)
                                     : BuildOld(std::move(layout), image);
}

Status CreateFile(const std::filesystem::path& path, const FilePlan& plan, bool replace) {
  std::error_code error;
  if (!replace && std::filesystem::exists(path, error)) {
    return Status(kFileAlreadyExists, path.string() + " already exists");
  }
  std::vector<std::uint8_t> image;
  if (Status s = BuildEmptyFile(plan, &image); !s.ok()) return s.Prefix(path.string());
  std::random_device seed;
  const std::filesystem::path temporary =
      path.string() + ".new-" + std::to_string(std::uniform_int_distribution<unsigned>()(seed));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.flush();
    if (!out) {
      std::filesystem::remove(temporary, error);
      return Status(kCreateIoError, path.string() + ": the new file cannot be written");
    }
  }
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return Status(kCreateIoError, path.string() + ": " + error.message());
  }
  return Status::Ok();
}

}  // namespace btrieve
