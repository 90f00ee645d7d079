#include "btrieve/dictionary.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/engine.h"
#include "btrieve/file.h"
#include "btrieve/file_creator.h"
#include "btrieve/operation.h"

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
Status ReadAll(Engine& engine, const std::filesystem::path& path, std::size_t min_length,
               std::vector<Bytes>* out) {
  std::unique_ptr<EngineFile> file;
  EngineOpen how;
  how.mode = kOpenReadOnly;
  if (Status s = engine.Open(path, how, &file); !s.ok()) return s;
  Bytes key;
  Bytes record;
  Status status = file->Call(kOpStepFirst, 0, &key, &record);
  for (; status.ok(); status = file->Call(kOpStepNext, 0, &key, &record)) {
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
  return Load(folder, *NewBuiltInEngine(), out);
}

Status Dictionary::Load(const std::filesystem::path& folder, Engine& engine, Dictionary* out) {
  Dictionary result;
  result.folder_ = folder;
  std::vector<Bytes> files;
  std::vector<Bytes> fields;
  std::vector<Bytes> indexes;
  if (Status s = ReadAll(engine, ResolvePath(folder, "FILE.DDF"), 87, &files); !s.ok()) return s;
  if (Status s = ReadAll(engine, ResolvePath(folder, "FIELD.DDF"), 32, &fields); !s.ok()) return s;
  const std::filesystem::path index_path = ResolvePath(folder, "INDEX.DDF");
  std::error_code error;
  if (std::filesystem::exists(index_path, error)) {
    if (Status s = ReadAll(engine, index_path, 10, &indexes); !s.ok()) return s;
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

namespace {

// Dictionary index flags (not the engine's key flags).
constexpr std::uint16_t kIndexDuplicates = 0x0001;
constexpr std::uint16_t kIndexModifiable = 0x0002;
constexpr std::uint16_t kIndexCaseInsensitive = 0x0020;

void PutText(Bytes* record, std::size_t offset, std::size_t size, std::string_view text) {
  std::memset(record->data() + offset, ' ', size);
  std::memcpy(record->data() + offset, text.data(), std::min(size, text.size()));
}

FieldDef Field(std::string name, std::uint8_t type, std::uint16_t offset, std::uint16_t size) {
  FieldDef field;
  field.name = std::move(name);
  field.type = type;
  field.offset = offset;
  field.size = size;
  return field;
}

// The dictionary's own three tables, described in themselves.
std::vector<TableDef> DictionaryTables() {
  TableDef file;
  file.name = "X$File";
  file.location = "FILE.DDF";
  file.flags = 16;
  file.fields = {Field("Xf$Id", kTypeInteger, 0, 2), Field("Xf$Name", kTypeString, 2, 20),
                 Field("Xf$Loc", kTypeString, 22, 64), Field("Xf$Flags", kTypeInteger, 86, 1),
                 Field("Xf$Reserved", kTypeString, 87, 10)};
  file.index = {{0, 0, 0, 0}, {1, 0, 1, kIndexCaseInsensitive}};
  TableDef field;
  field.name = "X$Field";
  field.location = "FIELD.DDF";
  field.flags = 16;
  field.fields = {
      Field("Xe$Id", kTypeInteger, 0, 2),      Field("Xe$File", kTypeInteger, 2, 2),
      Field("Xe$Name", kTypeString, 4, 20),    Field("Xe$DataType", kTypeInteger, 24, 1),
      Field("Xe$Offset", kTypeInteger, 25, 2), Field("Xe$Size", kTypeInteger, 27, 2),
      Field("Xe$Dec", kTypeInteger, 29, 1),    Field("Xe$Flags", kTypeInteger, 30, 2)};
  field.index = {{0, 0, 0, 0},
                 {1, 0, 1, kIndexDuplicates},
                 {2, 0, 2, kIndexDuplicates | kIndexCaseInsensitive},
                 {3, 0, 1, 0x0010},
                 {3, 1, 2, kIndexCaseInsensitive}};
  TableDef index;
  index.name = "X$Index";
  index.location = "INDEX.DDF";
  index.flags = 16;
  index.fields = {Field("Xi$File", kTypeInteger, 0, 2), Field("Xi$Field", kTypeInteger, 2, 2),
                  Field("Xi$Number", kTypeInteger, 4, 2), Field("Xi$Part", kTypeInteger, 6, 2),
                  Field("Xi$Flags", kTypeInteger, 8, 2)};
  index.index = {{0, 0, 0, kIndexDuplicates},
                 {1, 0, 1, kIndexDuplicates},
                 {2, 0, 0, 0x0010},
                 {2, 1, 2, 0x0010},
                 {2, 2, 3, 0}};
  std::vector<TableDef> tables = {file, field, index};
  for (TableDef& table : tables) {
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
      table.fields[i].id = static_cast<std::uint16_t>(i);
    }
  }
  return tables;
}

// Writes one dictionary file from its own definition and its records.
Status WriteDictionaryFile(const std::filesystem::path& path, const TableDef& table,
                           const std::vector<Bytes>& records) {
  FilePlan plan;
  Status status = PlanFromDefinition(table, {}, &plan);
  if (!status.ok()) return status;
  plan.page_size = 4096;
  if (Status s = CreateFile(path, plan, true); !s.ok()) return s;
  std::unique_ptr<File> file;
  OpenOptions options;
  options.writable = true;
  if (Status s = File::Open(path, &file, options); !s.ok()) return s;
  if (Status s = file->BeginBulk(); !s.ok()) return s;
  for (Bytes record : records) {
    if (Status s = file->Insert(0, &record); !s.ok()) return s.Prefix(path.string());
  }
  return file->EndBulk();
}

}  // namespace

Status PlanFromDefinition(const TableDef& table, const std::vector<CollatingSequence>& acs,
                          FilePlan* plan) {
  *plan = FilePlan();
  plan->record_length = static_cast<std::uint16_t>(table.RecordLength());
  plan->collating_sequences = acs;
  for (const IndexSegmentDef& part : table.index) {
    if (part.key < 0 || part.key > 118) {
      return Status(kInvalidNumberOfKeys, table.name + ": key number " + std::to_string(part.key));
    }
    if (static_cast<std::size_t>(part.key) >= plan->keys.size()) {
      plan->keys.resize(static_cast<std::size_t>(part.key) + 1);
    }
    const FieldDef* field = nullptr;
    for (const FieldDef& candidate : table.fields) {
      if (candidate.id == part.field_id) field = &candidate;
    }
    if (field == nullptr) {
      return Status(kInvalidKeyPosition, table.name + ": key " + std::to_string(part.key) +
                                             " names field " + std::to_string(part.field_id) +
                                             ", which the table lacks");
    }
    SegmentPlan segment;
    segment.position = field->offset;
    segment.length = field->size;
    segment.type = field->type == kTypeUnsignedBinary || field->type <= kTypeZstring ||
                           field->type == kTypeAutoIncrement || field->type == kTypeCurrency ||
                           field->type == kTypeTimestamp
                       ? field->type
                       : std::uint8_t{kTypeString};
    segment.flags = static_cast<std::uint16_t>(
        ((part.flags & kIndexDuplicates) ? kKeyDuplicates : 0) |
        ((part.flags & kIndexModifiable) ? kKeyModifiable : 0) |
        ((part.flags & 0x0008) ? kKeyNullAll : 0) | ((part.flags & 0x0040) ? kKeyDescending : 0) |
        ((part.flags & kIndexCaseInsensitive) ? kKeyCaseInsensitive : 0));
    if (part.flags & 0x0004) {
      if (acs.empty()) {
        return Status(kInvalidAcs, table.name + ": key " + std::to_string(part.key) +
                                       " uses a collating sequence and none is available");
      }
      segment.flags |= kKeyAlternateCollation;
      segment.acs = 0;
    }
    plan->keys[static_cast<std::size_t>(part.key)].segments.push_back(segment);
  }
  // A key's flags are those of its first segment.
  for (KeyDef& key : plan->keys) {
    for (SegmentPlan& segment : key.segments) {
      const std::uint16_t shared = kKeyDuplicates | kKeyModifiable | kKeyNullAll;
      segment.flags =
          static_cast<std::uint16_t>((segment.flags & ~shared) | (key.segments[0].flags & shared));
    }
  }
  return Status::Ok();
}

Status WriteDictionary(const std::filesystem::path& folder, const std::vector<TableDef>& tables) {
  std::vector<TableDef> all = DictionaryTables();
  all.insert(all.end(), tables.begin(), tables.end());
  std::vector<Bytes> files;
  std::vector<Bytes> fields;
  std::vector<Bytes> indexes;
  std::uint16_t next_table = 1;
  std::uint16_t next_field = 1;
  for (const TableDef& table : all) {
    const std::uint16_t table_id = table.id != 0 ? table.id : next_table;
    next_table = static_cast<std::uint16_t>(std::max<int>(next_table, table_id) + 1);
    Bytes file(97, 0);
    StoreU16(file.data(), table_id);
    PutText(&file, 2, 20, table.name);
    PutText(&file, 22, 64, table.location);
    file[86] = table.flags;
    PutText(&file, 87, 10, "");
    files.push_back(std::move(file));
    std::map<std::uint16_t, std::uint16_t> field_ids;
    for (const FieldDef& def : table.fields) {
      const std::uint16_t field_id = next_field++;
      field_ids[def.id] = field_id;
      Bytes field(32, 0);
      StoreU16(field.data(), field_id);
      StoreU16(field.data() + 2, table_id);
      PutText(&field, 4, 20, def.name);
      field[24] = def.type;
      StoreU16(field.data() + 25, def.offset);
      StoreU16(field.data() + 27, def.size);
      field[29] = def.decimals;
      StoreU16(field.data() + 30, def.flags);
      fields.push_back(std::move(field));
    }
    for (const IndexSegmentDef& part : table.index) {
      Bytes index(10, 0);
      StoreU16(index.data(), table_id);
      // Definitions may name fields by their position (id 0..n-1 when ids were not given).
      const auto mapped = field_ids.find(part.field_id);
      StoreU16(index.data() + 2, mapped != field_ids.end() ? mapped->second : part.field_id);
      StoreU16(index.data() + 4, static_cast<std::uint16_t>(part.key));
      StoreU16(index.data() + 6, static_cast<std::uint16_t>(part.part));
      StoreU16(index.data() + 8, part.flags);
      indexes.push_back(std::move(index));
    }
  }
  // Written under temporary names and renamed together, so a failure leaves the old dictionary.
  const std::vector<TableDef> own = DictionaryTables();
  const std::vector<Bytes>* contents[] = {&files, &fields, &indexes};
  std::error_code error;
  for (int i = 0; i < 3; ++i) {
    const std::filesystem::path temporary = folder / (own[i].location + ".new");
    if (Status s = WriteDictionaryFile(temporary, own[i], *contents[i]); !s.ok()) {
      std::filesystem::remove(temporary, error);
      return s;
    }
  }
  for (int i = 0; i < 3; ++i) {
    std::filesystem::rename(folder / (own[i].location + ".new"),
                            ResolvePath(folder, own[i].location), error);
    if (error) return Status(kCreateIoError, folder.string() + ": " + error.message());
  }
  return Status::Ok();
}

}  // namespace btrieve
