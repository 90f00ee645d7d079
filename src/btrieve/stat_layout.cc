#include "btrieve/stat_layout.h"

#include "btrieve/byte_order.h"

namespace btrieve {

Status LayoutFromStat(const std::vector<std::uint8_t>& stat, const std::string& name,
                      FileLayout* layout) {
  constexpr std::size_t kPart = 16;
  if (stat.size() < kPart) {
    return Status(kIoError, name + ": the Stat answer of " + std::to_string(stat.size()) +
                                " bytes has no file description");
  }
  *layout = FileLayout();
  layout->record_length = LoadU16(&stat[0]);
  layout->page_size = LoadU16(&stat[2]);
  const int key_count = stat[4];
  layout->record_count = LoadU32(&stat[6]);
  layout->file_flags = LoadU16(&stat[10]);
  const bool explicit_numbers = (layout->file_flags & kFileExplicitKeyNumbers) != 0;
  std::size_t at = kPart;
  for (int k = 0; k < key_count; ++k) {
    KeyLayout key;
    key.number = k;
    bool more = true;
    while (more) {
      if (at + kPart > stat.size()) {
        return Status(kIoError, name + ": the Stat answer ends inside key " + std::to_string(k) +
                                    " of " + std::to_string(key_count));
      }
      const std::uint8_t* p = &stat[at];
      at += kPart;
      KeySegment segment;
      const std::uint16_t position = LoadU16(p);
      segment.position = position == 0 ? 0 : static_cast<std::uint16_t>(position - 1);
      segment.length = LoadU16(p + 2);
      segment.flags = LoadU16(p + 4);
      // Before extended types the binary flag alone said how a segment compares.
      const std::uint8_t legacy_type = (segment.flags & kKeyBinary) != 0
                                           ? std::uint8_t{kTypeUnsignedBinary}
                                           : std::uint8_t{kTypeString};
      segment.type = (segment.flags & kKeyExtendedType) != 0 ? p[10] : legacy_type;
      segment.null_value = p[11];
      if (key.segments.empty()) {
        key.flags = segment.flags;
        key.distinct_values = LoadU32(p + 6);
        if (explicit_numbers) key.number = p[14];
      }
      key.key_length = static_cast<std::uint16_t>(key.key_length + segment.length);
      more = (segment.flags & kKeySegmented) != 0;
      key.segments.push_back(segment);
    }
    layout->keys.push_back(std::move(key));
  }
  return Status::Ok();
}

}  // namespace btrieve
