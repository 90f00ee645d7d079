// The writing half of an open file: Insert, Update, Delete and bulk loads.
#include <algorithm>
#include <cstring>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_state.h"
#include "btrieve/index_writer.h"
#include "btrieve/record_writer.h"

namespace btrieve {
namespace {

// A bulk load commits whenever this many pages have changed.
constexpr std::size_t kBulkCommitPages = 4096;

bool IsAutoIncrement(const KeyLayout& key) {
  return key.segments.size() == 1 && key.segments[0].type == kTypeAutoIncrement &&
         (key.segments[0].length == 2 || key.segments[0].length == 4 ||
          key.segments[0].length == 8);
}

std::int64_t LoadSigned(const std::uint8_t* p, std::size_t n) {
  std::uint64_t value = 0;
  for (std::size_t i = n; i-- > 0;) value = (value << 8) | p[i];
  if (n < 8 && (p[n - 1] & 0x80)) value |= ~0ull << (8 * n);
  return static_cast<std::int64_t>(value);
}

void StoreSigned(std::uint8_t* p, std::size_t n, std::int64_t value) {
  for (std::size_t i = 0; i < n; ++i)
    p[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
}

}  // namespace

Status File::WriteChecks() const {
  if (!options_.writable || !source_->writable()) {
    return Status(kAccessDenied, name_ + ": the file is open for reading only");
  }
  if (layout_.compressed()) {
    return Status(kOperationNotAllowed, name_ + ": compressed files are read only here");
  }
  // The slot must hold what writing puts there: the user data, the tail pointer and each linked
  // key's chain pointers, none overlapping.
  const std::uint32_t data_end =
      layout_.data_offset + layout_.record_length + (layout_.variable() ? 4u : 0u);
  if (data_end > layout_.physical_length) {
    return Status(kIoError, name_ + ": the record does not fit its slot; rebuild the file");
  }
  // A freed slot holds the link to the next free one (after the usage count in new files); a
  // slot too short for it would have the link written past the page.
  const std::uint32_t link_end = layout_.format == Format::kNew ? 6u : 4u;
  if (layout_.physical_length < link_end) {
    return Status(kIoError, name_ + ": a slot of " + std::to_string(layout_.physical_length) +
                                " bytes has no room for the free-slot link; rebuild the file");
  }
  if (layout_.format == Format::kOld && layout_.last_data_page != kNoPointer &&
      (!records_->IsDataPage(layout_.last_data_page) ||
       layout_.unused_bytes_last_page > layout_.page_size - 6)) {
    return Status(kIoError, name_ +
                                ": the control record's last data page is damaged; rebuild "
                                "the file");
  }
  for (const KeyLayout& key : layout_.keys) {
    if (key.linked_duplicates && (key.duplicate_pointer_offset < data_end ||
                                  key.duplicate_pointer_offset + 8u > layout_.physical_length)) {
      return Status(kIoError, name_ + ": key " + std::to_string(key.number) +
                                  " keeps its chain pointers outside the slot; rebuild the file");
    }
  }
  return Status::Ok();
}

Status File::BeginWrite() {
  if (Status s = WriteChecks(); !s.ok()) return s;
  if (!locked_) {
    if (!source_->Lock(options_.lock_wait_ms)) {
      return Status(kFileLocked, name_ + ": another process is writing the file");
    }
    locked_ = true;
    // Another process's commit shows in the control record's usage count; a state read without
    // the lock is read again whatever the count says, for it may be a torn one.
    if (Status s = loaded_unlocked_ ? Reload() : CheckForChanges(); !s.ok()) {
      source_->Unlock();
      locked_ = false;
      return s;
    }
  }
  // Every key is used: each index changes with each record. One that cannot be trusted would be
  // made worse by writing through it, so the first write checks every index page once.
  for (const KeyLayout& plan : layout_.keys) {
    KeyState* state = nullptr;
    if (Status s = Key(plan.number, &state); !s.ok()) return FinishWrite(s);
    if (!state->sorted && !indexes_checked_) {
      IndexTree::Shape shape;
      if (Status s = state->tree.Validate(&shape); !s.ok()) {
        if (Status f = UseFallback(state, s.detail()); !f.ok()) return FinishWrite(f);
      }
    }
    if (state->sorted) {
      return FinishWrite(Status(kIoError, name_ + ": " + state->fallback_reason +
                                              "; rebuild the file before writing to it"));
    }
  }
  indexes_checked_ = true;
  return Status::Ok();
}

Status File::FinishWrite(Status result) {
  if (result.ok() && (!bulk_ || writer_->changed_pages() >= kBulkCommitPages)) {
    result = writer_->Commit();
  }
  if (!result.ok()) {
    writer_->Abandon();
    const int code = result.code();
    Reload().IgnoreError();
    if (code == kIoError || code == kDiskFull)
      result.Prefix(name_ + ": nothing of the change was kept");
  }
  if (!bulk_ && locked_) {
    source_->Unlock();
    locked_ = false;
  }
  return result;
}

Status File::Insert(int key_number, Bytes* record) {
  pages_.Unpin();
  if (Status s = BeginWrite(); !s.ok()) return s;
  return FinishWrite(InsertRecord(key_number, record));
}

Status File::Update(int key_number, const Bytes& record) {
  pages_.Unpin();
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record to update");
  }
  if (Status s = BeginWrite(); !s.ok()) return s;
  return FinishWrite(UpdateRecord(key_number, record));
}

Status File::Delete() {
  pages_.Unpin();
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record to delete");
  }
  if (Status s = BeginWrite(); !s.ok()) return s;
  return FinishWrite(DeleteRecord());
}

