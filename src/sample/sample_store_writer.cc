#include "sample/sample_store_writer.h"

#include <system_error>

#include "btrieve/dictionary.h"
#include "btrieve/table.h"
#include "platform/file_io.h"
#include "posdata/dbsm_catalogue.h"

namespace kez {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDictionaryFiles[] = {"FILE.DDF", "FIELD.DDF", "INDEX.DDF"};
constexpr const char* kSuiteIni = "KEZ.INI";
// Larger pages than the program's own creation size: the sample files are loaded in bulk and read
// in long runs.
constexpr std::uint16_t kPageSize = 4096;

std::string Describe(const btrieve::Status& status) { return status.ToString(); }

}  // namespace

SampleStoreWriter::SampleStoreWriter(fs::path folder, fs::path work, int file_number)
    : folder_(std::move(folder)), work_(std::move(work)), file_number_(file_number) {}

SampleStoreWriter::~SampleStoreWriter() {
  for (auto& file : files_) file.reset();
  std::error_code ignored;
  if (!finished_) fs::remove_all(work_, ignored);
}

std::vector<std::string> SampleStoreWriter::FileNames() const {
  std::vector<std::string> names(std::begin(kDictionaryFiles), std::end(kDictionaryFiles));
  for (int table = 0; table < kTableCount; ++table) {
    names.push_back(KezDataFileName(table, file_number_));
  }
  names.push_back(kSuiteIni);
  return names;
}

bool SampleStoreWriter::Start(const fs::path& folder, int file_number, bool replace,
                              std::unique_ptr<SampleStoreWriter>* out, std::string* error) {
  std::error_code code;
  const fs::path target = fs::absolute(folder, code);
  if (code || target.filename().empty()) {
    *error = folder.string() + ": not a usable folder name";
    return false;
  }
  std::unique_ptr<SampleStoreWriter> writer(new SampleStoreWriter(
      target, target.parent_path() / ("." + target.filename().string() + ".sample-tmp"),
      file_number));
  if (!replace) {
    for (const std::string& name : writer->FileNames()) {
      if (fs::exists(btrieve::ResolvePath(target, name), code)) {
        *error = target.string() + " already holds " + name + "; give --replace to replace it";
        return false;
      }
    }
  }
  fs::remove_all(writer->work_, code);
  if (!fs::create_directories(writer->work_, code)) {
    *error = writer->work_.string() + ": " + code.message();
    return false;
  }
  std::vector<btrieve::TableDef> tables = KezTableDefs();
  for (int table = 0; table < kTableCount; ++table) {
    tables[static_cast<std::size_t>(table)].location = KezDataFileName(table, file_number);
  }
  if (btrieve::Status s = btrieve::WriteDictionary(writer->work_, tables); !s.ok()) {
    *error = "dictionary: " + Describe(s);
    return false;
  }
  for (int table = 0; table < kTableCount; ++table) {
    const fs::path file = writer->work_ / KezDataFileName(table, file_number);
    btrieve::Table creator;
    creator.set_dictionary_location(writer->work_);
    creator.set_table_name(KezTableDef(table).name);
    creator.set_file_name(file);
    creator.set_create_page_size(kPageSize);
    if (btrieve::Status s = creator.Create(); !s.ok()) {
      *error = KezTableDef(table).name + ": " + Describe(s);
      return false;
    }
    btrieve::OpenOptions options;
    options.writable = true;
    auto& opened = writer->files_[static_cast<std::size_t>(table)];
    if (btrieve::Status s = btrieve::File::Open(file, &opened, options); !s.ok()) {
      *error = KezTableDef(table).name + ": " + Describe(s);
      return false;
    }
    if (btrieve::Status s = opened->BeginBulk(); !s.ok()) {
      *error = KezTableDef(table).name + ": " + Describe(s);
      return false;
    }
  }
  *out = std::move(writer);
  return true;
}

bool SampleStoreWriter::Add(const RecordBuffer& record, std::string* error) {
  const int table = record.table();
  const btrieve::TableDef& layout = KezTableDef(table);
  record_.assign(layout.RecordLength(), 0);
  for (int field = 0; field < record.field_count(); ++field) {
    if (btrieve::Status s = btrieve::EncodeField(record.field(field), record.Value(field), record_);
        !s.ok()) {
      *error = layout.name + " record " + std::to_string(counts_[table] + 1) + ", field " +
               record.field(field).name + ": " + Describe(s);
      return false;
    }
  }
  if (btrieve::Status s = files_[static_cast<std::size_t>(table)]->Insert(0, &record_); !s.ok()) {
    *error = layout.name + " record " + std::to_string(counts_[table] + 1) + ": " + Describe(s);
    return false;
  }
  ++counts_[static_cast<std::size_t>(table)];
  return true;
}

bool SampleStoreWriter::Finish(std::string_view kez_ini, std::string* error) {
  for (int table = 0; table < kTableCount; ++table) {
    auto& file = files_[static_cast<std::size_t>(table)];
    if (btrieve::Status s = file->EndBulk(); !s.ok()) {
      *error = KezTableDef(table).name + ": " + Describe(s);
      return false;
    }
    file.reset();
  }
  if (!ReplaceFileAtomically(work_ / kSuiteIni, kez_ini, FileAccess::kShared, error)) {
    return false;
  }
  std::error_code code;
  fs::create_directories(folder_, code);
  for (const std::string& name : FileNames()) {
    // An existing file of the same name in another letter case is the one replaced.
    const fs::path existing = btrieve::ResolvePath(folder_, name);
    fs::rename(work_ / name, fs::exists(existing, code) ? existing : folder_ / name, code);
    if (code) {
      *error = (folder_ / name).string() + ": " + code.message();
      return false;
    }
  }
  fs::remove_all(work_, code);
  finished_ = true;
  return true;
}

}  // namespace kez
