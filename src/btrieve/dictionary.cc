#include "btrieve/dictionary.h"

#include <algorithm>
#include <map>
#include <memory>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"

namespace btrieve {
namespace {

constexpr std::uint8_t kConstraintNameRow = 227;
constexpr std::uint8_t kIndexNameRow = 255;

std::string Text(const Bytes& record, std::size_t offset, std::size_t size) {
  if (offset >= record.size()) return {};
  size = std::min(size, record.size() - offset);
  std::string text(reinterpret_cast<const char*>(record.data() + offset), size);
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// Reads every record of one dictionary file in physical order.
Status ReadAll(const std::filesystem::path& path, std::size_t min_length, std::vector<Bytes>* out) {
  std::unique_ptr<File> file;
  if (Status s = File::Open(path, &file); !s.ok()) return s;
  Bytes record;
  Status status = file->StepFirst(&record);
  for (; status.ok(); status = file->StepNext(&record)) {
    if (record.size() < min_length) {
      return Status(kIoError, path.string() + ": dictionary record of " +
                                  std::to_string(record.size()) + " bytes is too short");
    }
    out->push_back(record);
  }
  return status.code() == kEndOfFile ? Status::Ok() : status;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  a = TrimRight(a);
  b = TrimRight(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::filesystem::path ResolvePath(const std::filesystem::path& folder, std::string_view relative) {
  std::filesystem::path exact = folder;
  std::filesystem::path found = folder;
  bool matching = true;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string part(relative.substr(start, end - start));
    start = end + 1;
    if (part.empty() || part == ".") continue;
    exact /= part;
    if (!matching) continue;
    std::error_code error;
    if (std::filesystem::exists(found / part, error)) {
      found /= part;
      continue;
    }
    matching = false;
    for (const auto& entry : std::filesystem::directory_iterator(found, error)) {
      if (SameName(entry.path().filename().string(), part)) {
        found = entry.path();
        matching = true;
        break;
      }
    }
  }
  return matching ? found : exact;
}

const FieldDef* TableDef::FindField(std::string_view field_name) const {
  for (const FieldDef& field : fields) {
    if (SameName(field.name, field_name)) return &field;
  }
  return nullptr;
}

std::uint32_t TableDef::RecordLength() const {
  std::uint32_t length = 0;
  for (const FieldDef& field : fields) {
    length = std::max<std::uint32_t>(length, static_cast<std::uint32_t>(field.offset) + field.size);
  }
  return length;
}

const TableDef* Dictionary::FindTable(std::string_view table_name) const {
  for (const TableDef& table : tables_) {
    if (SameName(table.name, table_name)) return &table;
  }
  return nullptr;
}

std::filesystem::path Dictionary::DataFile(const TableDef& table) const {
  std::string_view location = table.location;
  // A location with a drive ("C:\DATA\x.dat") cannot be followed here; the file's own name is
  // looked for in the dictionary folder.
  if (location.size() > 1 && location[1] == ':') {
    const std::size_t slash = location.find_last_of("/\\");
    location = location.substr(slash == std::string_view::npos ? 2 : slash + 1);
  }
  return ResolvePath(folder_, location);
}

Status Dictionary::Load(const std::filesystem::path& folder, Dictionary* out) {
  Dictionary result;
  result.folder_ = folder;
  std::vector<Bytes> files;
  std::vector<Bytes> fields;
  std::vector<Bytes> indexes;
  if (Status s = ReadAll(ResolvePath(folder, "FILE.DDF"), 87, &files); !s.ok()) return s;
  if (Status s = ReadAll(ResolvePath(folder, "FIELD.DDF"), 32, &fields); !s.ok()) return s;
  const std::filesystem::path index_path = ResolvePath(folder, "INDEX.DDF");
  std::error_code error;
  if (std::filesystem::exists(index_path, error)) {
    if (Status s = ReadAll(index_path, 10, &indexes); !s.ok()) return s;
  }

  std::map<std::uint16_t, std::size_t> by_id;
  for (const Bytes& record : files) {
    TableDef table;
    table.id = LoadU16(&record[0]);
    table.name = Text(record, 2, 20);
    table.location = Text(record, 22, 64);
    table.flags = record[86];
    by_id[table.id] = result.tables_.size();
    result.tables_.push_back(std::move(table));
  }
  for (const Bytes& record : fields) {
    FieldDef field;
    field.id = LoadU16(&record[0]);
    const std::uint16_t file_id = LoadU16(&record[2]);
    field.name = Text(record, 4, 20);
    field.type = record[24];
    field.offset = LoadU16(&record[25]);
    field.size = LoadU16(&record[27]);
    field.decimals = record[29];
    field.flags = LoadU16(&record[30]);
    const auto table = by_id.find(file_id);
    if (table == by_id.end() || field.type == kConstraintNameRow || field.type == kIndexNameRow) {
      continue;
    }
    result.tables_[table->second].fields.push_back(std::move(field));
  }
  for (TableDef& table : result.tables_) {
    std::stable_sort(table.fields.begin(), table.fields.end(),
                     [](const FieldDef& a, const FieldDef& b) { return a.id < b.id; });
  }
  // Key and segment numbers are 0-based in current dictionaries and 1-based in old ones:
  // each table's numbers are shifted so that its lowest becomes 0.
  std::map<std::uint16_t, std::pair<int, int>> lowest;
  for (const Bytes& record : indexes) {
    const std::uint16_t file_id = LoadU16(&record[0]);
    auto [it, added] = lowest.try_emplace(file_id, 1 << 16, 1 << 16);
    it->second.first = std::min<int>(it->second.first, LoadU16(&record[4]));
    it->second.second = std::min<int>(it->second.second, LoadU16(&record[6]));
  }
  for (const Bytes& record : indexes) {
    const std::uint16_t file_id = LoadU16(&record[0]);
    const auto table = by_id.find(file_id);
    if (table == by_id.end()) continue;
    IndexSegmentDef segment;
    segment.field_id = LoadU16(&record[2]);
    segment.key = LoadU16(&record[4]) - lowest[file_id].first;
    segment.part = LoadU16(&record[6]) - lowest[file_id].second;
    segment.flags = LoadU16(&record[8]);
    result.tables_[table->second].index.push_back(segment);
  }
  for (TableDef& table : result.tables_) {
    std::stable_sort(table.index.begin(), table.index.end(),
                     [](const IndexSegmentDef& a, const IndexSegmentDef& b) {
                       return a.key != b.key ? a.key < b.key : a.part < b.part;
                     });
  }
  *out = std::move(result);
  return Status::Ok();
}

Status WriteDictionary(const std::filesystem::path&, const std::vector<TableDef>&) {
  return Status(kInvalidOperation, "not yet");
}

}  // namespace btrieve
