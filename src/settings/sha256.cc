#include "settings/sha256.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kez {
namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitialHash = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::uint32_t RotateRight(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// The message as big-endian 32-bit words after the standard padding: a 1 bit, zero bits, and the
// length in bits as a 64-bit count, filling whole 512-bit blocks.
std::vector<std::uint32_t> PaddedWords(std::string_view message) {
  const std::size_t word_count = ((message.size() + 8) / 64 + 1) * 16;
  std::vector<std::uint32_t> words(word_count, 0);
  for (std::size_t i = 0; i < message.size(); ++i) {
    const auto byte = static_cast<std::uint32_t>(static_cast<unsigned char>(message[i]));
    words[i / 4] |= byte << (24 - 8 * (i % 4));
  }
  words[message.size() / 4] |= 0x80u << (24 - 8 * (message.size() % 4));
  const std::uint64_t bit_count = static_cast<std::uint64_t>(message.size()) * 8;
  words[word_count - 2] = static_cast<std::uint32_t>(bit_count >> 32);
  words[word_count - 1] = static_cast<std::uint32_t>(bit_count);
  return words;
}

void CompressBlock(const std::uint32_t* block, std::array<std::uint32_t, 8>& hash) {
  std::array<std::uint32_t, 64> schedule{};
  for (int t = 0; t < 16; ++t) schedule[t] = block[t];
  for (int t = 16; t < 64; ++t) {
    const std::uint32_t s0 = RotateRight(schedule[t - 15], 7) ^ RotateRight(schedule[t - 15], 18) ^
                             (schedule[t - 15] >> 3);
    const std::uint32_t s1 = RotateRight(schedule[t - 2], 17) ^ RotateRight(schedule[t - 2], 19) ^
                             (schedule[t - 2] >> 10);
    schedule[t] = schedule[t - 16] + s0 + schedule[t - 7] + s1;
  }
  std::array<std::uint32_t, 8> v = hash;
  for (int t = 0; t < 64; ++t) {
    const std::uint32_t sum1 = RotateRight(v[4], 6) ^ RotateRight(v[4], 11) ^ RotateRight(v[4], 25);
    const std::uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const std::uint32_t temp1 = v[7] + sum1 + choose + kRoundConstants[t] + schedule[t];
    const std::uint32_t sum0 = RotateRight(v[0], 2) ^ RotateRight(v[0], 13) ^ RotateRight(v[0], 22);
    const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    const std::uint32_t temp2 = sum0 + majority;
    v = {temp1 + temp2, v[0], v[1], v[2], v[3] + temp1, v[4], v[5], v[6]};
  }
  for (int i = 0; i < 8; ++i) hash[i] += v[i];
}

}  // namespace

std::string clsSHA256::SHA256(std::string_view sMessage) const {
  const std::vector<std::uint32_t> words = PaddedWords(sMessage);
  std::array<std::uint32_t, 8> hash = kInitialHash;
  for (std::size_t block = 0; block < words.size(); block += 16) {
    CompressBlock(&words[block], hash);
  }
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string digest;
  digest.reserve(64);
  for (std::uint32_t word : hash) {
    for (int shift = 28; shift >= 0; shift -= 4) digest += kHexDigits[(word >> shift) & 0xF];
  }
  return digest;
}

}  // namespace kez
