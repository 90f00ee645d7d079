#include "btrieve/file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/file_state.h"
#include "btrieve/layout_reader.h"
#include "btrieve/operation.h"

namespace btrieve {
namespace {

// Internal: the file's index led somewhere it should not; the operation is repeated through an
// order rebuilt from the records. Never leaves this file.
constexpr int kIndexDamaged = -1;

Status Damaged(std::string detail) { return Status(kIndexDamaged, std::move(detail)); }

}  // namespace

File::File(std::unique_ptr<PageSource> source, std::string name)
    : source_(std::move(source)), name_(std::move(name)), cursor_(std::make_unique<Cursor>()) {}

File::~File() = default;

Status File::Open(const std::filesystem::path& path, std::unique_ptr<File>* out,
                  const OpenOptions& options) {
  std::unique_ptr<PageSource> source;
  if (Status s = PageSource::OpenFile(path, options.writable, &source, options.cache_bytes);
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

Status File::OpenBytes(Bytes bytes, std::string name, std::unique_ptr<File>* out) {
  std::unique_ptr<File> file(new File(PageSource::FromMemory(std::move(bytes)), std::move(name)));
  file->options_.writable = true;
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

Status File::Reload() {
  if (Status s = source_->Refresh(); !s.ok()) return s;
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
  // Reads look for another process's commit at most every 20 ms; a read that meets damage looks
  // at once (see Retrying), and a writer always looks once it holds the lock.
  const auto now = std::chrono::steady_clock::now();
  if (now - last_check_ < std::chrono::milliseconds(20)) return Status::Ok();
  return CheckForChanges();
}

bool File::Changed() {
  std::uint8_t counts[8] = {};
  if (layout_.format == Format::kNew) {
    if (source_->ReadAt(4, 4, counts) != 4 ||
        source_->ReadAt(std::uint64_t{layout_.page_size} + 4, 4, counts + 4) != 4) {
      return false;
    }
    return std::max(LoadU32(counts), LoadU32(counts + 4)) != layout_.fcr_usage;
  }
  return source_->ReadAt(4, 2, counts) == 2 && LoadU16(counts) != layout_.fcr_usage;
}

Status File::CheckForChanges() {
  moves_since_check_ = 0;
  last_check_ = std::chrono::steady_clock::now();
  return Changed() ? Reload() : Status::Ok();
}

void File::NoteUsage(std::uint32_t address) {
  if (layout_.format != Format::kNew) return;
  Status ignored;
  const std::uint8_t* slot = records_->LiveSlot(address, &ignored);
  cursor_->usage = slot == nullptr ? 0 : LoadU16(slot);
}

Status File::Key(int key_number, KeyState** state) {
  const KeyLayout* plan = layout_.FindKey(key_number);
  if (plan == nullptr) {
    return Status(kInvalidKeyNumber, name_ + ": no key " + std::to_string(key_number));
  }
  auto& slot = keys_[static_cast<std::size_t>(plan - layout_.keys.data())];
  if (!slot) {
    slot = std::make_unique<KeyState>(*plan, layout_, pages_);
    // Pages are checked as they are visited; a whole-tree validation would touch every index
    // page of a large file before the first record.
    if (Status s = slot->tree.CheckShape(); !s.ok()) {
      if (Status f = UseFallback(slot.get(), s.detail()); !f.ok()) {
        slot.reset();
        return f;
      }
    }
  }
  *state = slot.get();
  return Status::Ok();
}

Status File::UseFallback(KeyState* state, const std::string& reason) {
  auto sorted = std::make_unique<SortedIndex>();
  if (Status s = SortedIndex::Build(*records_, state->key_layout, state->compare, sorted.get());
      !s.ok()) {
    return s.Prefix(name_);
  }
  state->sorted = std::move(sorted);
  state->fallback_reason = reason + "; reading key " + std::to_string(state->key_layout.number) +
                           " in an order rebuilt from the records";
  // A position held in the index cannot be carried over; it is found again by record.
  if (cursor_->key == state->key_layout.number && cursor_->record != kNoPointer) {
    return LocateOnKey(state, cursor_->record);
  }
  return Status::Ok();
}

std::string File::FallbackReason(int key_number) {
  KeyState* state = nullptr;
  if (!Key(key_number, &state).ok()) return "";
  return state->fallback_reason;
}

Status File::ValidateIndex(int key_number, IndexTree::Shape* shape) {
  const KeyLayout* plan = layout_.FindKey(key_number);
  if (plan == nullptr) return Status(kInvalidKeyNumber, "no key " + std::to_string(key_number));
  KeyState state(*plan, layout_, pages_);
  return state.tree.Validate(shape);
}

Status File::ReadRecord(std::uint32_t address, Bytes* record) {
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(address, &status);
  if (slot == nullptr) return status.Prefix(name_);
  if (Status s = records_->Read(slot, record); !s.ok()) {
    return s.Prefix(name_ + ": record at " + std::to_string(address));
  }
  return Status::Ok();
}

// ---- positioning by key ------------------------------------------------------------------

Status File::PositionTree(KeyState* state, Seek how, const std::uint8_t* search) {
  IndexTree& tree = state->tree;
  Cursor& c = *cursor_;
  IndexTree::Position& p = c.tree;
  bool found = false;
  bool last_of_chain = false;
  switch (how) {
    case Seek::kFirst:
      found = tree.First(&p);
      break;
    case Seek::kLast:
      found = tree.Last(&p);
      last_of_chain = true;
      break;
    case Seek::kEqual:
      if (!tree.Seek(search, false, &p) || state->compare.Compare(tree.EntryKey(p), search) != 0) {
        return Status(kKeyNotFound, "");
      }
      found = true;
      break;
    case Seek::kGreaterOrEqual:
      found = tree.Seek(search, false, &p);
      break;
    case Seek::kGreater:
      found = tree.Seek(search, true, &p);
      break;
    case Seek::kLessOrEqual:
    case Seek::kLess:
      found = tree.Seek(search, how == Seek::kLessOrEqual, &p) ? tree.Previous(&p) : tree.Last(&p);
      last_of_chain = true;
      break;
  }
  if (tree.damaged()) return Damaged(tree.damage());
  if (!found) return Status(kEndOfFile, "");
  // The entry found must stand where the search says; a misplaced entry means a damaged index.
  if (search != nullptr) {
    const int c_found = state->compare.Compare(tree.EntryKey(p), search);
    const bool placed = how == Seek::kGreater          ? c_found > 0
                        : how == Seek::kGreaterOrEqual ? c_found >= 0
                        : how == Seek::kLess           ? c_found < 0
                        : how == Seek::kLessOrEqual    ? c_found <= 0
                                                       : c_found == 0;
    if (!placed) {
      return Damaged("key " + std::to_string(state->key_layout.number) + " index is out of order");
    }
  }
  c.chain_first = tree.FirstRecord(p);
  c.chain_last = tree.LastRecord(p);
  c.chain_steps = 0;
  c.record = last_of_chain ? c.chain_last : c.chain_first;
  return Status::Ok();
}

Status File::PositionSorted(KeyState* state, Seek how, const std::uint8_t* search) {
  const SortedIndex& index = *state->sorted;
  std::size_t at = 0;
  switch (how) {
    case Seek::kFirst:
      if (index.size() == 0) return Status(kEndOfFile, "");
      at = 0;
      break;
    case Seek::kLast:
      if (index.size() == 0) return Status(kEndOfFile, "");
      at = index.size() - 1;
      break;
    case Seek::kEqual:
      at = index.Seek(search, false);
      if (at == index.size() || state->compare.Compare(index.key(at), search) != 0) {
        return Status(kKeyNotFound, "");
      }
      break;
    case Seek::kGreaterOrEqual:
    case Seek::kGreater:
      at = index.Seek(search, how == Seek::kGreater);
      if (at == index.size()) return Status(kEndOfFile, "");
      break;
    case Seek::kLessOrEqual:
    case Seek::kLess:
      at = index.Seek(search, how == Seek::kLessOrEqual);
      if (at == 0) return Status(kEndOfFile, "");
      --at;
      break;
  }
  cursor_->sorted = at;
  cursor_->record = index.record(at);
  return Status::Ok();
}

Status File::MoveTree(KeyState* state, bool forward) {
  Cursor& c = *cursor_;
  const KeyLayout& plan = state->key_layout;
  if (plan.linked_duplicates && c.record != (forward ? c.chain_last : c.chain_first)) {
    Status status;
    const std::uint8_t* slot = records_->LiveSlot(c.record, &status);
    if (slot == nullptr) return Damaged("duplicate chain reaches a slot without a record");
    const std::uint32_t next = forward
                                   ? records_->ChainNext(slot, plan.duplicate_pointer_offset)
                                   : records_->ChainPrevious(slot, plan.duplicate_pointer_offset);
    if (next == kNoPointer || ++c.chain_steps > SlotBound()) {
      return Damaged("key " + std::to_string(plan.number) + " duplicate chain is broken");
    }
    c.record = next;
    return Status::Ok();
  }
  IndexTree::Position saved = c.tree;
  const std::uint8_t* from = state->tree.EntryKey(saved);
  if (!(forward ? state->tree.Next(&c.tree) : state->tree.Previous(&c.tree))) {
    c.tree = std::move(saved);
    if (state->tree.damaged()) return Damaged(state->tree.damage());
    return Status(kEndOfFile, "");
  }
  // Each step must move on in key order: a page reached twice or a misplaced entry breaks this.
  const int order = state->compare.Compare(state->tree.EntryKey(c.tree), from);
  const bool repeating = plan.duplicates() && !plan.linked_duplicates;
  if (forward ? (order < 0 || (order == 0 && !repeating))
              : (order > 0 || (order == 0 && !repeating))) {
    return Damaged("key " + std::to_string(plan.number) + " index is out of order");
  }
  c.chain_first = state->tree.FirstRecord(c.tree);
  c.chain_last = state->tree.LastRecord(c.tree);
  c.chain_steps = 0;
  c.record = forward ? c.chain_first : c.chain_last;
  return Status::Ok();
}

Status File::MoveSorted(KeyState* state, bool forward) {
  Cursor& c = *cursor_;
  if (forward ? c.sorted + 1 >= state->sorted->size() : c.sorted == 0) {
    return Status(kEndOfFile, "");
  }
  c.sorted = forward ? c.sorted + 1 : c.sorted - 1;
  c.record = state->sorted->record(c.sorted);
  return Status::Ok();
}

Status File::LocateOnKey(KeyState* state, std::uint32_t address) {
  Cursor& c = *cursor_;
  if (Status s = ReadRecord(address, &scratch_); !s.ok()) return s;
  Bytes value(state->compare.key_length());
  state->compare.Extract(scratch_, value.data());
  c.record = address;
  c.key = -1;
  if (state->compare.IsNull(value.data())) return Status::Ok();  // not on this key's path
  if (state->sorted) {
    c.sorted = state->sorted->Find(value.data(), address);
    if (c.sorted == state->sorted->size()) {
      return Status(kIoError, name_ + ": record " + std::to_string(address) + " not in key order");
    }
    c.key = state->key_layout.number;
    return Status::Ok();
  }
  if (!state->tree.Seek(value.data(), false, &c.tree) ||
      state->compare.Compare(state->tree.EntryKey(c.tree), value.data()) != 0) {
    if (state->tree.damaged()) return Damaged(state->tree.damage());
    return Damaged("record " + std::to_string(address) + " has no entry in its index");
  }
  c.chain_first = state->tree.FirstRecord(c.tree);
  c.chain_last = state->tree.LastRecord(c.tree);
  c.chain_steps = 0;
  c.record = c.chain_first;
  // Walk the duplicates (chain or repeated entries) up to the record itself.
  for (std::size_t steps = 0; c.record != address; ++steps) {
    if (steps > SlotBound()) return Damaged("record not found among its duplicates");
    if (Status s = MoveTree(state, true); !s.ok()) {
      return s.code() == kEndOfFile ? Damaged("record not found among its duplicates") : s;
    }
    if (!state->key_layout.linked_duplicates &&
        state->compare.Compare(state->tree.EntryKey(c.tree), value.data()) != 0) {
      return Damaged("record not found among its duplicates");
    }
  }
  c.chain_steps = 0;
  c.key = state->key_layout.number;
  return Status::Ok();
}

Status File::Deliver(KeyState* state, Bytes* key, Bytes* record) {
  Cursor& c = *cursor_;
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(c.record, &status);
  if (slot == nullptr) {
    if (state->sorted) return status.Prefix(name_);
    return Damaged("key " + std::to_string(state->key_layout.number) + " index points at address " +
                   std::to_string(c.record) + ", which holds no record");
  }
  if (Status s = records_->Read(slot, record); !s.ok()) {
    return s.Prefix(name_ + ": record at " + std::to_string(c.record));
  }
  c.usage = layout_.format == Format::kNew ? LoadU16(slot) : 0;
  key->resize(state->compare.key_length());
  state->compare.Extract(*record, key->data());
  if (!state->sorted && state->compare.Compare(key->data(), state->tree.EntryKey(c.tree)) != 0) {
    return Damaged("key " + std::to_string(state->key_layout.number) +
                   " index entry does not match " + "the record at address " +
                   std::to_string(c.record));
  }
  c.key = state->key_layout.number;
  return Status::Ok();
}

Status File::PositionOnce(int key_number, Seek how, Bytes* key, Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  pages_.Unpin();
  if (Status s = CatchUp(); !s.ok()) return s;
  KeyState* state = nullptr;
  if (Status s = Key(key_number, &state); !s.ok()) return s;
  const bool needs_search = how != Seek::kFirst && how != Seek::kLast;
  Bytes search;
  if (needs_search) {
    if (key->size() < state->compare.key_length()) {
      return Status(kKeyBufferTooShort,
                    name_ + ": the key buffer is shorter than key " + std::to_string(key_number));
    }
    search.assign(key->begin(), key->begin() + state->compare.key_length());
  }
  for (int attempt = 0;; ++attempt) {
    Status s = state->sorted ? PositionSorted(state, how, search.data())
                             : PositionTree(state, how, search.data());
    if (s.ok()) s = Deliver(state, key, record);
    if (s.code() == kIndexDamaged && attempt == 0) {
      // Pages another process rewrote since this handle read the file look damaged too.
      if (Changed()) return Status(kIoError, name_ + ": the file changed while it was read");
      cursor_->key = -1;
      if (Status f = UseFallback(state, s.detail()); !f.ok()) return f;
      continue;
    }
    if (s.code() == kIndexDamaged) return Status(kIoError, name_ + ": " + s.detail());
    if (s.code() == kKeyNotFound || s.code() == kEndOfFile) {
      cursor_->key = -1;
      cursor_->record = kNoPointer;
    }
    return s;
  }
}

Status File::MoveOnce(int key_number, bool forward, Bytes* key, Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  pages_.Unpin();
  // Another process's commit is noticed at least every 64 steps.
  if (++moves_since_check_ >= 64) {
    if (Status s = CatchUp(); !s.ok()) return s;
  }
  KeyState* state = nullptr;
  if (Status s = Key(key_number, &state); !s.ok()) return s;
  if (cursor_->record == kNoPointer || cursor_->key < 0) {
    return Status(kInvalidPositioning, name_ + ": no current record on a key");
  }
  if (cursor_->key != key_number) {
    return Status(kDifferentKeyNumber,
                  name_ + ": the position is on key " + std::to_string(cursor_->key));
  }
  for (int attempt = 0;; ++attempt) {
    const std::uint32_t from = cursor_->record;
    Status s = state->sorted ? MoveSorted(state, forward) : MoveTree(state, forward);
    if (s.ok()) s = Deliver(state, key, record);
    if (s.code() == kIndexDamaged && attempt == 0) {
      cursor_->record = from;
      if (Changed()) return Status(kIoError, name_ + ": the file changed while it was read");
      // Found again in the rebuilt order, then moved from there.
      if (Status f = UseFallback(state, s.detail()); !f.ok()) return f;
      continue;
    }
    if (s.code() == kIndexDamaged) return Status(kIoError, name_ + ": " + s.detail());
    return s;
  }
}

template <typename Operation>
Status File::Retrying(const Operation& operation) {
  Status status = operation();
  const int code = status.code();
  if (status.ok() || code == kKeyNotFound || code == kEndOfFile || code == kInvalidPositioning ||
      code == kDifferentKeyNumber || code == kInvalidKeyNumber || code == kKeyBufferTooShort ||
      code == kFileLocked) {
    return status;
  }
  // A reader that fell behind another process's commits may have read pages reused since;
  // with the file read again, the operation is tried once more.
  if (layout_.format != Format::kNew || locked_ || path_.empty()) {
    const std::uint32_t seen = layout_.fcr_usage;
    if (CheckForChanges().ok() && layout_.fcr_usage != seen) return operation();
    return status;
  }
  // New-format readers take no lock, so a busy writer can change the file again before the
  // second try; and a state read without the lock may be torn. The second try reads the file
  // again under the shared lock, which holds commits off until it is done.
  if (!Changed() && !loaded_unlocked_) return status;
  if (!source_->LockShared(options_.lock_wait_ms)) return status;
  Status retried = Reload();
  if (retried.ok()) retried = operation();
  source_->Unlock();
  return retried;
}

Status File::Position(int key_number, Seek how, Bytes* key, Bytes* record) {
  return Retrying([&] { return PositionOnce(key_number, how, key, record); });
}

Status File::Move(int key_number, bool forward, Bytes* key, Bytes* record) {
  return Retrying([&] { return MoveOnce(key_number, forward, key, record); });
}

Status File::StepFirst(Bytes* record) {
  return Retrying([&] { return StepFirstOnce(record); });
}
Status File::StepLast(Bytes* record) {
  return Retrying([&] { return StepLastOnce(record); });
}
Status File::StepNext(Bytes* record) {
  return Retrying([&] { return StepNextOnce(record); });
}
Status File::StepPrevious(Bytes* record) {
  return Retrying([&] { return StepPreviousOnce(record); });
}

Status File::GetDirect(int key_number, std::uint32_t position, Bytes* key, Bytes* record) {
  return Retrying([&] { return GetDirectOnce(key_number, position, key, record); });
}

Status File::GetEqual(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kEqual, key, record);
}
Status File::GetGreater(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kGreater, key, record);
}
Status File::GetGreaterOrEqual(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kGreaterOrEqual, key, record);
}
Status File::GetLess(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kLess, key, record);
}
Status File::GetLessOrEqual(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kLessOrEqual, key, record);
}
Status File::GetFirst(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kFirst, key, record);
}
Status File::GetLast(int k, Bytes* key, Bytes* record) {
  return Position(k, Seek::kLast, key, record);
}
Status File::GetNext(int k, Bytes* key, Bytes* record) { return Move(k, true, key, record); }
Status File::GetPrevious(int k, Bytes* key, Bytes* record) { return Move(k, false, key, record); }