Status File::BeginBulk() {
  if (Status s = BeginWrite(); !s.ok()) return s;
  bulk_ = true;
  return Status::Ok();
}

Status File::EndBulk() {
  if (!bulk_) return Status::Ok();
  bulk_ = false;
  return FinishWrite(Status::Ok());
}

Status File::KeyStates(std::vector<KeyState*>* states) {
  // Looked up by key number, the way reads find them, so that a write and a read of one key always
  // share its state.
  states->assign(layout_.keys.size(), nullptr);
  for (std::size_t k = 0; k < layout_.keys.size(); ++k) {
    if (Status s = Key(layout_.keys[k].number, &(*states)[k]); !s.ok()) return s;
  }
  return Status::Ok();
}

Status File::InsertRecord(int key_number, Bytes* record) {
  if (record->size() < layout_.record_length) {
    return Status(kDataBufferTooShort, name_ + ": the record is shorter than the file's " +
                                           std::to_string(layout_.record_length) + " bytes");
  }
  if (!layout_.variable()) record->resize(layout_.record_length);
  RecordWriter records(layout_, pages_, *writer_, *records_, &variable_page_);

  // Autoincrement keys left at 0 take the next number after the highest.
  for (const KeyLayout& plan : layout_.keys) {
    if (!assign_autoincrement_ || !IsAutoIncrement(plan)) continue;
    const KeySegment& seg = plan.segments[0];
    std::uint8_t* field = record->data() + seg.position;
    if (LoadSigned(field, seg.length) != 0) continue;
    KeyState* state = nullptr;
    if (Status s = Key(plan.number, &state); !s.ok()) return s;
    IndexTree::Position last;
    std::int64_t next = 1;
    if (state->tree.Last(&last)) next = LoadSigned(state->tree.EntryKey(last), seg.length) + 1;
    StoreSigned(field, seg.length, next);
  }

  std::vector<Bytes> values(layout_.keys.size());
  std::vector<KeyState*> states;
  if (Status s = KeyStates(&states); !s.ok()) return s;
  for (std::size_t k = 0; k < layout_.keys.size(); ++k) {
    KeyState* state = states[k];
    values[k].resize(state->compare.key_length());
    state->compare.Extract(*record, values[k].data());
    if (layout_.keys[k].duplicates() || state->compare.IsNull(values[k].data())) continue;
    IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
    if (index.Holds(values[k].data())) {
      return Status(kDuplicateKey, name_ + ": key " + std::to_string(layout_.keys[k].number) +
                                       " already holds that value");
    }
  }
  std::uint32_t address = kNoPointer;
  if (Status s = records.TakeSlot(&address); !s.ok()) return s;
  if (Status s = records.Store(address, *record, 1); !s.ok()) return s;
  for (std::size_t k = 0; k < layout_.keys.size(); ++k) {
    KeyState* state = states[k];
    if (state->compare.IsNull(values[k].data())) continue;
    IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
    if (Status s = index.Insert(values[k].data(), address); !s.ok()) return s;
  }
  ++layout_.record_count;
  cursor_->record = address;
  cursor_->key = -1;
  cursor_->usage = 1;
  KeyState* state = nullptr;
  if (key_number >= 0 && Key(key_number, &state).ok()) {
    LocateOnKey(state, address).IgnoreError();
    cursor_->usage = 1;
  }
  return Status::Ok();
}

