// The local side of a streamed transfer: the file an upload reads in chunks and the file a
// download writes, each reporting every chunk it completes.
#ifndef KEZ_TRANSFER_FTP_TRANSFER_H_
#define KEZ_TRANSFER_FTP_TRANSFER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

namespace kez {

// Called after each chunk with its size in bytes of the local file.
using ChunkDone = std::function<void(std::size_t bytes)>;

// Reads the first `total` bytes of a local file in chunks of `chunk_size` and hands them to an
// upload. For an ASCII transfer every line end goes on the wire as CR LF, the form FTP requires:
// a bare LF gains its CR, a CR LF stays as it is, and a lone CR is left alone.
class UploadSource {
 public:
  UploadSource(std::istream& file, std::int64_t total, std::size_t chunk_size, bool ascii,
               ChunkDone on_chunk);

  // Reads chunks until `room` wire bytes are in `buffer` or the `total` bytes have been read,
  // and returns how many bytes it put there (0 once everything has gone); nullopt when the file
  // ends early or cannot be read. A chunk that does not fit whole waits for the next call.
  std::optional<std::size_t> Fill(char* buffer, std::size_t room);

  // Whether any chunk has been read yet.
  bool started() const { return read_ > 0; }
  // Whether the last chunk read was shorter than a full chunk (the remainder).
  bool last_chunk_partial() const { return last_chunk_ != 0 && last_chunk_ < chunk_size_; }
  // Whether the transfer stopped because the local file failed.
  bool failed() const { return failed_; }

 private:
  bool ReadChunk();

  std::istream& file_;
  std::int64_t total_;
  std::size_t chunk_size_;
  bool ascii_;
  ChunkDone on_chunk_;
  std::int64_t read_ = 0;
  std::size_t last_chunk_ = 0;
  bool previous_was_cr_ = false;
  bool failed_ = false;
  std::string chunk_;
  std::string pending_;  // wire bytes of the current chunk not yet handed over
  std::size_t pending_at_ = 0;
};

// Writes the bytes of a download to a local file, which it creates or replaces at the first byte,
// so that a download refused by the server leaves the local file as it was. Reports each full
// chunk of `chunk_size` bytes up to the `expected` length.
class DownloadSink {
 public:
  DownloadSink(std::filesystem::path local, std::int64_t expected, std::size_t chunk_size,
               ChunkDone on_chunk);

  // Appends `size` bytes to the local file; false when it cannot be created or written.
  bool Write(const char* data, std::size_t size);
  // Closes the local file, first creating it empty when no byte came and `create_if_empty`;
  // false when that fails.
  bool Finish(bool create_if_empty);

  std::int64_t received() const { return received_; }
  // Whether a write to the local file has failed.
  bool failed() const { return failed_; }
  const std::filesystem::path& local() const { return local_; }

 private:
  bool Open();

  std::filesystem::path local_;
  std::int64_t expected_;
  std::size_t chunk_size_;
  ChunkDone on_chunk_;
  std::ofstream file_;
  std::int64_t received_ = 0;
  bool failed_ = false;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_TRANSFER_H_
