// Opening a data file, reading its structures, and catching up with other processes' commits.
#include "btrieve/file.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/file_state.h"
#include "btrieve/layout_reader.h"

namespace btrieve {

File::File(std::unique_ptr<PageSource> source, std::string name)
    : source_(std::move(source)),
      name_(std::move(name)),
      cursor_(std::make_unique<Cursor>()),
      start_(std::make_unique<Cursor>()),
      batch_mark_(std::make_unique<Cursor>()) {}

File::~File() = default;

Status File::Open(const std::filesystem::path& path, std::unique_ptr<File>* out,
                  const OpenOptions& options) {
  std::unique_ptr<PageSource> source;
  if (Status s = PageSource::OpenFile(path, options.writable, &source, options.cache_bytes,
                                      options.map_limits);
      !s.ok()) {
    return s;
  }
  std::unique_ptr<File> file(new File(std::move(source), path.filename().string()));
  file->path_ = path;
  file->options_ = options;
  Status loaded = file->Load();
  // Old-format writers change pages in place and the control record last, so a load while one
  // commits can see a control record half written. Such a file, and one that did not load, is
  // read again under the shared lock, which waits for the commit to end.
  if (!file->path_.empty() && (!loaded.ok() || file->layout_.format == Format::kOld)) {
    if (!file->source_->LockShared(options.lock_wait_ms)) {
      return Status(kFileLocked, path.string() + ": another process is writing the file");
    }
    loaded = file->source_->Refresh();
    if (loaded.ok()) loaded = file->Load();
    file->source_->Unlock();
  }
  // An old-format file whose last commit did not finish: a writer puts the original pages
  // back; a reader reads them instead of the file's. (New-format files need no journal; a file
  // that does not load at all may be a half-written old one.)
  std::error_code error;
  if ((!loaded.ok() || file->layout_.format == Format::kOld) &&
      std::filesystem::exists(CommitWriter::JournalPath(path), error)) {
    if (options.writable) {
      if (!file->source_->Lock(options.lock_wait_ms)) {
        return Status(kFileLocked, path.string() + ": another process is writing the file");
      }
      Status recovered = CommitWriter::Recover(path, *file->source_);
      file->source_->Unlock();
      if (!recovered.ok()) return recovered.Prefix(path.string());
    } else {
      Bytes bytes;
      if (Status s = CommitWriter::ReadWithJournal(path, &bytes); !s.ok()) {
        return s.Prefix(path.string());
      }
      file->source_ = PageSource::FromMemory(std::move(bytes));
    }
    loaded = file->Load();
  }
  if (!loaded.ok()) return loaded.Prefix(path.string());
  *out = std::move(file);
  return Status::Ok();
}

Status File::OpenBytes(Bytes bytes, std::string name, std::unique_ptr<File>* out, bool salvage) {
  std::unique_ptr<File> file(new File(PageSource::FromMemory(std::move(bytes)), std::move(name)));
  file->options_.writable = true;
  file->options_.salvage = salvage;
  if (Status s = file->Load(); !s.ok()) return s.Prefix(file->name_);
  *out = std::move(file);
  return Status::Ok();
}

std::uint64_t File::SlotBound() const {
  return static_cast<std::uint64_t>(pages_.page_limit()) * layout_.slots_per_page();
}

Status File::Load() {
  keys_.clear();
  records_.reset();
  if (Status s = ReadLayout(*source_, &layout_, &pages_); !s.ok()) return s;
  if (!options_.salvage) {
    if (Status s = CheckWithinFile(); !s.ok()) return s;
  }
  records_ = std::make_unique<RecordStore>(layout_, pages_);
  keys_.resize(layout_.keys.size());
  variable_page_ = kNoPointer;
  indexes_checked_ = false;
  loaded_unlocked_ = !locked_;
  if (options_.writable) {
    writer_ = std::make_unique<CommitWriter>(layout_, pages_, *source_, path_);
    writer_->Init();
  }
  return Status::Ok();
}

Status File::CheckWithinFile() const {
  const std::uint32_t held = pages_.physical_pages();
  if (!pages_.logical()) {
    // Old-format engines count every page of the file in the control record.
    if (layout_.page_count > held) {
      return Status(kIoError, "the control record counts " + std::to_string(layout_.page_count) +
                                  " pages, the file holds " + std::to_string(held) + " (cut off)");
    }
    return Status::Ok();
  }
  for (std::uint32_t page = 1; page < pages_.page_limit(); ++page) {
    const std::uint32_t physical = pages_.Physical(page);
    if (pages_.Type(page) != kPageFree && physical != kNoPointer && physical >= held) {
      return Status(kIoError, "page " + std::to_string(page) + " lies at physical page " +
                                  std::to_string(physical) + ", beyond the end of the file (" +
                                  std::to_string(held) + " pages; cut off)");
    }
  }
  return Status::Ok();
}

Status File::Reload() {
  if (Status s = source_->Refresh(); !s.ok()) return s;
  // Pages fetched before are gone from the source.
  pages_.Unpin();
  const int key = cursor_->key;
  const std::uint32_t record = cursor_->record;
  if (Status s = Load(); !s.ok()) return s.Prefix(name_);
  const std::uint16_t usage = cursor_->usage;
  *cursor_ = Cursor();
  Status status;
  if (record == kNoPointer || records_->LiveSlot(record, &status) == nullptr) return Status::Ok();
  cursor_->record = record;
  // The usage count stays the one seen when the record was read: a change made by the other
  // process in between is what Update and Delete must notice.
  cursor_->usage = usage;
  KeyState* state = nullptr;
  if (key >= 0 && Key(key, &state).ok()) LocateOnKey(state, record).IgnoreError();
  return Status::Ok();
}

Status File::CatchUp() {
  // Reads look for another process's commit before they start at most every 20 ms; every read
  // also looks once it is done (see Consistent), and a writer always looks once it holds the
  // lock. The move count starts again here too, or every move after the 64th would read the
  // clock.
  moves_since_check_ = 0;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_check_ < std::chrono::milliseconds(20)) return Status::Ok();
  return CheckForChanges();
}

bool File::Changed() {
  std::uint8_t counts[8] = {};
  if (layout_.format == Format::kNew) {
    if (!source_->ReadPair(4, std::uint64_t{layout_.page_size} + 4, 4, counts)) return false;
    return std::max(LoadU32(counts), LoadU32(counts + 4)) != layout_.fcr_usage;
  }
  return source_->ReadAt(4, 2, counts) == 2 && LoadU16(counts) != layout_.fcr_usage;
}

Status File::CheckForChanges() {
  moves_since_check_ = 0;
  last_check_ = std::chrono::steady_clock::now();
  return Changed() ? Reload() : Status::Ok();
}

void File::NoteUsage(const std::uint8_t* slot) {
  if (layout_.format == Format::kNew) cursor_->usage = LoadU16(slot);
}

Status File::Refresh() { return CheckForChanges(); }

void File::ReleaseMemory() {
  if (bulk_ || locked_) return;
  source_->ReleaseMemory();
}

Status File::EnsureLoaded() { return records_ != nullptr ? Status::Ok() : Reload(); }

Bytes File::Snapshot() const {
  Bytes bytes(static_cast<std::size_t>(source_->size()));
  bytes.resize(source_->ReadAt(0, bytes.size(), bytes.data()));
  return bytes;
}

}  // namespace btrieve
