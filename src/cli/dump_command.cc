// kezagg dump: the records of a data file, raw (hex) or decoded through a dictionary, or a KEZ
// table read as the program reads it: through the catalogue, the record layer and the table's
// record buffer.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/app_dir.h"
#include "btrieve/file.h"
#include "btrieve/operation.h"
#include "btrieve/table.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/data_path_option.h"
#include "cli/engine_option.h"
#include "cli/hex_lines.h"
#include "platform/number_text.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"

namespace kez::cli {
namespace {

struct DumpOptions {
  bool raw = false;
  std::string dictionary;
  std::string data_path;
  std::string target;  // the data file (--raw) or the table name
  std::optional<int> key;
  std::string format = "csv";
  bool salvage = false;
};

int DumpRaw(const DumpOptions& options) {
  std::unique_ptr<btrieve::File> file;
  btrieve::OpenOptions open;
  open.salvage = options.salvage;
  if (btrieve::Status s = btrieve::File::Open(options.target, &file, open); !s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  btrieve::Bytes record;
  btrieve::Bytes key;
  HexLines lines(stdout);
  btrieve::Status status =
      options.key ? file->GetFirst(*options.key, &key, &record) : file->StepFirst(&record);
  if (status.ok()) lines.Add(record.data(), record.size());
  // A few hundred records a read: the pages they lie on stay small beside the cache.
  constexpr std::size_t kBatch = 256;
  btrieve::RecordBatch batch;
  while (status.ok()) {
    status = options.key ? file->GetNextBatch(*options.key, kBatch, &batch)
                         : file->StepNextBatch(kBatch, &batch);
    for (std::size_t i = 0; status.ok() && i < batch.size(); ++i) {
      lines.Add(batch[i].data(), batch[i].size());
    }
  }
  // The records before a failure are out before its message.
  lines.Flush();
  std::fflush(stdout);
  if (status.code() != btrieve::kEndOfFile) {
    std::fprintf(stderr, "%s\n", status.ToString().c_str());
    return 1;
  }
  if (options.key) {
    if (std::string reason = file->FallbackReason(*options.key); !reason.empty()) {
      std::fprintf(stderr, "note: %s\n", reason.c_str());
    }
  }
  return 0;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string DisplayText(const btrieve::FieldValue& value);

// A 4-byte float keeps the digits a single holds (0.07, not 0.0700000002980232).
btrieve::FieldValue Shown(const btrieve::FieldDef& field, btrieve::FieldValue value) {
  constexpr std::uint8_t kFloatType = 2;
  const auto* d = std::get_if<double>(&value);
  if (d == nullptr || field.type != kFloatType || field.size != 4) return value;
  return std::stod(SingleText(static_cast<float>(*d)));
}

nlohmann::json JsonValue(const btrieve::FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (std::holds_alternative<std::monostate>(value)) return nullptr;
  return DisplayText(value);  // text, and currency kept exact as decimal text
}

// Text fields padded with zero bytes show up to the first one.
std::string DisplayText(const btrieve::FieldValue& value) {
  std::string text = btrieve::FieldValueText(value);
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

void PrintLine(std::string line) {
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void PrintDecoded(const btrieve::Table& table, bool csv) {
  const btrieve::TableDef& definition = *table.definition();
  if (csv) {
    std::string line;
    for (std::size_t i = 0; i < definition.fields.size(); ++i) {
      if (i > 0) line += ',';
      line += CsvField(
          DisplayText(Shown(definition.fields[i], table.GetField(static_cast<int>(i)).value)));
    }
    PrintLine(std::move(line));
    return;
  }
  nlohmann::json object = nlohmann::json::object();
  for (std::size_t i = 0; i < definition.fields.size(); ++i) {
    object[definition.fields[i].name] =
        JsonValue(Shown(definition.fields[i], table.GetField(static_cast<int>(i)).value));
  }
  PrintLine(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

int DumpDecoded(const DumpOptions& options, std::shared_ptr<btrieve::Engine> engine) {
  if (options.format != "csv" && options.format != "jsonl") {
    std::fprintf(stderr, "dump: --format is csv or jsonl\n");
    return 2;
  }
  btrieve::Table table;
  table.set_engine(std::move(engine));
  table.set_dictionary_location(options.dictionary);
  table.set_table_name(options.target);
  table.set_salvage(options.salvage);
  if (btrieve::Status s = table.Open(); !s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  const bool csv = options.format == "csv";
  if (csv) {
    std::string header;
    for (const btrieve::FieldDef& field : table.definition()->fields) {
      header += (header.empty() ? "" : ",") + CsvField(field.name);
    }
    PrintLine(std::move(header));
  }
  table.set_key_number(options.key.value_or(0));
  int status = table.Perform(options.key ? btrieve::kOpGetFirst : btrieve::kOpStepFirst);
  while (status == 0) {
    PrintDecoded(table, csv);
    status = table.Perform(options.key ? btrieve::kOpGetNext : btrieve::kOpStepNext);
  }
  if (status != btrieve::kEndOfFile) {
    std::fprintf(stderr, "%s\n", table.last_status().ToString().c_str());
    return 1;
  }
  return 0;
}

// The table's records through the record layer: physical order, or key order with --key.
int DumpCatalogue(const DumpOptions& options, std::shared_ptr<btrieve::Engine> engine) {
  if (options.format != "csv" && options.format != "jsonl") {
    std::fprintf(stderr, "dump: --format is csv or jsonl\n");
    return 2;
  }
  const int table = TableNumber(options.target);
  if (table < 0) {
    std::fprintf(stderr, "dump: %s is none of COMMON, INVENTRY, SALESHEAD, UPC, SALESITEM, NAMES\n",
                 options.target.c_str());
    return 2;
  }
  std::string error;
  const std::optional<std::string> data_path = ResolveDataPath(options.data_path, &error);
  if (!data_path) {
    std::fprintf(stderr, "dump: %s\n", ConsoleText(error).c_str());
    return 2;
  }
  ConsoleHost host;
  PosDatabase db(host);
  db.engine = std::move(engine);
  db.app_dir = ResolveAppDir("");
  UseDataPath(db, *data_path);
  if (!DBSM_OpenDatabase(db) || !DBSM_OpenTable(db, table)) return 1;
  const RecordBuffer& buffer = db.buffers[static_cast<std::size_t>(table)];
  const bool csv = options.format == "csv";
  if (csv) {
    std::string header;
    for (int i = 0; i < buffer.field_count(); ++i) {
      header += (i == 0 ? "" : ",") + CsvField(buffer.field(i).name);
    }
    PrintLine(std::move(header));
  }
  const int key = options.key.value_or(0);
  bool read =
      DBSM_TableOp(db, table, options.key ? btrieve::kOpGetFirst : btrieve::kOpStepFirst, key);
  while (read) {
    if (csv) {
      std::string line;
      for (int i = 0; i < buffer.field_count(); ++i) {
        line +=
            (i == 0 ? "" : ",") + CsvField(DisplayText(Shown(buffer.field(i), buffer.Value(i))));
      }
      PrintLine(std::move(line));
    } else {
      // Fields in the buffer's (dictionary) order.
      nlohmann::ordered_json object = nlohmann::ordered_json::object();
      for (int i = 0; i < buffer.field_count(); ++i) {
        object[buffer.field(i).name] =
            nlohmann::ordered_json(JsonValue(Shown(buffer.field(i), buffer.Value(i))));
      }
      PrintLine(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    read = DBSM_TableOp(db, table, options.key ? btrieve::kOpGetNext : btrieve::kOpStepNext, -1);
  }
  DBSM_CloseAll(db);
  return db.DBSM_Table[static_cast<std::size_t>(table)].Status == btrieve::kEndOfFile ? 0 : 1;
}

}  // namespace

void AddDumpCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand("dump", "Print the records of a data file");
  auto options = std::make_shared<DumpOptions>();
  command->add_flag("--raw", options->raw, "Each record's user data as lowercase hex");
  command->add_option("--dictionary", options->dictionary,
                      "Decode the records of TABLE through the dictionary in this folder");
  command->add_option("--data-path", options->data_path,
                      "Read KEZ table TABLE through the record layer from this data folder "
                      "(default: the stored data location)");
  command
      ->add_option("target", options->target,
                   "Data file (--raw), or table name (--dictionary, or a KEZ table)")
      ->required();
  command->add_option("--key", options->key, "Key order instead of physical order");
  command->add_option("--format", options->format, "csv (default) or jsonl");
  command->add_flag("--salvage", options->salvage,
                    "Read on through damage (--raw, --dictionary): a key whose index is damaged "
                    "is read in an order rebuilt from the records");
  command->callback([options, &global, &exit_code] {
    const int modes = (options->raw ? 1 : 0) + (options->dictionary.empty() ? 0 : 1) +
                      (options->data_path.empty() ? 0 : 1);
    if (modes > 1) {
      std::fprintf(stderr,
                   "dump: give one of --raw FILE, --dictionary DIR TABLE, --data-path DIR TABLE\n");
      exit_code = 2;
      return;
    }
    if (options->salvage && !options->raw && options->dictionary.empty()) {
      // The record layer reads as the jobs do, and they stop at damage.
      std::fprintf(stderr,
                   "dump: --salvage reads a file (--raw) or a table through its dictionary "
                   "(--dictionary DIR TABLE)\n");
      exit_code = 2;
      return;
    }
    if (options->raw) {
      exit_code = DumpRaw(*options);
      return;
    }
    // Reading on through damage is the built-in engine's alone.
    std::shared_ptr<btrieve::Engine> engine =
        options->salvage ? btrieve::NewBuiltInEngine() : CommandEngine(global);
    if (engine == nullptr) {
      exit_code = 1;
      return;
    }
    exit_code = !options->dictionary.empty() ? DumpDecoded(*options, std::move(engine))
                                             : DumpCatalogue(*options, std::move(engine));
  });
}

}  // namespace kez::cli
