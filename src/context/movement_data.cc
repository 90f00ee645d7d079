#include "context/movement_data.h"

#include <cstdint>

namespace kez {

std::size_t MovementData::RowKeyHash::operator()(const RowKey& key) const noexcept {
  // The three 32-bit parts packed into 96 bits, mixed down to one word.
  std::uint64_t mix = static_cast<std::uint32_t>(key.inv_id);
  mix = mix * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint32_t>(key.day);
  mix = mix * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint32_t>(key.store);
  return static_cast<std::size_t>(mix ^ (mix >> 29));
}

}  // namespace kez
