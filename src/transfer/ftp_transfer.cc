#include "transfer/ftp_transfer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kez {

UploadSource::UploadSource(std::istream& file, std::int64_t total, std::size_t chunk_size,
                           bool ascii, ChunkDone on_chunk)
    : file_(file),
      total_(total),
      chunk_size_(chunk_size),
      ascii_(ascii),
      on_chunk_(std::move(on_chunk)) {}

bool UploadSource::ReadChunk() {
  const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(total_ - read_, chunk_size_));
  chunk_.resize(wanted);
  if (!file_.read(chunk_.data(), static_cast<std::streamsize>(wanted))) {
    failed_ = true;
    return false;
  }
  pending_.clear();
  pending_at_ = 0;
  if (ascii_) {
    for (const char c : chunk_) {
      if (c == '\n' && !previous_was_cr_) pending_.push_back('\r');
      pending_.push_back(c);
      previous_was_cr_ = c == '\r';
    }
  } else {
    pending_.swap(chunk_);
  }
  read_ += static_cast<std::int64_t>(wanted);
  last_chunk_ = wanted;
  on_chunk_(wanted);
  return true;
}

std::optional<std::size_t> UploadSource::Fill(char* buffer, std::size_t room) {
  // As many chunks as libcurl has room for: one send per chunk would cost a system call and a
  // network packet for every 255 bytes.
  std::size_t filled = 0;
  while (filled < room) {
    if (pending_at_ == pending_.size()) {
      if (read_ == total_) break;
      if (!ReadChunk()) return std::nullopt;
    }
    const std::size_t count = std::min(room - filled, pending_.size() - pending_at_);
    std::memcpy(buffer + filled, pending_.data() + pending_at_, count);
    pending_at_ += count;
    filled += count;
  }
  return filled;
}

DownloadSink::DownloadSink(std::filesystem::path local, std::int64_t expected,
                           std::size_t chunk_size, ChunkDone on_chunk)
    : local_(std::move(local)),
      expected_(expected),
      chunk_size_(chunk_size),
      on_chunk_(std::move(on_chunk)) {}

bool DownloadSink::Open() {
  if (file_.is_open()) return true;
  file_.open(local_, std::ios::binary | std::ios::trunc);
  failed_ = !file_.is_open();
  return !failed_;
}

bool DownloadSink::Write(const char* data, std::size_t size) {
  if (failed_ || !Open()) return false;
  const auto chunk = static_cast<std::int64_t>(chunk_size_);
  const std::int64_t full_chunks_end = expected_ / chunk * chunk;
  while (size > 0) {
    // Write up to the next chunk boundary, so each full chunk is on disk when it is reported.
    const std::int64_t to_boundary = chunk - received_ % chunk;
    const auto piece = static_cast<std::size_t>(
        std::min<std::int64_t>(to_boundary, static_cast<std::int64_t>(size)));
    if (!file_.write(data, static_cast<std::streamsize>(piece))) {
      failed_ = true;
      return false;
    }
    received_ += static_cast<std::int64_t>(piece);
    data += piece;
    size -= piece;
    if (received_ % chunk == 0 && received_ <= full_chunks_end) on_chunk_(chunk_size_);
  }
  return true;
}

bool DownloadSink::Finish(bool create_if_empty) {
  if (failed_) return false;
  if (!file_.is_open()) {
    if (!create_if_empty) return true;
    if (!Open()) return false;
  }
  file_.close();
  failed_ = file_.fail();
  return !failed_;
}

}  // namespace kez