// ---- physical order ----------------------------------------------------------------------

Status File::Step(std::uint32_t address, Bytes* record) {
  pages_.Unpin();
  if (address == kNoPointer) return Status(kEndOfFile, "");
  if (Status s = ReadRecord(address, record); !s.ok()) return s;
  cursor_->record = address;
  cursor_->key = -1;
  NoteUsage(address);
  return Status::Ok();
}

Status File::StepFirstOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (Status s = CatchUp(); !s.ok()) return s;
  return Step(records_->First(), record);
}

Status File::StepLastOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (Status s = CatchUp(); !s.ok()) return s;
  return Step(records_->Last(), record);
}

Status File::StepNextOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (++moves_since_check_ >= 64) {
    if (Status s = CatchUp(); !s.ok()) return s;
  }
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record");
  }
  return Step(records_->Next(cursor_->record), record);
}

Status File::StepPreviousOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (++moves_since_check_ >= 64) {
    if (Status s = CatchUp(); !s.ok()) return s;
  }
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record");
  }
  return Step(records_->Previous(cursor_->record), record);
}

Status File::GetPosition(std::uint32_t* position) const {
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record");
  }
  *position = cursor_->record;
  return Status::Ok();
}

Status File::GetDirectOnce(int key_number, std::uint32_t position, Bytes* key, Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  pages_.Unpin();
  if (Status s = CatchUp(); !s.ok()) return s;
  if (Status s = ReadRecord(position, record); !s.ok()) return s;
  cursor_->record = position;
  cursor_->key = -1;
  NoteUsage(position);
  if (key_number < 0) return Status::Ok();
  KeyState* state = nullptr;
  if (Status s = Key(key_number, &state); !s.ok()) return s;
  Status s = LocateOnKey(state, position);
  if (s.code() == kIndexDamaged) {
    if (Status f = UseFallback(state, s.detail()); !f.ok()) return f;
    s = LocateOnKey(state, position);
  }
  if (!s.ok()) return s;
  key->resize(state->compare.key_length());
  state->compare.Extract(*record, key->data());
  return Status::Ok();
}

