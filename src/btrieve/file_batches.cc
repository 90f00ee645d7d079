// Reads of many records in one operation: a reader that takes a whole file in order pays the
// upkeep of an operation (the look for another process's commit, the check that none ended while
// it read) once a batch instead of once a record.
#include "btrieve/file.h"
#include "btrieve/file_state.h"

namespace btrieve {

Status File::StepInto(std::uint32_t address, const std::uint8_t* slot, RecordBatch* batch) {
  if (Status s = records_->Append(slot, &batch->bytes()); !s.ok()) {
    batch->DropPartial();
    return s.Prefix(name_ + ": record at " + std::to_string(address));
  }
  batch->EndRecord();
  cursor_->record = address;
  cursor_->key = -1;
  NoteUsage(slot);
  return Status::Ok();
}

Status File::StepNextBatchOnce(std::size_t max, RecordBatch* batch) {
  batch->clear();
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  pages_.Unpin();
  if (++moves_since_check_ >= 64) {
    if (Status s = CatchUp(); !s.ok()) return s;
  }
  if (cursor_->record == kNoPointer) {
    return Status(kInvalidPositioning, name_ + ": no current record");
  }
  const bool whole = ContinuesWholeScan(1);
  while (batch->size() < max) {
    const std::uint8_t* slot = nullptr;
    const std::uint32_t address = records_->Next(cursor_->record, DamageWatch(), &slot);
    Status s = ScanDamage();
    if (s.ok()) s = address == kNoPointer ? Status(kEndOfFile, "") : StepInto(address, slot, batch);
    if (s.ok() && whole) CountScanned();
    // The position stays on the last record delivered; the end is met by the next call.
    if (!s.ok()) return !batch->empty() ? Status::Ok() : whole ? EndWholeScan(s) : s;
  }
  return Status::Ok();
}

Status File::GetNextBatchOnce(int key_number, std::size_t max, RecordBatch* batch) {
  batch->clear();
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  KeyState* state = nullptr;
  if (Status s = StartMove(key_number, &state); !s.ok()) return s;
  Cursor& mark = *batch_mark_;
  while (batch->size() < max) {
    mark = *cursor_;
    const bool rebuilt = state->sorted != nullptr;
    if (Status s = MoveAndDeliver(state, true, &batch_key_, &batch->bytes(), true); !s.ok()) {
      if (batch->empty()) return s;
      // Back on the last record delivered; an order rebuilt on the way has a place of its own
      // for it.
      *cursor_ = mark;
      if (!rebuilt && state->sorted != nullptr) {
        if (Status l = LocateOnKey(state, mark.record); !l.ok()) return l;
      }
      return Status::Ok();
    }
    batch->EndRecord();
  }
  return Status::Ok();
}

Status File::StepNextBatch(std::size_t max, RecordBatch* batch) {
  return Consistent([&] { return StepNextBatchOnce(max, batch); });
}

Status File::GetNextBatch(int key_number, std::size_t max, RecordBatch* batch) {
  return Consistent([&] { return GetNextBatchOnce(key_number, max, batch); });
}

}  // namespace btrieve
