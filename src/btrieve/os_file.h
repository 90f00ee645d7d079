// The operating system's file as the record engine needs it: positioned reads and writes, size,
// truncation, and an exclusive lock that one writing process holds while it changes the file.
#ifndef KEZ_BTRIEVE_OS_FILE_H_
#define KEZ_BTRIEVE_OS_FILE_H_

#include <cstdint>
#include <filesystem>
#include <memory>

#include "btrieve/mapped_windows.h"
#include "btrieve/status.h"

namespace btrieve {

class OsFile {
 public:
  ~OsFile();
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens for reading, or for reading and writing. Status 12 when the file does not exist, 46
  // when writing is not permitted, 2 for other failures. A file opened for reading on a local
  // file system may also be read through mapping windows bounded by `limits` (none by default).
  static Status Open(const std::filesystem::path& path, bool writable, std::unique_ptr<OsFile>* out,
                     MapLimits limits = {});

  bool writable() const { return writable_; }
  Status Size(std::uint64_t* size) const;
  // Reads up to n bytes; returns how many were read (fewer only at the end of the file).
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out);
  // The first `n` bytes of the file mapped read-only and shared, so that what another process
  // writes there shows through without a system call; null where the file is not mapped (a
  // network file system, Windows) or cannot be. Valid while the file is open. Read it only
  // through CopyFromMapping (mapped_copy.h): a file cut short under it faults there.
  const std::uint8_t* MapHead(std::size_t n);
  // Whether ReadMapped may serve reads: a file opened for reading only with mapping windows
  // asked for, on a local file system, on POSIX. Windows never maps a data file: a view of it there
  // would keep the store's own engine from truncating the file.
  bool mapped() const;
  // Copies `n` bytes at `offset` from the file's mapping windows, without a system call; false
  // when they cannot be (not mapped, or the file was cut short since its size was read): read
  // them with ReadAt or ReadBlocks then. The bytes must lie below the file's size as last read.
  bool ReadMapped(std::uint64_t offset, std::size_t n, std::uint8_t* out);
  // Reads `count` consecutive blocks of `length` bytes into separate buffers.
  bool ReadBlocks(std::uint64_t offset, std::uint8_t* const* buffers, int count,
                  std::size_t length);
  // Writes all n bytes. Status 18 when the disk is full, 2 otherwise.
  Status WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t n);
  Status Truncate(std::uint64_t size);
  Status Sync();

  // Takes the exclusive write lock, waiting up to `wait_ms`; false when another process holds it.
  bool Lock(int wait_ms);
  void Unlock();
  // A shared lock: readers of files written in place hold it while they read, so that they
  // never see half a commit. Waits up to `wait_ms` for a writer to finish.
  bool LockShared(int wait_ms);

 private:
  struct Handle;
  OsFile(std::unique_ptr<Handle> handle, bool writable);
  std::unique_ptr<Handle> handle_;
  bool writable_;
  bool locked_ = false;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_OS_FILE_H_
