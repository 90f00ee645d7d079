#include "btrieve/layout_reader.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "btrieve/byte_order.h"

namespace btrieve {
namespace {

constexpr std::uint32_t kKeySpecSize = 30;
constexpr std::uint32_t kOldKeySpecStart = 0x110;
constexpr std::uint8_t kAcsSignature = 0xAC;

bool ValidPageSize(std::uint32_t size, std::uint32_t largest) {
  return size >= 512 && size <= largest && size % 512 == 0;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string TrimName(const std::uint8_t* p, std::size_t n) {
  std::string name(reinterpret_cast<const char*>(p), n);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
  const auto nul = name.find('\0');
  if (nul != std::string::npos) name.resize(nul);
  return name;
}

// Reads an ACS block (signature, 8-byte name, 256-byte table) at `p`.
bool ReadAcs(const std::uint8_t* p, CollatingSequence* acs) {
  if (p[6] != kAcsSignature) return false;
  acs->name = TrimName(p + 7, 8);
  std::copy(p + 15, p + 15 + 256, acs->table.begin());
  return true;
}

std::uint8_t EffectiveType(std::uint16_t flags, std::uint8_t extended) {
  if (flags & kKeyExtendedType) return extended;
  return (flags & kKeyBinary) ? kTypeUnsignedBinary : kTypeString;
}

// Decodes the segment specs of one key starting at `offset` in the FCR.
Status ReadKey(const std::uint8_t* fcr, std::uint32_t page_size, std::uint32_t offset,
               const FileLayout& layout, int ordinal, KeyLayout* key, std::uint32_t* next_offset) {
  const bool is_new = layout.format == Format::kNew;
  key->spec_offset = offset;
  for (int segment = 0;; ++segment) {
    if (offset + kKeySpecSize > page_size || segment >= 119) {
      return Status(kNotABtrieveFile, "key " + std::to_string(ordinal) +
                                          ": segment specs run past the control record");
    }
    const std::uint8_t* s = fcr + offset;
    const std::uint16_t flags = LoadU16(s + 0x08);
    if (segment == 0) {
      key->root = is_new ? LoadPagePointer6(s) : LoadWs32(s);
      key->distinct_values = LoadWs32(s + 0x04);
      key->flags = flags;
      key->key_length = LoadU16(s + 0x0A);
      key->entry_size = LoadU16(s + 0x0C);
      key->max_entries = LoadU16(s + 0x0E);
      key->min_entries = LoadU16(s + 0x10);
      key->duplicate_pointer_offset = LoadU16(s + 0x12);
      key->number = (is_new && s[0x18] >= 0x80) ? s[0x18] - 0x80 : ordinal;
      key->linked_duplicates =
          (flags & kKeyDuplicates) && (!is_new || !(flags & kKeyRepeatingDuplicates));
    }
    KeySegment seg;
    const std::uint32_t position = LoadU16(s + 0x14);
    seg.length = LoadU16(s + 0x16);
    seg.flags = flags;
    seg.type = EffectiveType(flags, s[0x1C]);
    seg.null_value = s[0x1D];
    if (position < layout.data_offset) {
      return Status(kNotABtrieveFile, "key " + std::to_string(ordinal) + " segment " +
                                          std::to_string(segment) + " starts before the record");
    }
    seg.position = static_cast<std::uint16_t>(position - layout.data_offset);
    if (seg.length == 0 ||
        (!layout.compressed() && seg.position + seg.length > layout.record_length)) {
      return Status(kNotABtrieveFile, "key " + std::to_string(ordinal) + " segment " +
                                          std::to_string(segment) + " lies outside the record");
    }
    key->segments.push_back(seg);
    offset += kKeySpecSize;
    if (!(flags & kKeySegmented)) break;
  }
  std::uint32_t total = 0;
  for (const KeySegment& seg : key->segments) total += seg.length;
  if (total != key->key_length) {
    // A damaged length only spoils the index, not the key itself: the segments decide.
    key->key_length = static_cast<std::uint16_t>(total);
    key->entry_size = 0;
  }
  *next_offset = offset;
  return Status::Ok();
}

Status ReadCommonFields(const std::uint8_t* fcr, FileLayout* layout) {
  layout->record_length = LoadU16(fcr + 0x16);
  layout->physical_length = LoadU16(fcr + 0x18);
  layout->record_count = LoadWs32(fcr + 0x1A);
  layout->page_count = LoadWs32(fcr + 0x26);
  layout->variable_flag = fcr[0x38];
  layout->acs_name = TrimName(fcr + 0x3C, 8);
  layout->file_flags = LoadU16(fcr + 0x106);
  layout->free_page_head = LoadWs32(fcr + 0x0C);
  const std::uint32_t slot_room = layout->page_size - 6;
  if (layout->physical_length == 0 || layout->physical_length > slot_room) {
    return Status(kNotABtrieveFile,
                  "physical record length " + std::to_string(layout->physical_length) +
                      " does not fit a page of " + std::to_string(layout->page_size));
  }
  if (!layout->compressed() &&
      layout->record_length + layout->data_offset > layout->physical_length) {
    return Status(kNotABtrieveFile, "record length " + std::to_string(layout->record_length) +
                                        " exceeds the physical record length " +
                                        std::to_string(layout->physical_length));
  }
  if (layout->file_flags & kFileVariableTailTables) {
    return Status(kNotABtrieveFile,
                  "the file uses variable-tail allocation tables, which this engine does not read");
  }
  // A compressed record's image holds the whole record, trailing blanks included, so only an
  // uncompressed file loses them.
  if (((layout->file_flags & kFileBlankTruncation) || layout->variable_flag == 0xFD) &&
      !layout->compressed()) {
    return Status(kNotABtrieveFile,
                  "the file truncates trailing blanks of variable records; where the engine keeps "
                  "the blank count is not known, so its records cannot be rebuilt exactly");
  }
  if (layout->compressed() && layout->format == Format::kNew) {
    return Status(kNotABtrieveFile, "compressed 6.x files are not supported");
  }
  return Status::Ok();
}

// `head` holds the first two 4096-byte blocks of the file (less when it is shorter).
using Head = std::vector<std::uint8_t>;

Status ReadOld(PageSource& source, const Head& head, FileLayout* layout, PageStore* pages) {
  const std::uint8_t* fcr = head.data();
  layout->format = Format::kOld;
  const auto stored = static_cast<std::int16_t>(LoadU16(fcr + 0x06));
  const int version = std::abs(static_cast<int>(stored));
  if ((version & 0xFF) != 0 || version < 0x0300 || version > 0x0500) {
    return Status(kNotABtrieveFile, "unknown version word " + Hex(LoadU16(fcr + 0x06)));
  }
  layout->version = static_cast<std::uint16_t>(version);
  layout->page_size = LoadU16(fcr + 0x08);
  if (!ValidPageSize(layout->page_size, 4096)) {
    return Status(kNotABtrieveFile, "invalid page size " + std::to_string(layout->page_size));
  }
  if (source.size() < 2ull * layout->page_size) {
    return Status(kIoError, "the file is shorter than two pages (truncated)");
  }
  layout->fcr_page = 0;
  layout->fcr_usage = LoadU16(fcr + 0x04);
  layout->data_offset = 0;
  if (Status s = ReadCommonFields(fcr, layout); !s.ok()) return s;
  layout->deleted_head = LoadWs32(fcr + 0x10);
  layout->last_data_page = LoadWs32(fcr + 0x1E);
  layout->unused_bytes_last_page = LoadU16(fcr + 0x2A);
  source.set_page_size(layout->page_size);
  pages->InitOld(&source);

  const std::uint16_t key_count = LoadU16(fcr + 0x14);
  if (key_count > 119) {
    return Status(kNotABtrieveFile, "implausible key count " + std::to_string(key_count));
  }
  bool uses_acs = !layout->acs_name.empty();
  std::uint32_t offset = kOldKeySpecStart;
  for (int k = 0; k < key_count; ++k) {
    KeyLayout key;
    if (Status s = ReadKey(fcr, layout->page_size, offset, *layout, k, &key, &offset); !s.ok()) {
      return s;
    }
    for (const KeySegment& seg : key.segments) {
      if (seg.flags & kKeyAlternateCollation) uses_acs = true;
    }
    layout->keys.push_back(std::move(key));
  }
  if (uses_acs) {
    CollatingSequence acs;
    const std::uint8_t* page = pages->Page(1);
    if (page == nullptr || !ReadAcs(page, &acs)) {
      return Status(kIoError, "page 1 should hold the alternate collating sequence but does not");
    }
    layout->collating_sequences.push_back(std::move(acs));
    for (KeyLayout& key : layout->keys) {
      for (KeySegment& seg : key.segments) {
        if (seg.flags & kKeyAlternateCollation) seg.acs = 0;
      }
    }
  }
  return Status::Ok();
}

// New-format files keep two FCR copies on pages 0 and 1; the one with the larger usage count is
// current. The page size comes from page 0, or from the first size at which page 1 starts "FC".
std::uint32_t FindNewPageSize(const Head& head) {
  auto fc_at = [&](std::uint32_t size) {
    return head.size() >= 2ull * size && head[size] == 'F' && head[size + 1] == 'C' &&
           LoadU16(head.data() + size + 0x08) == size;
  };
  const std::uint32_t stated = LoadU16(head.data() + 0x08);
  if (ValidPageSize(stated, 4096) && fc_at(stated)) return stated;
  for (std::uint32_t size = 512; size <= 4096; size += 512) {
    if (fc_at(size)) return size;
  }
  return ValidPageSize(stated, 4096) ? stated : 0;
}

Status ReadNew(PageSource& source, const Head& head, FileLayout* layout, PageStore* pages) {
  layout->format = Format::kNew;
  if (head.size() < 0x80) return Status(kIoError, "the file is shorter than its control record");
  const int version0 = std::abs(static_cast<int>(static_cast<std::int16_t>(LoadU16(&head[0x4A]))));
  if (version0 >= 0x0800) {
    return Status(kNotABtrieveFile,
                  "version " + std::to_string(version0 >> 8) + "." +
                      std::to_string((version0 >> 4) & 0xF) +
                      " file: the page layout of 8.x and later files is not known well enough "
                      "to read them safely");
  }
  const std::uint32_t page_size = FindNewPageSize(head);
  if (page_size == 0) {
    return Status(kNotABtrieveFile, "no valid page size in the control record");
  }
  if (source.size() < 4ull * page_size) {
    return Status(kIoError,
                  "the file is shorter than its control and allocation pages (truncated)");
  }
  const std::uint8_t* copy0 = head.data();
  const std::uint8_t* copy1 = head.data() + page_size;
  const bool ok1 = copy1[0] == 'F' && copy1[1] == 'C';
  const bool use1 = ok1 && LoadU32(copy1 + 4) > LoadU32(copy0 + 4);
  const std::uint8_t* fcr = use1 ? copy1 : copy0;
  layout->fcr_page = use1 ? 1 : 0;
  layout->fcr_usage = LoadU32(fcr + 4);
  layout->page_size = page_size;
  if (LoadU16(fcr + 0x08) != page_size) {
    return Status(kIoError, "the current control record states page size " +
                                std::to_string(LoadU16(fcr + 0x08)) + ", not " +
                                std::to_string(page_size));
  }
  const int version = std::abs(static_cast<int>(static_cast<std::int16_t>(LoadU16(fcr + 0x4A))));
  if (version >= 0x0800) {
    return Status(kNotABtrieveFile, "version " + Hex(static_cast<std::uint32_t>(version)) +
                                        " file: 8.x and later files are not supported");
  }
  if (version < 0x0600) {
    return Status(kNotABtrieveFile, "unknown version word " + Hex(LoadU16(fcr + 0x4A)));
  }
  layout->version = static_cast<std::uint16_t>(version);
  layout->duplicate_pointer_offset = LoadU16(fcr + 0x72);
  layout->duplicate_pointer_count = LoadU16(fcr + 0x74);
  layout->data_offset = 2;
  if (version >= 0x0700 && layout->duplicate_pointer_offset == 2) {
    // Some 7.x files place the duplicate pointers between the usage count and the data.
    layout->data_offset = 2 + 8u * layout->duplicate_pointer_count;
  }
  if (Status s = ReadCommonFields(fcr, layout); !s.ok()) return s;
  layout->free_slot_head = LoadWs32(fcr + 0x9C);
  source.set_page_size(page_size);
  if (Status s = pages->InitNew(&source, layout->page_count, layout->fcr_usage); !s.ok()) return s;

  const std::uint16_t key_count = LoadU16(fcr + 0x14);
  if (key_count > 119 || fcr[0x76] != key_count) {
    return Status(kNotABtrieveFile, "inconsistent key counts " + std::to_string(key_count) +
                                        " and " + std::to_string(fcr[0x76]));
  }
  const std::uint32_t table = LoadU16(fcr + 0x78);
  if (key_count > 0 && (table < 0x110 || table + 2u * key_count > page_size)) {
    return Status(kNotABtrieveFile, "key attribute table offset " + Hex(table) + " is invalid");
  }
  std::vector<std::uint32_t> acs_pages;
  for (int k = 0; k < key_count; ++k) {
    KeyLayout key;
    std::uint32_t unused = 0;
    const std::uint32_t offset = LoadU16(fcr + table + 2 * k);
    if (Status s = ReadKey(fcr, page_size, offset, *layout, k, &key, &unused); !s.ok()) return s;
    for (std::size_t i = 0; i < key.segments.size(); ++i) {
      KeySegment& seg = key.segments[i];
      if (!(seg.flags & kKeyAlternateCollation)) continue;
      const std::uint8_t* s = fcr + offset + i * kKeySpecSize;
      std::uint32_t acs_page = (static_cast<std::uint32_t>(s[0x19]) << 16) | LoadU16(s + 0x1A);
      if (acs_page == 0) acs_page = 1;
      std::size_t index = 0;
      while (index < acs_pages.size() && acs_pages[index] != acs_page) ++index;
      if (index == acs_pages.size()) {
        CollatingSequence acs;
        const std::uint8_t* page = pages->Page(acs_page);
        if (page == nullptr || pages->Type(acs_page) != kPageAcs || !ReadAcs(page, &acs)) {
          return Status(kIoError, "key " + std::to_string(k) + " names collating sequence page " +
                                      std::to_string(acs_page) + ", which holds none");
        }
        acs_pages.push_back(acs_page);
        layout->collating_sequences.push_back(std::move(acs));
      }
      seg.acs = static_cast<int>(index);
    }
    // Writing keeps one state per key, found by number: two keys with one number would leave
    // the second key's index unwritten.
    for (const KeyLayout& earlier : layout->keys) {
      if (earlier.number == key.number) {
        return Status(kNotABtrieveFile, "key " + std::to_string(k) + " carries key number " +
                                            std::to_string(key.number) +
                                            ", as an earlier key does");
      }
    }
    layout->keys.push_back(std::move(key));
  }
  return Status::Ok();
}

}  // namespace

Status ReadLayout(PageSource& source, FileLayout* layout, PageStore* pages) {
  *layout = FileLayout();
  if (Status s = source.RefreshSize(); !s.ok()) return s;
  // Both control records of any page size up to 4096 and the probe beyond them; with 4096-byte
  // pages also the first allocation-table pair, which is read next.
  Head head(static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), 4 * 4096)));
  head.resize(source.ReadAt(0, head.size(), head.data()));
  if (head.size() < 4) return Status(kNotABtrieveFile, "the file is too short to be a data file");
  if (head[0] == 'F' && head[1] == 'C' && head[2] == 0 && head[3] == 0) {
    return ReadNew(source, head, layout, pages);
  }
  if (LoadU32(head.data()) == 0) {
    if (head.size() < 0x200) return Status(kIoError, "the file is shorter than one page");
    return ReadOld(source, head, layout, pages);
  }
  return Status(kNotABtrieveFile, "no Btrieve signature at the start of the file");
}

std::string FileLayout::VersionText() const {
  return std::to_string(version >> 8) + "." + std::to_string((version >> 4) & 0xF);
}

const KeyLayout* FileLayout::FindKey(int number) const {
  for (const KeyLayout& key : keys) {
    if (key.number == number) return &key;
  }
  return nullptr;
}

}  // namespace btrieve
