// The bytes of one data file as a read-only span: a memory mapping of the file on POSIX systems,
// the file read into memory elsewhere, or bytes handed over by the caller (tests, fuzzing).
#ifndef KEZ_BTRIEVE_FILE_BYTES_H_
#define KEZ_BTRIEVE_FILE_BYTES_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "btrieve/status.h"

namespace btrieve {

class FileBytes {
 public:
  virtual ~FileBytes() = default;
  virtual std::span<const std::uint8_t> bytes() const = 0;

  // Maps (or reads) a file. Status 12 when it does not exist, 2 when it cannot be read.
  static Status Open(const std::filesystem::path& path, std::unique_ptr<FileBytes>* out);
  // Takes ownership of bytes already in memory.
  static std::unique_ptr<FileBytes> FromMemory(std::vector<std::uint8_t> bytes);
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_BYTES_H_
