// A stand-in for the store's installed engine, for tests only: a shared library exporting the
// engine's BTRCALL entry point, answered by our built-in engine. Each position block holds a
// marker, the index of its file in the shim's own table and that entry's serial number, so a
// block that was closed or reset is known and a block of one file never reaches another.
//
// Like the real engine, the shim keeps one table of open files for the whole process (the
// interface gives it nowhere else to keep it); a mutex guards it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "btrieve/btrcall.h"
#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/operation.h"

#if defined(_WIN32)
#define KEZ_SHIM_EXPORT __declspec(dllexport)
#else
#define KEZ_SHIM_EXPORT __attribute__((visibility("default")))
#endif

namespace {

using btrieve::Bytes;

constexpr std::uint8_t kMarker[4] = {'K', 'E', 'Z', 'P'};

struct Slot {
  std::unique_ptr<btrieve::File> file;
  std::uint32_t serial = 0;
};

struct Client {
  std::mutex mutex;
  std::vector<Slot> slots;
  std::uint32_t next_serial = 1;
  int resets = 0;
};

Client& TheClient() {
  static Client client;
  return client;
}

// The file a position block names, or nullptr when the block is not one of an open file.
btrieve::File* FileOf(Client& client, const std::uint8_t* block) {
  if (std::memcmp(block, kMarker, sizeof kMarker) != 0) return nullptr;
  const std::uint32_t index = btrieve::LoadU32(block + 4);
  const std::uint32_t serial = btrieve::LoadU32(block + 8);
  if (index >= client.slots.size()) return nullptr;
  Slot& slot = client.slots[index];
  return slot.serial == serial ? slot.file.get() : nullptr;
}

std::int16_t Open(Client& client, std::uint8_t* block, const char* key, std::uint8_t key_length,
                  int mode) {
  const std::string path(key, strnlen(key, key_length));
  btrieve::OpenOptions options;
  options.writable = mode != btrieve::kOpenReadOnly;
  std::unique_ptr<btrieve::File> file;
  const btrieve::Status status = btrieve::File::Open(path, &file, options);
  if (!status.ok()) return static_cast<std::int16_t>(status.code());
  auto free_slot = std::find_if(client.slots.begin(), client.slots.end(),
                                [](const Slot& slot) { return slot.file == nullptr; });
  if (free_slot == client.slots.end()) free_slot = client.slots.insert(free_slot, Slot{});
  free_slot->file = std::move(file);
  free_slot->serial = client.next_serial++;
  std::memset(block, 0, btrieve::kPositionBlockSize);
  std::memcpy(block, kMarker, sizeof kMarker);
  btrieve::StoreU32(block + 4, static_cast<std::uint32_t>(free_slot - client.slots.begin()));
  btrieve::StoreU32(block + 8, free_slot->serial);
  return 0;
}

// Hands a record to the caller as the engine does: a fixed part that does not fit returns
// nothing, a variable tail that does not fit returns what fits; both are status 22.
std::int16_t Deliver(const btrieve::File& file, const Bytes& data, std::uint8_t* out,
                     std::uint32_t* length) {
  const std::uint32_t room = *length;
  if (data.size() <= room) {
    std::copy(data.begin(), data.end(), out);
    *length = static_cast<std::uint32_t>(data.size());
    return 0;
  }
  if (room < file.layout().record_length || !file.layout().variable()) {
    *length = 0;
  } else {
    std::copy_n(data.begin(), room, out);
  }
  return btrieve::kDataBufferTooShort;
}

std::int16_t Call(std::uint16_t operation, std::uint8_t* block, std::uint8_t* data,
                  std::uint32_t* length, std::uint8_t* key, std::uint8_t key_length,
                  int key_number) {
  Client& client = TheClient();
  const std::lock_guard<std::mutex> lock(client.mutex);
  const int base = operation % btrieve::kLockBiasUnit;
  if (base == btrieve::kOpReset) {
    for (Slot& slot : client.slots) slot = Slot{};
    ++client.resets;
    return 0;
  }
  if (base == btrieve::kOpOpen) {
    return Open(client, block, reinterpret_cast<const char*>(key), key_length, key_number);
  }
  btrieve::File* file = FileOf(client, block);
  if (file == nullptr) return btrieve::kFileNotOpen;
  if (base == btrieve::kOpClose) {
    client.slots[btrieve::LoadU32(block + 4)] = Slot{};
    std::memset(block, 0, btrieve::kPositionBlockSize);
    return 0;
  }
  if (base == btrieve::kOpStat) {
    const Bytes stat = file->StatBuffer();
    if (stat.size() > *length) return btrieve::kDataBufferTooShort;
    return Deliver(*file, stat, data, length);
  }
  // Keyed operations read the search value from, and write the found key into, a buffer the
  // caller says is at least as long as the key.
  Bytes key_bytes;
  const int key_base =
      base >= btrieve::kOpGetEqual + btrieve::kKeyOnlyBias ? base - btrieve::kKeyOnlyBias : base;
  if (key_base >= btrieve::kOpGetEqual && key_base <= btrieve::kOpGetLast) {
    const btrieve::KeyLayout* layout = file->layout().FindKey(key_number);
    if (layout == nullptr) return btrieve::kInvalidKeyNumber;
    if (key_length < layout->key_length) return btrieve::kKeyBufferTooShort;
    key_bytes.assign(key, key + layout->key_length);
  }
  Bytes record;
  if (base == btrieve::kOpInsert || base == btrieve::kOpUpdate) {
    record.assign(data, data + *length);
  } else if (base == btrieve::kOpGetDirect) {
    record.assign(data, data + std::min<std::uint32_t>(*length, 4));
  }
  const btrieve::Status status = file->Execute(operation, key_number, &key_bytes, &record);
  if (!status.ok()) return static_cast<std::int16_t>(status.code());
  std::copy_n(key_bytes.begin(), std::min<std::size_t>(key_bytes.size(), key_length), key);
  if (base == btrieve::kOpUpdate || base == btrieve::kOpDelete) return 0;
  return Deliver(*file, record, data, length);
}

}  // namespace

extern "C" {

KEZ_SHIM_EXPORT std::int16_t KEZ_BTRCALL_CONVENTION
BTRCALL(std::uint16_t operation, void* position_block, void* data_buffer,
        std::uint32_t* data_length, void* key_buffer, std::uint8_t key_length, char key_number) {
  return Call(operation, static_cast<std::uint8_t*>(position_block),
              static_cast<std::uint8_t*>(data_buffer), data_length,
              static_cast<std::uint8_t*>(key_buffer), key_length,
              static_cast<signed char>(key_number));
}

// For tests: how many files are open, and how many resets the shim has answered.
KEZ_SHIM_EXPORT int KezShimOpenFiles() {
  Client& client = TheClient();
  const std::lock_guard<std::mutex> lock(client.mutex);
  return static_cast<int>(std::count_if(client.slots.begin(), client.slots.end(),
                                        [](const Slot& slot) { return slot.file != nullptr; }));
}

KEZ_SHIM_EXPORT int KezShimResets() {
  Client& client = TheClient();
  const std::lock_guard<std::mutex> lock(client.mutex);
  return client.resets;
}

}  // extern "C"
