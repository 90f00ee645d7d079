#include "btrieve/rebuild.h"

#include <algorithm>
#include <map>
#include <memory>
#include <queue>
#include <unordered_map>
#include <vector>

#include "btrieve/file.h"
#include "btrieve/file_creator.h"

namespace btrieve {
namespace {

struct SourceRecord {
  std::uint32_t address;
  Bytes data;
};

// Orders the records so that, for every key, records with equal keys come in the order the
// source's key path gives them: a topological order of "comes before" pairs, ties by address.
std::vector<std::size_t> InsertionOrder(File& source, const std::vector<SourceRecord>& records,
                                        RebuildReport* report) {
  std::unordered_map<std::uint32_t, std::size_t> index;
  for (std::size_t i = 0; i < records.size(); ++i) index[records[i].address] = i;
  std::vector<std::vector<std::size_t>> after(records.size());
  std::vector<std::size_t> waiting(records.size(), 0);
  // A read that meets damage or another process's commit reads the file's structures again, the
  // key list with them: the keys are taken by number first.
  std::vector<int> duplicate_keys;
  for (const KeyLayout& key : source.layout().keys) {
    if (key.duplicates()) duplicate_keys.push_back(key.number);
  }
  for (const int number : duplicate_keys) {
    Bytes value;
    Bytes previous_value;
    Bytes record;
    std::size_t previous = SIZE_MAX;
    for (Status s = source.GetFirst(number, &value, &record); s.ok();
         s = source.GetNext(number, &value, &record)) {
      std::uint32_t position = 0;
      if (!source.GetPosition(&position).ok()) break;
      const auto found = index.find(position);
      if (found == index.end()) continue;
      if (previous != SIZE_MAX && value == previous_value) {
        after[previous].push_back(found->second);
        ++waiting[found->second];
      }
      previous = found->second;
      previous_value = value;
    }
  }
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> ready;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (waiting[i] == 0) ready.push(i);
  }
  std::vector<std::size_t> order;
  std::vector<bool> placed(records.size(), false);
  while (order.size() < records.size()) {
    if (ready.empty()) {
      // A cycle: chains of different keys disagree. The earliest record not yet placed goes next.
      ++report->chain_conflicts;
      std::size_t next = 0;
      while (placed[next]) ++next;
      waiting[next] = 0;
      ready.push(next);
    }
    const std::size_t i = ready.top();
    ready.pop();
    if (placed[i]) continue;
    placed[i] = true;
    order.push_back(i);
    for (std::size_t j : after[i]) {
      if (!placed[j] && waiting[j] > 0 && --waiting[j] == 0) ready.push(j);
    }
  }
  return order;
}

}  // namespace

Status RebuildFile(const std::filesystem::path& source_path,
                   const std::filesystem::path& destination, const RebuildOptions& options,
                   RebuildReport* report) {
  *report = RebuildReport();
  std::unique_ptr<File> source;
  // A damaged file is what rebuilding is for: every record that can still be read is kept.
  OpenOptions salvage;
  salvage.salvage = true;
  if (Status s = File::Open(source_path, &source, salvage); !s.ok()) return s;
  std::vector<SourceRecord> records;
  Bytes data;
  Status status = source->StepFirst(&data);
  for (; status.ok(); status = source->StepNext(&data)) {
    std::uint32_t position = 0;
    if (Status s = source->GetPosition(&position); !s.ok()) return s;
    records.push_back({position, data});
  }
  if (status.code() != kEndOfFile) return status;

  FilePlan plan = PlanFromLayout(source->layout());
  plan.format = options.format.value_or(Format::kNew);
  if (options.page_size) plan.page_size = *options.page_size;
  if (source->layout().compressed()) {
    // Compressed records have no fixed part; the shortest record becomes it.
    std::size_t shortest = records.empty() ? 1 : SIZE_MAX;
    std::size_t longest = 0;
    for (const SourceRecord& r : records) {
      shortest = std::min(shortest, r.data.size());
      longest = std::max(longest, r.data.size());
    }
    for (const KeyDef& key : plan.keys) {
      for (const SegmentPlan& seg : key.segments) {
        shortest = std::max<std::size_t>(shortest, seg.position + seg.length);
      }
    }
    plan.record_length = static_cast<std::uint16_t>(shortest);
    plan.variable_length = longest > shortest;
  }
  for (const KeyLayout& key : source->layout().keys) {
    if (!source->FallbackReason(key.number).empty()) {
      report->source_notes += source->FallbackReason(key.number) + "\n";
    }
  }
  const std::vector<std::size_t> order = InsertionOrder(*source, records, report);

  if (Status s = CreateFile(destination, plan, false); !s.ok()) return s;
  std::unique_ptr<File> target;
  OpenOptions writable;
  writable.writable = true;
  if (Status s = File::Open(destination, &target, writable); !s.ok()) return s;
  target->set_assign_autoincrement(false);
  if (Status s = target->BeginBulk(); !s.ok()) return s;
  for (std::size_t i : order) {
    Bytes record = records[i].data;
    if (record.size() < plan.record_length) record.resize(plan.record_length, 0);
    if (Status s = target->Insert(-1, &record); !s.ok()) {
      return s.Prefix("record at " + std::to_string(records[i].address) + " of " +
                      source_path.string());
    }
    ++report->records;
  }
  return target->EndBulk();
}

}  // namespace btrieve