// ---- the one entry point ------------------------------------------------------------------

Status File::Execute(int op, int key_number, Bytes* key, Bytes* data) {
  int base = op % kLockBiasUnit;
  const bool key_only = base >= kOpGetEqual + kKeyOnlyBias && base <= kOpGetLast + kKeyOnlyBias;
  if (key_only) base -= kKeyOnlyBias;
  Status status;
  switch (base) {
    case kOpGetEqual:
      status = GetEqual(key_number, key, data);
      break;
    case kOpGetNext:
      status = GetNext(key_number, key, data);
      break;
    case kOpGetPrevious:
      status = GetPrevious(key_number, key, data);
      break;
    case kOpGetGreater:
      status = GetGreater(key_number, key, data);
      break;
    case kOpGetGreaterOrEqual:
      status = GetGreaterOrEqual(key_number, key, data);
      break;
    case kOpGetLess:
      status = GetLess(key_number, key, data);
      break;
    case kOpGetLessOrEqual:
      status = GetLessOrEqual(key_number, key, data);
      break;
    case kOpGetFirst:
      status = GetFirst(key_number, key, data);
      break;
    case kOpGetLast:
      status = GetLast(key_number, key, data);
      break;
    case kOpStepFirst:
      return StepFirst(data);
    case kOpStepLast:
      return StepLast(data);
    case kOpStepNext:
      return StepNext(data);
    case kOpStepPrevious:
      return StepPrevious(data);
    case kOpGetPosition: {
      std::uint32_t position = 0;
      if (Status s = GetPosition(&position); !s.ok()) return s;
      data->resize(4);
      StoreU32(data->data(), position);
      return Status::Ok();
    }
    case kOpGetDirect: {
      if (data->size() < 4) {
        return Status(kDataBufferTooShort, name_ + ": Get Direct needs a 4-byte position");
      }
      return GetDirect(key_number, LoadU32(data->data()), key, data);
    }
    case kOpStat:
      *data = StatBuffer();
      return Status::Ok();
    case kOpReset:
    case kOpUnlock:
    case kOpBeginTransaction:
    case kOpEndTransaction:
    case kOpAbortTransaction:
      return Status::Ok();
    case kOpInsert:
      return Insert(key_number, data);
    case kOpUpdate:
      return Update(key_number, *data);
    case kOpDelete:
      return Delete();
    default:
      return Status(kInvalidOperation,
                    name_ + ": operation " + std::to_string(op) + " is not supported");
  }
  if (status.ok() && key_only) data->clear();
  return status;
}

