#include "app/delivery_journal.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/date_text.h"
#include "platform/file_io.h"
#include "settings/sha256.h"

namespace kez {
namespace {

constexpr std::string_view kHeader = "# name\tsize\tsha256\tstate\twhen\treason";

std::string Stamp(const LocalDateTime& when) {
  return FormatDateKey(when) + " " + FormatHourMinute(when);
}

// A reason on one line and without the separator, whatever the server answered.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

std::optional<JournalEntry> ParseLine(std::string_view line) {
  const std::vector<std::string_view> fields = Split(line);
  if (fields.size() < 5) return std::nullopt;
  JournalEntry entry;
  entry.name = std::string(fields[0]);
  const auto [end, code] =
      std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), entry.size);
  if (code != std::errc() || end != fields[1].data() + fields[1].size()) return std::nullopt;
  entry.sha256 = std::string(fields[2]);
  if (fields[3] != "delivered" && fields[3] != "pending") return std::nullopt;
  entry.delivered = fields[3] == "delivered";
  entry.when = std::string(fields[4]);
  if (fields.size() > 5) entry.reason = std::string(fields[5]);
  return entry;
}

}  // namespace

std::optional<FileDigest> DigestOf(const std::filesystem::path& file) {
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(file, &bytes, &error)) return std::nullopt;
  return FileDigest{static_cast<std::int64_t>(bytes.size()), clsSHA256().SHA256(bytes)};
}

DeliveryJournal DeliveryJournal::Open(const std::filesystem::path& folder,
                                      const ReportFileDay& day_of, const LocalDateTime& now,
                                      std::string* error) {
  DeliveryJournal journal(folder, day_of);
  const std::filesystem::path file = folder / kDeliveryJournalName;
  std::error_code code;
  if (std::filesystem::exists(file, code)) {
    std::string text;
    if (!ReadWholeFile(file, &text, error)) return journal;
    std::string_view rest = text;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.empty() || line.front() == '#') continue;
      if (auto entry = ParseLine(line)) journal.entries_.push_back(std::move(*entry));
    }
    return journal;
  }
  // No journal yet: what lies here was made and, as far as anyone can tell, sent before us.
  for (const auto& item : std::filesystem::directory_iterator(folder, code)) {
    const std::string name = item.path().filename().string();
    if (!item.is_regular_file(code) || !day_of(name)) continue;
    journal.MarkDelivered(item.path(), now);
  }
  std::sort(journal.entries_.begin(), journal.entries_.end(),
            [](const JournalEntry& a, const JournalEntry& b) { return a.name < b.name; });
  if (std::filesystem::is_directory(folder, code)) journal.Save(error);
  return journal;
}

JournalEntry& DeliveryJournal::EntryOf(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  for (JournalEntry& entry : entries_) {
    if (entry.name == name) return entry;
  }
  JournalEntry entry;
  entry.name = name;
  entries_.push_back(std::move(entry));
  return entries_.back();
}

const JournalEntry* DeliveryJournal::Find(std::string_view name) const {
  for (const JournalEntry& entry : entries_) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

bool DeliveryJournal::IsDelivered(const std::filesystem::path& file) const {
  const JournalEntry* entry = Find(file.filename().string());
  if (entry == nullptr || !entry->delivered) return false;
  const std::optional<FileDigest> digest = DigestOf(file);
  return digest && digest->size == entry->size && digest->sha256 == entry->sha256;
}

void DeliveryJournal::MarkDelivered(const std::filesystem::path& file, const LocalDateTime& when) {
  const std::optional<FileDigest> digest = DigestOf(file);
  JournalEntry& entry = EntryOf(file);
  entry.size = digest ? digest->size : 0;
  entry.sha256 = digest ? digest->sha256 : std::string();
  entry.delivered = digest.has_value();
  entry.when = Stamp(when);
  entry.reason = digest ? std::string() : "the file could not be read after its upload";
}

void DeliveryJournal::MarkFailed(const std::filesystem::path& file, std::string_view reason,
                                 const LocalDateTime& when) {
  JournalEntry& entry = EntryOf(file);
  entry.delivered = false;
  entry.when = Stamp(when);
  entry.reason = OneLine(reason);
}

std::vector<std::filesystem::path> DeliveryJournal::Pending(int days,
                                                            const LocalDateTime& today) const {
  const std::string first_day = FormatDateKey(AddDays(today, -(days - 1)));
  const std::string last_day = FormatDateKey(today);
  std::vector<std::pair<std::string, std::filesystem::path>> found;
  std::error_code code;
  for (const auto& item : std::filesystem::directory_iterator(folder_, code)) {
    const std::string name = item.path().filename().string();
    if (!item.is_regular_file(code)) continue;
    const std::optional<LocalDateTime> day = day_of_(name);
    if (!day) continue;
    const std::string key = FormatDateKey(*day);
    if (key < first_day || key > last_day || IsDelivered(item.path())) continue;
    found.emplace_back(key + "\t" + name, item.path());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::filesystem::path> pending;
  for (auto& [key, path] : found) pending.push_back(std::move(path));
  return pending;
}

std::vector<PendingFile> DeliveryJournal::PendingWithReasons(int days,
                                                             const LocalDateTime& today) const {
  std::vector<PendingFile> pending;
  for (std::filesystem::path& file : Pending(days, today)) {
    const JournalEntry* entry = Find(file.filename().string());
    const bool tried = entry != nullptr && !entry->reason.empty();
    pending.push_back({std::move(file), tried ? entry->when : std::string(),
                       tried ? entry->reason : std::string("not tried yet")});
  }
  return pending;
}

bool DeliveryJournal::Save(std::string* error) const {
  std::string text(kHeader);
  text += "\r\n";
  for (const JournalEntry& entry : entries_) {
    text += entry.name + '\t' + std::to_string(entry.size) + '\t' + entry.sha256 + '\t' +
            (entry.delivered ? "delivered" : "pending") + '\t' + entry.when + '\t' +
            OneLine(entry.reason) + "\r\n";
  }
  return ReplaceFileAtomically(folder_ / kDeliveryJournalName, text, FileAccess::kShared, error);
}

}  // namespace kez
