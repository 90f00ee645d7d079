#include "btrieve/os_file.h"

#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/vfs.h>
#endif

#include <cerrno>
#endif

#include "btrieve/mapped_copy.h"

namespace btrieve {

#if defined(_WIN32)

struct OsFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

Status OsFile::Open(const std::filesystem::path& path, bool writable, std::unique_ptr<OsFile>* out,
                    MapLimits) {
  auto handle = std::make_unique<Handle>();
  handle->file = CreateFileW(path.c_str(), GENERIC_READ | (writable ? GENERIC_WRITE : 0),
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle->file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return Status(kFileNotFound, path.string());
    }
    return Status(error == ERROR_ACCESS_DENIED ? kAccessDenied : kIoError,
                  path.string() + ": cannot be opened (error " + std::to_string(error) + ")");
  }
  out->reset(new OsFile(std::move(handle), writable));
  return Status::Ok();
}

Status OsFile::Size(std::uint64_t* size) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(handle_->file, &value)) return Status(kIoError, "file size unknown");
  *size = static_cast<std::uint64_t>(value.QuadPart);
  return Status::Ok();
}

std::size_t OsFile::ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) {
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_->file, out + done, static_cast<DWORD>(n - done), &got, &at) || got == 0) {
      break;
    }
    done += got;
  }
  return done;
}

Status OsFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    DWORD put = 0;
    if (!WriteFile(handle_->file, data + done, static_cast<DWORD>(n - done), &put, &at)) {
      return Status(GetLastError() == ERROR_DISK_FULL ? kDiskFull : kIoError, "write failed");
    }
    done += put;
  }
  return Status::Ok();
}

Status OsFile::Truncate(std::uint64_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(handle_->file, at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_->file)) {
    return Status(kIoError, "truncate failed");
  }
  return Status::Ok();
}

Status OsFile::Sync() {
  return FlushFileBuffers(handle_->file) ? Status::Ok() : Status(kIoError, "flush failed");
}