Status File::WalkIndex(int key_number,
                       const std::function<void(std::uint32_t, const std::uint8_t*)>& visit) {
  const KeyLayout* plan = layout_.FindKey(key_number);
  if (plan == nullptr) return Status(kInvalidKeyNumber, "no key " + std::to_string(key_number));
  KeyState state(*plan, layout_, pages_);
  IndexTree::Shape shape;
  if (Status s = state.tree.Validate(&shape); !s.ok()) return s;
  IndexTree::Position p;
  std::uint64_t visited = 0;
  for (bool more = state.tree.First(&p); more; more = state.tree.Next(&p)) {
    std::uint32_t record = state.tree.FirstRecord(p);
    const std::uint32_t last = state.tree.LastRecord(p);
    for (;;) {
      pages_.Unpin();
      if (++visited > std::min<std::uint64_t>(layout_.record_count, SlotBound())) {
        return Status(kIoError, "key " + std::to_string(key_number) +
                                    " reaches more records than the file holds");
      }
      visit(record, state.tree.EntryKey(p));
      if (!plan->linked_duplicates || record == last) break;
      Status status;
      const std::uint8_t* slot = records_->LiveSlot(record, &status);
      if (slot == nullptr) return status;
      record = records_->ChainNext(slot, plan->duplicate_pointer_offset);
      if (record == kNoPointer) {
        return Status(kIoError,
                      "key " + std::to_string(key_number) + " duplicate chain ends early");
      }
    }
  }
  return Status::Ok();
}

