// Opens arbitrary bytes as a data file and reads everything a program could ask of it: every key
// in both directions, searches, and the physical order in both directions.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "btrieve/consistency.h"
#include "btrieve/file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<btrieve::File> file;
  if (!btrieve::File::OpenBytes(btrieve::Bytes(data, data + size), "fuzz", &file).ok()) return 0;
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
  for (const btrieve::KeySpec& spec : file->layout().keys) {
    for (auto s = file->GetFirst(spec.number, &key, &record); s.ok() && steps < limit;
         s = file->GetNext(spec.number, &key, &record)) {
      ++steps;
    }
    for (auto s = file->GetLast(spec.number, &key, &record); s.ok() && steps < limit;
         s = file->GetPrevious(spec.number, &key, &record)) {
      ++steps;
    }
    key.assign(spec.key_length, size > 0 ? data[size / 2] : 0);
    file->GetGreaterOrEqual(spec.number, &key, &record).IgnoreError();
    file->GetLessOrEqual(spec.number, &key, &record).IgnoreError();
    file->GetEqual(spec.number, &key, &record).IgnoreError();
  }
  btrieve::CheckFile(*file);
  return 0;
}
