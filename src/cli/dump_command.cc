// kezagg dump: the records of a data file, raw (hex) or decoded through a dictionary.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "btrieve/file.h"
#include "cli/commands.h"

namespace kez::cli {
namespace {

struct DumpOptions {
  bool raw = false;
  std::string file;
  std::optional<int> key;
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
  if (btrieve::Status s = btrieve::File::Open(options.file, &file); !s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  btrieve::Bytes record;
  btrieve::Bytes key;
  btrieve::Status status = options.key ? file->GetFirst(*options.key, &key, &record)
                                       : file->StepFirst(&record);
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

}  // namespace

void AddDumpCommand(CLI::App& app, int& exit_code) {
  auto* command = app.add_subcommand("dump", "Print the records of a data file");
  auto options = std::make_shared<DumpOptions>();
  command->add_flag("--raw", options->raw, "Each record's user data as lowercase hex");
  command->add_option("file", options->file, "Btrieve data file");
  command->add_option("--key", options->key, "Key order instead of physical order");
  command->callback([options, &exit_code] {
    if (!options->raw || options->file.empty()) {
      std::fprintf(stderr, "dump: give --raw FILE\n");
      exit_code = 2;
      return;
    }
    exit_code = DumpRaw(*options);
  });
}

}  // namespace kez::cli
