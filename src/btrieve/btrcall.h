// The installed engine's entry point as its libraries export it, shared by the loader and by
// anything that provides the same entry point. The 32-bit Windows library uses the standard call
// convention; elsewhere the platform's C convention applies. The data length is a 32-bit count
// in both directions; the key length a byte (the key buffer holds at most 255 bytes); the key
// number a signed byte (the open mode for Open).
#ifndef KEZ_BTRIEVE_BTRCALL_H_
#define KEZ_BTRIEVE_BTRCALL_H_

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KEZ_BTRCALL_CONVENTION __stdcall
#else
#define KEZ_BTRCALL_CONVENTION
#endif

namespace btrieve {

inline constexpr const char* kBtrCallName = "BTRCALL";
inline constexpr std::size_t kPositionBlockSize = 128;
inline constexpr std::size_t kKeyBufferSize = 255;

// Returns the status (a signed 16-bit code).
using BtrCallFunction = std::int16_t(KEZ_BTRCALL_CONVENTION*)(
    std::uint16_t operation, void* position_block, void* data_buffer, std::uint32_t* data_length,
    void* key_buffer, std::uint8_t key_length, char key_number);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_BTRCALL_H_
