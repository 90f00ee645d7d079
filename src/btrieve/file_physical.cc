// Physical order (the Step operations) and reads by address (Get Position, Get Direct).
#include <string>

#include "btrieve/file.h"
#include "btrieve/file_state.h"

namespace btrieve {

Status File::ReadRecord(std::uint32_t address, Bytes* record, const std::uint8_t** slot) {
  Status status;
  const std::uint8_t* live = records_->LiveSlot(address, &status);
  if (live == nullptr) return status.Prefix(name_);
  if (Status s = records_->Read(live, record); !s.ok()) {
    return s.Prefix(name_ + ": record at " + std::to_string(address));
  }
  if (slot != nullptr) *slot = live;
  return Status::Ok();
}

std::uint32_t* File::DamageWatch() {
  scan_damage_ = kNoPointer;
  return options_.salvage ? nullptr : &scan_damage_;
}

Status File::LostPageStatus() const {
  return Status(kIoError, name_ + ": page " + std::to_string(scan_damage_) +
                              " is a data page by the allocation table, but its header says "
                              "otherwise; its records cannot be read");
}

Status File::Step(std::uint32_t address, const std::uint8_t* slot, Bytes* record) {
  // The scan checked the slot as LiveSlot would. Its page stays valid until the pages a long scan
  // passed over are let go, once the record is read.
  Status status = ScanDamage();
  if (status.ok() && address == kNoPointer) status = Status(kEndOfFile, "");
  if (status.ok()) {
    if (Status s = records_->Read(slot, record); s.ok()) {
      cursor_->record = address;
      cursor_->key = -1;
      NoteUsage(slot);
    } else {
      status = s.Prefix(name_ + ": record at " + std::to_string(address));
    }
  }
  pages_.Unpin();
  return status;
}

bool File::ContinuesWholeScan(int direction) {
  const bool continues =
      whole_scan_.direction == direction && cursor_->key < 0 && cursor_->record == whole_scan_.at;
  if (!continues) whole_scan_.direction = 0;
  return continues;
}

void File::CountScanned() {
  ++whole_scan_.seen;
  whole_scan_.at = cursor_->record;
}

Status File::EndWholeScan(Status end) {
  const bool whole = whole_scan_.direction != 0 && end.code() == kEndOfFile && !options_.salvage &&
                     layout_.fcr_usage == whole_scan_.usage;
  if (whole && whole_scan_.seen < layout_.record_count) {
    // Kept for the read's repetitions (Consistent): the file is read again and the end met again.
    return Status(kIoError, name_ + ": a scan of the whole file found " +
                                std::to_string(whole_scan_.seen) + " records, the control " +
                                "record counts " + std::to_string(layout_.record_count) +
                                "; pages holding the rest cannot be read");
  }
  return end;
}

Status File::StepFirstOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (Status s = CatchUp(); !s.ok()) return s;
  whole_scan_ = {1, 0, layout_.fcr_usage, kNoPointer};
  const std::uint8_t* slot = nullptr;
  const std::uint32_t address = records_->First(DamageWatch(), &slot);
  Status s = Step(address, slot, record);
  if (s.ok()) CountScanned();
  return s.ok() ? s : EndWholeScan(s);
}

Status File::StepLastOnce(Bytes* record) {
  const ReadLock lock(*this);
  if (!lock.status().ok()) return lock.status();
  if (Status s = CatchUp(); !s.ok()) return s;
  whole_scan_ = {-1, 0, layout_.fcr_usage, kNoPointer};
  const std::uint8_t* slot = nullptr;
  const std::uint32_t address = records_->Last(DamageWatch(), &slot);
  Status s = Step(address, slot, record);
  if (s.ok()) CountScanned();
  return s.ok() ? s : EndWholeScan(s);
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
  const bool whole = ContinuesWholeScan(1);
  const std::uint8_t* slot = nullptr;
  const std::uint32_t address = records_->Next(cursor_->record, DamageWatch(), &slot);
  Status s = Step(address, slot, record);
  if (s.ok() && whole) CountScanned();
  return s.ok() || !whole ? s : EndWholeScan(s);
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
  const bool whole = ContinuesWholeScan(-1);
  const std::uint8_t* slot = nullptr;
  const std::uint32_t address = records_->Previous(cursor_->record, DamageWatch(), &slot);
  Status s = Step(address, slot, record);
  if (s.ok() && whole) CountScanned();
  return s.ok() || !whole ? s : EndWholeScan(s);
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
  const std::uint8_t* slot = nullptr;
  if (Status s = ReadRecord(position, record, &slot); !s.ok()) return s;
  cursor_->record = position;
  cursor_->key = -1;
  NoteUsage(slot);
  if (key_number < 0) return Status::Ok();
  KeyState* state = nullptr;
  if (Status s = Key(key_number, &state); !s.ok()) return s;
  Status s = LocateOnKey(state, position);
  if (s.code() == kIndexDamaged) {
    if (Status f = IndexFailure(state, s); !f.ok()) return f;
    s = LocateOnKey(state, position);
  }
  if (!s.ok()) return s;
  key->resize(state->compare.key_length());
  state->compare.Extract(*record, key->data());
  return Status::Ok();
}

Status File::StepFirst(Bytes* record) {
  return Consistent([&] { return StepFirstOnce(record); });
}
Status File::StepLast(Bytes* record) {
  return Consistent([&] { return StepLastOnce(record); });
}
Status File::StepNext(Bytes* record) {
  return Consistent([&] { return StepNextOnce(record); });
}
Status File::StepPrevious(Bytes* record) {
  return Consistent([&] { return StepPreviousOnce(record); });
}

Status File::GetDirect(int key_number, std::uint32_t position, Bytes* key, Bytes* record) {
  return Consistent([&] { return GetDirectOnce(key_number, position, key, record); });
}

}  // namespace btrieve
