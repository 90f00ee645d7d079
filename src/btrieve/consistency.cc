#include "btrieve/consistency.h"

#include <algorithm>

#include "btrieve/key_compare.h"

namespace btrieve {

bool FileCheck::ok() const {
  return records_ok &&
         std::all_of(keys.begin(), keys.end(), [](const KeyCheck& k) { return k.ok; });
}

namespace {

KeyCheck CheckKey(File& file, const KeyLayout& key, const std::vector<std::uint32_t>& expected) {
  KeyCheck check;
  check.number = key.number;
  IndexTree::Shape shape;
  if (Status s = file.ValidateIndex(key.number, &shape); !s.ok()) {
    check.problem = s.detail();
    return check;
  }
  check.entries = shape.entries;
  check.levels = shape.levels;
  const KeyComparator compare(key, file.layout());
  std::vector<std::uint8_t> previous;
  std::vector<std::uint8_t> actual(compare.key_length());
  std::vector<std::uint8_t> record;
  std::vector<std::uint32_t> reached;
  std::string problem;
  Status walk = file.WalkIndex(key.number, [&](std::uint32_t address, const std::uint8_t* entry) {
    const std::uint64_t position = reached.size();
    reached.push_back(address);
    if (!problem.empty()) return;
    Status status;
    const std::uint8_t* slot = file.records().LiveSlot(address, &status);
    if (slot == nullptr || !file.records().Read(slot, &record).ok()) {
      problem = "at " + std::to_string(position) + ": entry points at address " +
                std::to_string(address) + ", which holds no record";
      return;
    }
    compare.Extract(record, actual.data());
    if (compare.Compare(actual.data(), entry) != 0) {
      problem = "at " + std::to_string(position) + ": entry key differs from record " +
                std::to_string(address);
      return;
    }
    if (!previous.empty() && compare.Compare(previous.data(), entry) > 0) {
      problem = "at " + std::to_string(position) + ": key of record " + std::to_string(address) +
                " sorts before the one preceding it";
      return;
    }
    previous.assign(entry, entry + compare.key_length());
  });
  check.records = reached.size();
  if (!walk.ok()) {
    check.problem = walk.detail();
    return check;
  }
  if (!problem.empty()) {
    check.problem = problem;
    return check;
  }
  std::sort(reached.begin(), reached.end());
  if (reached != expected) {
    check.problem = "the index reaches " + std::to_string(reached.size()) +
                    " records, the file holds " + std::to_string(expected.size()) +
                    " with a non-null key";
    return check;
  }
  check.ok = true;
  return check;
}

}  // namespace

FileCheck CheckFile(File& file) {
  FileCheck result;
  if (Status s = file.EnsureLoaded(); !s.ok()) {
    result.records_problem = "the file's structures cannot be read: " + s.ToString();
    return result;
  }
  const FileLayout& layout = file.layout();
  std::vector<KeyComparator> comparators;
  for (const KeyLayout& key : layout.keys) comparators.emplace_back(key, layout);
  std::vector<std::vector<std::uint32_t>> non_null(layout.keys.size());
  std::vector<std::uint8_t> record;
  std::vector<std::uint8_t> value;
  const RecordStore& records = file.records();
  for (std::uint32_t at = records.First(); at != kNoPointer; at = records.Next(at)) {
    records.Unpin();
    ++result.live_records;
    Status status;
    const std::uint8_t* slot = records.LiveSlot(at, &status);
    if (slot == nullptr || !(status = records.Read(slot, &record)).ok()) {
      result.records_problem = "record at " + std::to_string(at) + ": " + status.ToString();
      continue;
    }
    for (std::size_t k = 0; k < comparators.size(); ++k) {
      value.resize(comparators[k].key_length());
      comparators[k].Extract(record, value.data());
      if (!comparators[k].IsNull(value.data())) non_null[k].push_back(at);
    }
  }
  if (result.records_problem.empty() && result.live_records != layout.record_count) {
    result.records_problem = "found " + std::to_string(result.live_records) +
                             " records, the control record says " +
                             std::to_string(layout.record_count);
  }
  result.records_ok = result.records_problem.empty();
  for (std::size_t k = 0; k < layout.keys.size(); ++k) {
    result.keys.push_back(CheckKey(file, layout.keys[k], non_null[k]));
  }
  return result;
}

}  // namespace btrieve
