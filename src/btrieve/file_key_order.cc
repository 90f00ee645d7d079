// Positioning within one key's order: through the file's index tree or through the order rebuilt
// from the records, and finding a given record's place in either.
#include <string>

#include "btrieve/file.h"
#include "btrieve/file_state.h"

namespace btrieve {

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
    case Seek::kEqual: {
      const bool landed = tree.Seek(search, false, &p);
      if (!landed || state->compare.Compare(tree.EntryKey(p), search) != 0) {
        if (tree.damaged()) return IndexDamaged(tree.damage());
        if (!options_.salvage) {
          if (Status s = CheckNeighbours(state, p, landed); !s.ok()) return s;
        }
        return Status(kKeyNotFound, "");
      }
      found = true;
      break;
    }
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
  if (tree.damaged()) return IndexDamaged(tree.damage());
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
      return IndexDamaged("key " + std::to_string(state->key_layout.number) +
                          " index is out of order");
    }
  }
  c.chain_first = tree.FirstRecord(p);
  c.chain_last = tree.LastRecord(p);
  c.chain_steps = 0;
  c.record = last_of_chain ? c.chain_last : c.chain_first;
  return Status::Ok();
}

Status File::CheckEntry(KeyState* state, const IndexTree::Position& at) {
  const std::uint32_t address = state->tree.FirstRecord(at);
  const std::string key = "key " + std::to_string(state->key_layout.number);
  Status status;
  const std::uint8_t* slot = records_->LiveSlot(address, &status);
  if (slot == nullptr) {
    return IndexDamaged(key + " index points at address " + std::to_string(address) +
                        ", which holds no record");
  }
  if (Status s = records_->Read(slot, &scratch_); !s.ok()) {
    return s.Prefix(name_ + ": record at " + std::to_string(address));
  }
  Bytes value(state->compare.key_length());
  state->compare.Extract(scratch_, value.data());
  if (state->compare.Compare(value.data(), state->tree.EntryKey(at)) != 0) {
    return IndexDamaged(key + " index entry does not match the record at address " +
                        std::to_string(address));
  }
  return Status::Ok();
}

Status File::CheckNeighbours(KeyState* state, IndexTree::Position at, bool landed) {
  IndexTree& tree = state->tree;
  if (!landed && !tree.Last(&at)) {
    return tree.damaged() ? IndexDamaged(tree.damage()) : Status::Ok();  // an empty index
  }
  if (Status s = CheckEntry(state, at); !s.ok()) return s;
  if (!landed) return Status::Ok();
  if (!tree.Previous(&at)) return tree.damaged() ? IndexDamaged(tree.damage()) : Status::Ok();
  return CheckEntry(state, at);
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
    if (slot == nullptr) return IndexDamaged("duplicate chain reaches a slot without a record");
    const std::uint32_t next = forward
                                   ? records_->ChainNext(slot, plan.duplicate_pointer_offset)
                                   : records_->ChainPrevious(slot, plan.duplicate_pointer_offset);
    if (next == kNoPointer || ++c.chain_steps > SlotBound()) {
      return IndexDamaged("key " + std::to_string(plan.number) + " duplicate chain is broken");
    }
    c.record = next;
    return Status::Ok();
  }
  const std::uint8_t* from = state->tree.EntryKey(c.tree);
  if (!state->tree.StepInLeaf(&c.tree, forward)) {
    IndexTree::Position& saved = state->before_move;
    saved = c.tree;
    if (!(forward ? state->tree.Next(&c.tree) : state->tree.Previous(&c.tree))) {
      c.tree = saved;
      if (state->tree.damaged()) return IndexDamaged(state->tree.damage());
      return Status(kEndOfFile, "");
    }
  }
  // Each step must move on in key order: a page reached twice or a misplaced entry breaks this.
  const IndexTree::EntryRead entry = state->tree.Read(c.tree);
  const int order = state->compare.Compare(entry.key, from);
  const bool repeating = plan.duplicates() && !plan.linked_duplicates;
  if (forward ? (order < 0 || (order == 0 && !repeating))
              : (order > 0 || (order == 0 && !repeating))) {
    return IndexDamaged("key " + std::to_string(plan.number) + " index is out of order");
  }
  c.chain_first = entry.first;
  c.chain_last = entry.last;
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
    if (state->tree.damaged()) return IndexDamaged(state->tree.damage());
    return IndexDamaged("record " + std::to_string(address) + " has no entry in its index");
  }
  c.chain_first = state->tree.FirstRecord(c.tree);
  c.chain_last = state->tree.LastRecord(c.tree);
  c.chain_steps = 0;
  c.record = c.chain_first;
  // Walk the duplicates (chain or repeated entries) up to the record itself.
  for (std::size_t steps = 0; c.record != address; ++steps) {
    if (steps > SlotBound()) return IndexDamaged("record not found among its duplicates");
    if (Status s = MoveTree(state, true); !s.ok()) {
      return s.code() == kEndOfFile ? IndexDamaged("record not found among its duplicates") : s;
    }
    if (!state->key_layout.linked_duplicates &&
        state->compare.Compare(state->tree.EntryKey(c.tree), value.data()) != 0) {
      return IndexDamaged("record not found among its duplicates");
    }
  }
  c.chain_steps = 0;
  c.key = state->key_layout.number;
  return Status::Ok();
}

}  // namespace btrieve