Status File::UpdateRecord(int key_number, const Bytes& given) {
  Bytes record = given;
  if (record.size() < layout_.record_length) {
    return Status(kDataBufferTooShort, name_ + ": the record is shorter than the file's " +
                                           std::to_string(layout_.record_length) + " bytes");
  }
  if (!layout_.variable()) record.resize(layout_.record_length);
  const std::uint32_t address = cursor_->record;
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(address, &status);
  if (slot == nullptr) {
    return Status(kConflict, name_ + ": the record was deleted since it was read");
  }
  const std::uint16_t usage = layout_.format == Format::kNew ? LoadU16(slot) : 0;
  if (layout_.format == Format::kNew && usage != cursor_->usage) {
    return Status(kConflict, name_ + ": the record changed since it was read");
  }
  Bytes old;
  if (Status s = records_->Read(slot, &old); !s.ok()) return s;
  RecordWriter records(layout_, pages_, *writer_, *records_, &variable_page_);

  const std::size_t keys = layout_.keys.size();
  std::vector<KeyState*> states;
  if (Status s = KeyStates(&states); !s.ok()) return s;
  std::vector<Bytes> before(keys);
  std::vector<Bytes> after(keys);
  std::vector<bool> changed(keys, false);
  for (std::size_t k = 0; k < keys; ++k) {
    KeyState* state = states[k];
    const std::size_t length = state->compare.key_length();
    before[k].resize(length);
    after[k].resize(length);
    state->compare.Extract(old, before[k].data());
    state->compare.Extract(record, after[k].data());
    changed[k] = before[k] != after[k];
    if (!changed[k]) continue;
    if (!layout_.keys[k].modifiable()) {
      return Status(kKeyNotModifiable,
                    name_ + ": key " + std::to_string(layout_.keys[k].number) + " may not change");
    }
    if (!layout_.keys[k].duplicates() && !state->compare.IsNull(after[k].data()) &&
        state->compare.Compare(before[k].data(), after[k].data()) != 0) {
      IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
      if (index.Holds(after[k].data())) {
        return Status(kDuplicateKey, name_ + ": key " + std::to_string(layout_.keys[k].number) +
                                         " already holds that value");
      }
    }
  }
  for (std::size_t k = 0; k < keys; ++k) {
    KeyState* state = states[k];
    if (!changed[k] || state->compare.IsNull(before[k].data())) continue;
    IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
    if (Status s = index.Remove(before[k].data(), address); !s.ok()) return s;
  }
  if (Status s = records.DropTail(address); !s.ok()) return s;
  const std::uint16_t next_usage = static_cast<std::uint16_t>(usage == 0xFFFF ? 1 : usage + 1);
  if (Status s = records.Store(address, record, next_usage); !s.ok()) return s;
  for (std::size_t k = 0; k < keys; ++k) {
    KeyState* state = states[k];
    if (!changed[k] || state->compare.IsNull(after[k].data())) continue;
    IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
    if (Status s = index.Insert(after[k].data(), address); !s.ok()) return s;
  }
  cursor_->key = -1;
  KeyState* state = nullptr;
  if (key_number >= 0 && Key(key_number, &state).ok()) LocateOnKey(state, address).IgnoreError();
  cursor_->record = address;
  cursor_->usage = next_usage;
  return Status::Ok();
}

Status File::DeleteRecord() {
  const std::uint32_t address = cursor_->record;
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(address, &status);
  if (slot == nullptr) {
    return Status(kConflict, name_ + ": the record was deleted since it was read");
  }
  if (layout_.format == Format::kNew && LoadU16(slot) != cursor_->usage) {
    return Status(kConflict, name_ + ": the record changed since it was read");
  }
  Bytes old;
  if (Status s = records_->Read(slot, &old); !s.ok()) return s;
  RecordWriter records(layout_, pages_, *writer_, *records_, &variable_page_);
  std::vector<KeyState*> states;
  if (Status s = KeyStates(&states); !s.ok()) return s;
  for (std::size_t k = 0; k < layout_.keys.size(); ++k) {
    KeyState* state = states[k];
    Bytes value(state->compare.key_length());
    state->compare.Extract(old, value.data());
    if (state->compare.IsNull(value.data())) continue;
    IndexWriter index(layout_, pages_, *writer_, records, layout_.keys[k], state->compare);
    if (Status s = index.Remove(value.data(), address); !s.ok()) return s;
  }
  if (Status s = records.DropTail(address); !s.ok()) return s;
  records.ReleaseSlot(address);
  --layout_.record_count;
  *cursor_ = Cursor();
  return Status::Ok();
}

}  // namespace btrieve
