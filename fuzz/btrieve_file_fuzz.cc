// Opens arbitrary bytes as a data file (files of odd length salvaging) and reads everything a
// program could ask of it: every key in both directions, searches, and the physical order in both
// directions, and every order a batch of records at a time. Files that open then take a short
// sequence of inserts, updates and deletes drawn from the input's last bytes, and are read and
// checked again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "btrieve/consistency.h"
#include "btrieve/file.h"

namespace {

// Every order read a record at a time by one reader and a batch at a time by another, both of the
// same bytes: the records, and the status each walk ends with, must be the same. A difference
// stops the fuzzer.
void CompareBatchesWithSingleSteps(const btrieve::Bytes& bytes, bool salvage, std::size_t limit) {
  std::unique_ptr<btrieve::File> singly;
  std::unique_ptr<btrieve::File> batched;
  if (!btrieve::File::OpenBytes(bytes, "fuzz", &singly, salvage).ok() ||
      !btrieve::File::OpenBytes(bytes, "fuzz", &batched, salvage).ok()) {
    return;
  }
  const std::size_t batch_size = 1 + (bytes.empty() ? 0 : bytes[0] % 9);
  std::vector<int> orders = {-1};  // physical
  for (const btrieve::KeyLayout& plan : singly->layout().keys) orders.push_back(plan.number);
  btrieve::Bytes key;
  btrieve::Bytes record;
  btrieve::RecordBatch batch;
  for (const int number : orders) {
    std::vector<btrieve::Bytes> one;
    std::vector<btrieve::Bytes> many;
    btrieve::Status a =
        number < 0 ? singly->StepFirst(&record) : singly->GetFirst(number, &key, &record);
    for (; a.ok() && one.size() < limit;
         a = number < 0 ? singly->StepNext(&record) : singly->GetNext(number, &key, &record)) {
      one.push_back(record);
    }
    btrieve::Status b =
        number < 0 ? batched->StepFirst(&record) : batched->GetFirst(number, &key, &record);
    if (b.ok()) many.push_back(record);
    while (b.ok() && many.size() < limit) {
      b = number < 0 ? batched->StepNextBatch(batch_size, &batch)
                     : batched->GetNextBatch(number, batch_size, &batch);
      for (std::size_t i = 0; b.ok() && i < batch.size(); ++i) {
        many.emplace_back(batch[i].begin(), batch[i].end());
      }
    }
    if (one.size() >= limit || many.size() >= limit) continue;
    if (one != many || a.code() != b.code()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<btrieve::File> file;
  // Both readers: the one that stops at damage and the salvaging one that reads on through it.
  const bool salvage = size % 2 == 1;
  if (!btrieve::File::OpenBytes(btrieve::Bytes(data, data + size), "fuzz", &file, salvage).ok()) {
    return 0;
  }
  btrieve::Bytes key;
  btrieve::Bytes record;
  // Bounds every walk: a loop the engine failed to notice shows up as a timeout.
  const std::size_t limit = 4 * (size + 16);
  std::size_t steps = 0;
  for (auto s = file->StepFirst(&record); s.ok() && steps < limit; s = file->StepNext(&record)) {
    ++steps;
  }
  for (auto s = file->StepLast(&record); s.ok() && steps < limit; s = file->StepPrevious(&record)) {
    ++steps;
  }
  // Operations may read the file's structures again, so keys are taken by number.
  std::vector<std::pair<int, std::size_t>> keys;
  for (const btrieve::KeyLayout& plan : file->layout().keys)
    keys.emplace_back(plan.number, plan.key_length);
  for (const auto& [number, length] : keys) {
    for (auto s = file->GetFirst(number, &key, &record); s.ok() && steps < limit;
         s = file->GetNext(number, &key, &record)) {
      ++steps;
    }
    for (auto s = file->GetLast(number, &key, &record); s.ok() && steps < limit;
         s = file->GetPrevious(number, &key, &record)) {
      ++steps;
    }
    key.assign(length, size > 0 ? data[size / 2] : 0);
    file->GetGreaterOrEqual(number, &key, &record).IgnoreError();
    file->GetLessOrEqual(number, &key, &record).IgnoreError();
    file->GetEqual(number, &key, &record).IgnoreError();
  }
  btrieve::CheckFile(*file);
  CompareBatchesWithSingleSteps(btrieve::Bytes(data, data + size), salvage, limit);

  // Writes: each of the last 12 input bytes picks an operation and shapes its record.
  const std::size_t script = size < 12 ? size : 12;
  for (std::size_t i = size - script; i < size; ++i) {
    const std::uint8_t op = data[i];
    const int key_number = file->layout().keys.empty() ? -1 : file->layout().keys[0].number;
    btrieve::Bytes made(file->layout().record_length + (op & 0x0F) * 37u, op);
    for (std::size_t b = 0; b < made.size(); ++b) {
      made[b] = static_cast<std::uint8_t>(data[(b * 131 + i) % size] ^ op);
    }
    switch (op % 4) {
      case 0:
      case 1:
        file->Insert(key_number, &made).IgnoreError();
        break;
      case 2:
        if (key_number >= 0 && file->GetFirst(key_number, &key, &record).ok()) {
          file->Update(key_number, made).IgnoreError();
        }
        break;
      default:
        if (file->StepLast(&record).ok()) file->Delete().IgnoreError();
        break;
    }
  }
  keys.clear();
  for (const btrieve::KeyLayout& plan : file->layout().keys) keys.emplace_back(plan.number, 0);
  for (const auto& [number, unused] : keys) {
    steps = 0;
    for (auto s = file->GetFirst(number, &key, &record); s.ok() && steps < limit;
         s = file->GetNext(number, &key, &record)) {
      ++steps;
    }
  }
  btrieve::CheckFile(*file);
  return 0;
}