bool OsFile::Lock(int wait_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(handle_->file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &at)) {
      locked_ = true;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void OsFile::Unlock() {
  if (!locked_) return;
  OVERLAPPED at{};
  UnlockFileEx(handle_->file, 0, 1, 0, &at);
  locked_ = false;
}

bool OsFile::LockShared(int wait_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(handle_->file, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      locked_ = true;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

#else

struct OsFile::Handle {
  int fd = -1;
  void* head = nullptr;
  std::size_t head_size = 0;
  std::unique_ptr<MappedWindows> windows;  // null where reads are not mapped
  ~Handle() {
    windows.reset();
    if (head != nullptr) ::munmap(head, head_size);
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// A shared mapping shows another process's writes at once only where the kernel's page cache is
// the file: on network file systems (and FUSE ones, which may be) the other writer may be on
// another machine, and reads go through the file system instead. Unknown ones are taken as local.
bool MappingSeesOtherWriters(int fd) {
#if defined(__linux__)
  struct statfs info {};
  if (fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE
    case 0x01021997UL:  // 9P
    case 0x564C0000UL:  // NCP
    case 0x73757245UL:  // Coda
    case 0x47504653UL:  // GPFS
    case 0x0BD00BD0UL:  // Lustre
    case 0x00C36400UL:  // Ceph
    case 0x794C7630UL:  // overlayfs: a writer's copy-up leaves a mapping on the file below
      return false;
    default:
      return true;
  }
#else
  (void)fd;
  return true;
#endif
}

}  // namespace

Status OsFile::Open(const std::filesystem::path& path, bool writable, std::unique_ptr<OsFile>* out,
                    MapLimits limits) {
  auto handle = std::make_unique<Handle>();
  handle->fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (handle->fd < 0) {
    const int error = errno;
    const int code = error == ENOENT                                         ? kFileNotFound
                     : (error == EACCES || error == EROFS || error == EPERM) ? kAccessDenied
                                                                             : kIoError;
    return Status(code, path.string() + ": " + std::strerror(error));
  }
  struct stat info {};
  if (fstat(handle->fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return Status(kIoError, path.string() + ": not a regular file");
  }
  // A file opened for writing keeps to positioned reads: its writes and its reads go one way.
  if (!writable && limits.windows > 0 && MappingSeesOtherWriters(handle->fd)) {
    handle->windows = std::make_unique<MappedWindows>(handle->fd, limits);
  }
  out->reset(new OsFile(std::move(handle), writable));
  return Status::Ok();
}

Status OsFile::Size(std::uint64_t* size) const {
  struct stat info {};
  if (fstat(handle_->fd, &info) != 0) return Status(kIoError, std::strerror(errno));
  *size = static_cast<std::uint64_t>(info.st_size);
  return Status::Ok();
}

std::size_t OsFile::ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = pread(handle_->fd, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

const std::uint8_t* OsFile::MapHead(std::size_t n) {
  if (handle_->head != nullptr) {
    return n <= handle_->head_size ? static_cast<const std::uint8_t*>(handle_->head) : nullptr;
  }
  if (n == 0 || !MappingSeesOtherWriters(handle_->fd)) return nullptr;
  GuardMappedCopies();
  void* head = ::mmap(nullptr, n, PROT_READ, MAP_SHARED, handle_->fd, 0);
  if (head == MAP_FAILED) return nullptr;
  handle_->head = head;
  handle_->head_size = n;
  return static_cast<const std::uint8_t*>(head);
}

bool OsFile::mapped() const { return handle_->windows != nullptr; }

bool OsFile::ReadMapped(std::uint64_t offset, std::size_t n, std::uint8_t* out) {
  return handle_->windows != nullptr && handle_->windows->Copy(offset, n, out);
}

bool OsFile::ReadBlocks(std::uint64_t offset, std::uint8_t* const* buffers, int count,
                        std::size_t length) {
  iovec parts[64];
  const std::size_t wanted = length * static_cast<std::size_t>(count);
  std::size_t done = 0;
  while (done < wanted) {
    // After a short read, ask again for the rest.
    const int first = static_cast<int>(done / length);
    for (int i = first; i < count; ++i) parts[i - first] = {buffers[i], length};
    parts[0].iov_base = static_cast<std::uint8_t*>(parts[0].iov_base) + done % length;
    parts[0].iov_len -= done % length;
    const ssize_t got =
        preadv(handle_->fd, parts, count - first, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

Status OsFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put =
        pwrite(handle_->fd, data + done, n - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      const int error = errno;
      return Status(error == ENOSPC ? kDiskFull : kIoError, std::strerror(error));
    }
    done += static_cast<std::size_t>(put);
  }
  return Status::Ok();
}

Status OsFile::Truncate(std::uint64_t size) {
  if (ftruncate(handle_->fd, static_cast<off_t>(size)) != 0) {
    return Status(kIoError, std::strerror(errno));
  }
  return Status::Ok();
}

Status OsFile::Sync() {
  if (fdatasync(handle_->fd) != 0) return Status(kIoError, std::strerror(errno));
  return Status::Ok();
}

bool OsFile::Lock(int wait_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    if (flock(handle_->fd, LOCK_EX | LOCK_NB) == 0) {
      locked_ = true;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void OsFile::Unlock() {
  if (!locked_) return;
  flock(handle_->fd, LOCK_UN);
  locked_ = false;
}

bool OsFile::LockShared(int wait_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    if (flock(handle_->fd, LOCK_SH | LOCK_NB) == 0) {
      locked_ = true;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

#endif

#if defined(_WIN32)
// Reads through ReadFile see other processes' writes as they are; the head is not mapped.
const std::uint8_t* OsFile::MapHead(std::size_t) { return nullptr; }

bool OsFile::mapped() const { return false; }

bool OsFile::ReadMapped(std::uint64_t, std::size_t, std::uint8_t*) { return false; }

bool OsFile::ReadBlocks(std::uint64_t offset, std::uint8_t* const* buffers, int count,
                        std::size_t length) {
  for (int i = 0; i < count; ++i) {
    if (ReadAt(offset + static_cast<std::uint64_t>(i) * length, length, buffers[i]) != length) {
      return false;
    }
  }
  return true;
}
#endif

OsFile::OsFile(std::unique_ptr<Handle> handle, bool writable)
    : handle_(std::move(handle)), writable_(writable) {}

OsFile::~OsFile() { Unlock(); }

}  // namespace btrieve
