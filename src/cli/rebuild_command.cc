// kezagg rebuild SRC DST [--format 5|6] [--page-size N]: a new file with the same keys and records.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "btrieve/rebuild.h"
#include "cli/commands.h"

namespace kez::cli {
namespace {

struct RebuildArguments {
  std::string source;
  std::string destination;
  std::optional<int> format;
  std::optional<int> page_size;
};

int Rebuild(const RebuildArguments& arguments) {
  btrieve::RebuildOptions options;
  if (arguments.format) {
    if (*arguments.format != 5 && *arguments.format != 6) {
      std::fprintf(stderr, "rebuild: --format is 5 or 6\n");
      return 2;
    }
    options.format = *arguments.format == 5 ? btrieve::Format::kOld : btrieve::Format::kNew;
  }
  if (arguments.page_size) options.page_size = static_cast<std::uint16_t>(*arguments.page_size);
  btrieve::RebuildReport report;
  const btrieve::Status status =
      btrieve::RebuildFile(arguments.source, arguments.destination, options, &report);
  if (!report.source_notes.empty()) std::fprintf(stderr, "%s", report.source_notes.c_str());
  if (!status.ok()) {
    std::fprintf(stderr, "rebuild: %s\n", status.ToString().c_str());
    return 1;
  }
  std::printf("%s: %llu records written\n", arguments.destination.c_str(),
              static_cast<unsigned long long>(report.records));
  if (report.chain_conflicts > 0) {
    std::printf("note: %llu duplicate chains could not keep their old order\n",
                static_cast<unsigned long long>(report.chain_conflicts));
  }
  return 0;
}

}  // namespace

void AddRebuildCommand(CLI::App& app, const GlobalOptions& /*global*/, int& exit_code) {
  auto* command =
      app.add_subcommand("rebuild", "Copy a data file's records into a new file (repair, convert)");
  auto arguments = std::make_shared<RebuildArguments>();
  command->add_option("source", arguments->source, "Data file to read")->required();
  command->add_option("destination", arguments->destination, "New file to write")->required();
  command->add_option("--format", arguments->format, "5 (old format) or 6 (6.1, the default)");
  command->add_option("--page-size", arguments->page_size, "512 to 4096 (default: the source's)");
  command->callback([arguments, &exit_code] { exit_code = Rebuild(*arguments); });
}

}  // namespace kez::cli
