// Keyed reads (Get Equal to Get Previous) through a key's index (or, salvaging, through an order
// rebuilt from the records when the index fails); and the checks tools run on a key's index.
#include <algorithm>
#include <cstring>
#include <functional>
#include <span>
#include <string>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/file_state.h"

namespace btrieve {

namespace {

// A key with a null value leaves records out of its index; every other key that is not a linked
// duplicate has one entry per record.
bool OneEntryPerRecord(const KeyLayout& key) {
  if (key.linked_duplicates) return false;
  for (const KeySegment& segment : key.segments) {
    if (segment.flags & (kKeyNullAll | kKeyNullAny)) return false;
  }
  return true;
}

}  // namespace

Status File::Key(int key_number, KeyState** state) {
  const KeyLayout* plan = layout_.FindKey(key_number);
  if (plan == nullptr) {
    return Status(kInvalidKeyNumber, name_ + ": no key " + std::to_string(key_number));
  }
  auto& slot = keys_[static_cast<std::size_t>(plan - layout_.keys.data())];
  if (slot) {
    *state = slot.get();
    return Status::Ok();
  }
  slot = std::make_unique<KeyState>(*plan, layout_, pages_);
  if (options_.salvage) {
    // Pages are checked as they are visited; a whole-tree validation would touch every index
    // page of a large file before the first record, and the rebuilt order is there if one fails.
    if (Status s = slot->tree.CheckShape(); !s.ok()) {
      if (Status f = UseFallback(slot.get(), s.detail()); !f.ok()) {
        slot.reset();
        return f;
      }
    }
    *state = slot.get();
    return Status::Ok();
  }
  // The whole tree once per reading of the file: an index that lost pages or entries must not
  // answer as if the records it no longer reaches did not exist.
  IndexTree::Shape shape;
  Status checked = slot->tree.CheckShape();
  // Reads hold no page when they look a key up; a write may (its own changed pages).
  if (checked.ok()) checked = slot->tree.Validate(&shape, /*drop_pages=*/!locked_);
  if (checked.ok() && OneEntryPerRecord(*plan) && shape.entries != layout_.record_count) {
    checked = Status(kIoError, "key " + std::to_string(key_number) + " index holds " +
                                   std::to_string(shape.entries) + " entries, the control record " +
                                   "counts " + std::to_string(layout_.record_count) + " records");
  }
  if (!checked.ok()) {
    slot.reset();
    return Status(kIoError, name_ + ": " + checked.detail());
  }
  *state = slot.get();
  return Status::Ok();
}

Status File::IndexFailure(KeyState* state, const Status& damage) {
  // Pages another process rewrote since this handle read the file look damaged too: the read is
  // repeated on the file as it is now (see Consistent).
  if (Changed()) return Status(kIoError, name_ + ": the file changed while it was read");
  if (!options_.salvage) return Status(kIoError, name_ + ": " + damage.detail());
  return UseFallback(state, damage.detail());
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

Status File::Deliver(KeyState* state, Bytes* key, Bytes* record, bool append) {
  Cursor& c = *cursor_;
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(c.record, &status);
  if (slot == nullptr) {
    if (state->sorted) return status.Prefix(name_);
    return IndexDamaged("key " + std::to_string(state->key_layout.number) +
                        " index points at address " + std::to_string(c.record) +
                        ", which holds no record");
  }
  const std::size_t start = append ? record->size() : 0;
  if (!append) record->clear();
  if (Status s = records_->Append(slot, record); !s.ok()) {
    if (append) record->resize(start);
    return s.Prefix(name_ + ": record at " + std::to_string(c.record));
  }
  c.usage = layout_.format == Format::kNew ? LoadU16(slot) : 0;
  const std::size_t key_length = state->compare.key_length();
  key->resize(key_length);
  state->compare.Extract(std::span(*record).subspan(start), key->data());
  // The same bytes are the same key whatever the key's types; a difference may still compare
  // equal (a case-insensitive segment, for one).
  const std::uint8_t* entry = state->sorted ? nullptr : state->tree.EntryKey(c.tree);
  if (entry != nullptr && std::memcmp(key->data(), entry, key_length) != 0 &&
      state->compare.Compare(key->data(), entry) != 0) {
    if (append) record->resize(start);
    return IndexDamaged("key " + std::to_string(state->key_layout.number) +
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
  // The found key replaces the search value in `key`; the search works on a copy.
  Bytes& search = search_value_;
  search.clear();
  if (needs_search) {
    if (key->size() < state->compare.key_length()) {
      return Status(kKeyBufferTooShort,
                    name_ + ": the key buffer is shorter than key " + std::to_string(key_number));
    }
    search.assign(key->begin(), key->begin() + state->compare.key_length());
  }
  for (int attempt = 0;; ++attempt) {
    // First and Last have no search value: null, as the searches take it.
    const std::uint8_t* value = needs_search ? search.data() : nullptr;
    Status s = state->sorted ? PositionSorted(state, how, value) : PositionTree(state, how, value);
    if (s.ok()) s = Deliver(state, key, record);
    if (s.code() == kIndexDamaged && attempt == 0) {
      cursor_->key = -1;
      if (Status f = IndexFailure(state, s); !f.ok()) return f;
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

Status File::StartMove(int key_number, KeyState** state) {
  pages_.Unpin();
  // Another process's commit is noticed at least every 64 steps.
  if (++moves_since_check_ >= 64) {
    if (Status s = CatchUp(); !s.ok()) return s;
  }
  if (Status s = Key(key_number, state); !s.ok()) return s;
  if (cursor_->record == kNoPointer || cursor_->key < 0) {
    return Status(kInvalidPositioning, name_ + ": no current record on a key");
  }
  if (cursor_->key != key_number) {
    return Status(kDifferentKeyNumber,
                  name_ + ": the position is on key " + std::to_string(cursor_->key));
  }
  return Status::Ok();
}

Status File::MoveAndDeliver(KeyState* state, bool forward, Bytes* key, Bytes* record, bool append) {
  for (int attempt = 0;; ++attempt) {
    const std::uint32_t from = cursor_->record;
    Status s = state->sorted ? MoveSorted(state, forward) : MoveTree(state, forward);
    if (s.ok()) s = Deliver(state, key, record, append);
    if (s.code() == kIndexDamaged && attempt == 0) {
      cursor_->record = from;
      // Found again in the rebuilt order, then moved from there.
      if (Status f = IndexFailure(state, s); !f.ok()) return f;
      continue;
    }
    if (s.code() == kIndexDamaged) return Status(kIoError, name_ + ": " + s.detail());
    return s;
  }
}

Status File::MoveOnce(int key_number, bool forward, Bytes* key, Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  KeyState* state = nullptr;
  if (Status s = StartMove(key_number, &state); !s.ok()) return s;
  return MoveAndDeliver(state, forward, key, record);
}

Status File::Position(int key_number, Seek how, Bytes* key, Bytes* record) {
  // A read that is repeated searches for the value asked for, not for the key it found.
  asked_key_ = *key;
  return Consistent([&] {
    *key = asked_key_;
    return PositionOnce(key_number, how, key, record);
  });
}

Status File::Move(int key_number, bool forward, Bytes* key, Bytes* record) {
  return Consistent([&] { return MoveOnce(key_number, forward, key, record); });
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

}  // namespace btrieve