Bytes File::Snapshot() const {
  Bytes bytes(static_cast<std::size_t>(source_->size()));
  bytes.resize(source_->ReadAt(0, bytes.size(), bytes.data()));
  return bytes;
}

Bytes File::StatBuffer() const {
  std::size_t segments = 0;
  for (const KeyLayout& key : layout_.keys) segments += key.segments.size();
  Bytes out(16 + 16 * segments, 0);
  StoreU16(&out[0], layout_.record_length);
  StoreU16(&out[2], static_cast<std::uint16_t>(layout_.page_size));
  StoreU16(&out[4], static_cast<std::uint16_t>(layout_.keys.size()));
  StoreU32(&out[6], layout_.record_count);
  StoreU16(&out[10], layout_.file_flags);
  std::uint8_t* p = &out[16];
  for (const KeyLayout& key : layout_.keys) {
    for (const KeySegment& seg : key.segments) {
      StoreU16(p, static_cast<std::uint16_t>(seg.position + 1));
      StoreU16(p + 2, seg.length);
      StoreU16(p + 4, seg.flags);
      StoreU32(p + 6, key.distinct_values);
      p[10] = seg.type;
      p[11] = seg.null_value;
      p[14] = static_cast<std::uint8_t>(key.number);
      p[15] = static_cast<std::uint8_t>(seg.acs < 0 ? 0 : seg.acs);
      p += 16;
    }
  }
  return out;
}

}  // namespace btrieve
