// The Stat buffer: the file description, then one entry per key segment, as a program reads it.
#include "btrieve/byte_order.h"
#include "btrieve/file.h"

namespace btrieve {

Bytes File::StatBuffer() const {
  std::size_t segments = 0;
  for (const KeyLayout& key : layout_.keys) segments += key.segments.size();
  Bytes out(16 + 16 * segments, 0);
  StoreU16(&out[0], layout_.record_length);
  StoreU16(&out[2], static_cast<std::uint16_t>(layout_.page_size));
  StoreU16(&out[4], static_cast<std::uint16_t>(layout_.keys.size()));
  StoreU32(&out[6], layout_.record_count);
  StoreU16(&out[10], layout_.file_flags);
  std::uint8_t* p = &out[16];
  for (const KeyLayout& key : layout_.keys) {
    for (const KeySegment& seg : key.segments) {
      StoreU16(p, static_cast<std::uint16_t>(seg.position + 1));
      StoreU16(p + 2, seg.length);
      StoreU16(p + 4, seg.flags);
      StoreU32(p + 6, key.distinct_values);
      p[10] = seg.type;
      p[11] = seg.null_value;
      p[14] = static_cast<std::uint8_t>(key.number);
      p[15] = static_cast<std::uint8_t>(seg.acs < 0 ? 0 : seg.acs);
      p += 16;
    }
  }
  return out;
}

}  // namespace btrieve
