// Reading and writing the integers and page pointers of Btrieve files. Everything is
// little-endian; some 32-bit values are stored "word-swapped" (high 16-bit word first) and page
// pointers of 6.x files carry a page-type byte inside them. The comment above each encoding below
// gives its byte order.
#ifndef KEZ_BTRIEVE_BYTE_ORDER_H_
#define KEZ_BTRIEVE_BYTE_ORDER_H_

#include <cstdint>
#include <cstring>

namespace btrieve {

inline constexpr std::uint32_t kNoPointer = 0xFFFFFFFF;

inline std::uint16_t LoadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadU64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadU32(p)) |
         (static_cast<std::uint64_t>(LoadU32(p + 4)) << 32);
}
inline void StoreU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
  StoreU16(p, static_cast<std::uint16_t>(v));
  StoreU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void StoreU64(std::uint8_t* p, std::uint64_t v) {
  StoreU32(p, static_cast<std::uint32_t>(v));
  StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// Word-swapped 32-bit value: high word first. Record addresses and 5.x page numbers.
inline std::uint32_t LoadWs32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(LoadU16(p)) << 16) | LoadU16(p + 2);
}
inline void StoreWs32(std::uint8_t* p, std::uint32_t v) {
  StoreU16(p, static_cast<std::uint16_t>(v >> 16));
  StoreU16(p + 2, static_cast<std::uint16_t>(v));
}

// 6.x page pointer [hi][type][lo][mid]: the page number without the type byte.
inline std::uint32_t LoadPagePointer6(const std::uint8_t* p) {
  if (LoadU32(p) == kNoPointer) return kNoPointer;
  return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[3]) << 8) | p[2];
}
inline std::uint8_t PagePointerType6(const std::uint8_t* p) { return p[1]; }
inline void StorePagePointer6(std::uint8_t* p, std::uint32_t page, std::uint8_t type) {
  if (page == kNoPointer) {
    StoreU32(p, kNoPointer);
    return;
  }
  p[0] = static_cast<std::uint8_t>(page >> 16);
  p[1] = type;
  p[2] = static_cast<std::uint8_t>(page);
  p[3] = static_cast<std::uint8_t>(page >> 8);
}

// Pointer to a fragment of a variable-length tail: [hi][lo][mid][fragment].
struct VariablePointer {
  std::uint32_t page = kNoPointer;
  std::uint8_t fragment = 0;
  bool none() const { return page == kNoPointer; }
};
inline VariablePointer LoadVariablePointer(const std::uint8_t* p) {
  if (LoadU32(p) == kNoPointer || (p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF)) return {};
  return {(static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[2]) << 8) | p[1],
          p[3]};
}
inline void StoreVariablePointer(std::uint8_t* p, VariablePointer v) {
  if (v.none()) {
    StoreU32(p, kNoPointer);
    return;
  }
  p[0] = static_cast<std::uint8_t>(v.page >> 16);
  p[1] = static_cast<std::uint8_t>(v.page);
  p[2] = static_cast<std::uint8_t>(v.page >> 8);
  p[3] = v.fragment;
}

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_BYTE_ORDER_H_
