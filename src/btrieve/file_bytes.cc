#include "btrieve/file_bytes.h"

#include <fstream>
#include <iterator>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#define KEZ_BTRIEVE_HAVE_MMAP 1
#endif

namespace btrieve {
namespace {

class MemoryBytes final : public FileBytes {
 public:
  explicit MemoryBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::span<const std::uint8_t> bytes() const override { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

#ifdef KEZ_BTRIEVE_HAVE_MMAP
class MappedBytes final : public FileBytes {
 public:
  MappedBytes(void* address, std::size_t size) : address_(address), size_(size) {}
  ~MappedBytes() override {
    if (address_ != nullptr) munmap(address_, size_);
  }
  MappedBytes(const MappedBytes&) = delete;
  MappedBytes& operator=(const MappedBytes&) = delete;
  std::span<const std::uint8_t> bytes() const override {
    return {static_cast<const std::uint8_t*>(address_), size_};
  }

 private:
  void* address_;
  std::size_t size_;
};

Status MapFile(const std::filesystem::path& path, std::unique_ptr<FileBytes>* out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return Status(error == ENOENT ? kFileNotFound : kIoError,
                  path.string() + ": " + std::strerror(error));
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Status(kIoError, path.string() + ": not a regular file");
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  if (size == 0) {
    ::close(fd);
    *out = FileBytes::FromMemory({});
    return Status::Ok();
  }
  void* address = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  const int error = errno;
  ::close(fd);
  if (address == MAP_FAILED) return Status(kIoError, path.string() + ": " + std::strerror(error));
  *out = std::make_unique<MappedBytes>(address, size);
  return Status::Ok();
}
#endif

}  // namespace

std::unique_ptr<FileBytes> FileBytes::FromMemory(std::vector<std::uint8_t> bytes) {
  return std::make_unique<MemoryBytes>(std::move(bytes));
}

Status FileBytes::Open(const std::filesystem::path& path, std::unique_ptr<FileBytes>* out) {
#ifdef KEZ_BTRIEVE_HAVE_MMAP
  return MapFile(path, out);
#else
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return Status(kFileNotFound, path.string());
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status(kIoError, path.string() + ": cannot be read");
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  *out = FromMemory(std::move(bytes));
  return Status::Ok();
#endif
}

}  // namespace btrieve
