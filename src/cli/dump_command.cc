// kezagg dump: the records of a data file, raw (hex) or decoded through a dictionary.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>

#include "btrieve/file.h"
#include "btrieve/operation.h"
#include "btrieve/table.h"
#include "cli/commands.h"

namespace kez::cli {
namespace {

struct DumpOptions {
  bool raw = false;
  std::string dictionary;
  std::string target;  // the data file (--raw) or the table name (--dictionary)
  std::optional<int> key;
  std::string format = "csv";
};

void PrintHex(const btrieve::Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string line(bytes.size() * 2 + 1, '\n');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    line[2 * i] = kDigits[bytes[i] >> 4];
    line[2 * i + 1] = kDigits[bytes[i] & 0xF];
  }
  std::fwrite(line.data(), 1, line.size(), stdout);
}

int DumpRaw(const DumpOptions& options) {
  std::unique_ptr<btrieve::File> file;
  if (btrieve::Status s = btrieve::File::Open(options.target, &file); !s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  btrieve::Bytes record;
  btrieve::Bytes key;
  btrieve::Status status =
      options.key ? file->GetFirst(*options.key, &key, &record) : file->StepFirst(&record);
  while (status.ok()) {
    PrintHex(record);
    status = options.key ? file->GetNext(*options.key, &key, &record) : file->StepNext(&record);
  }
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
      line += CsvField(DisplayText(table.GetField(static_cast<int>(i)).value));
    }
    PrintLine(std::move(line));
    return;
  }
  nlohmann::json object = nlohmann::json::object();
  for (std::size_t i = 0; i < definition.fields.size(); ++i) {
    object[definition.fields[i].name] = JsonValue(table.GetField(static_cast<int>(i)).value);
  }
  PrintLine(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

int DumpDecoded(const DumpOptions& options) {
  if (options.format != "csv" && options.format != "jsonl") {
    std::fprintf(stderr, "dump: --format is csv or jsonl\n");
    return 2;
  }
  btrieve::Table table;
  table.set_dictionary_location(options.dictionary);
  table.set_table_name(options.target);
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

}  // namespace

void AddDumpCommand(CLI::App& app, int& exit_code) {
  auto* command = app.add_subcommand("dump", "Print the records of a data file");
  auto options = std::make_shared<DumpOptions>();
  command->add_flag("--raw", options->raw, "Each record's user data as lowercase hex");
  command->add_option("--dictionary", options->dictionary,
                      "Decode the records of TABLE through the dictionary in this folder");
  command->add_option("target", options->target, "Data file (--raw) or table name (--dictionary)")
      ->required();
  command->add_option("--key", options->key, "Key order instead of physical order");
  command->add_option("--format", options->format, "csv (default) or jsonl");
  command->callback([options, &exit_code] {
    if (options->raw == !options->dictionary.empty()) {
      std::fprintf(stderr, "dump: give either --raw FILE or --dictionary DIR TABLE\n");
      exit_code = 2;
      return;
    }
    exit_code = options->raw ? DumpRaw(*options) : DumpDecoded(*options);
  });
}

}  // namespace kez::cli
