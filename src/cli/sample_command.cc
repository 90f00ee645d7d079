// kezagg sample: writes a complete KEZ data folder (dictionary, data files, KEZ.INI), generated
// at a chosen scale from a seed or built from a JSON description (docs/sample-store.md).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "platform/date_text.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "sample/sample_description.h"
#include "sample/sample_generator.h"
#include "sample/sample_store_writer.h"

namespace kez::cli {
namespace {

struct SampleCommandOptions {
  std::string out;
  std::string scale = "store";
  std::uint64_t seed = 1;
  std::string from;
  std::string until;
  bool replace = false;
  LocalDateTime now;  // the default of --until
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "kezagg sample: %s\n", ConsoleText(message).c_str());
  return 1;
}

std::uintmax_t FolderBytes(const std::filesystem::path& folder,
                           const std::vector<std::string>& names) {
  std::uintmax_t total = 0;
  std::error_code code;
  for (const std::string& name : names) {
    const std::uintmax_t size = std::filesystem::file_size(folder / name, code);
    if (!code) total += size;
  }
  return total;
}

int Run(const SampleCommandOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  LocalDateTime until = options.now;
  if (!options.until.empty()) {
    const std::optional<LocalDateTime> day = ParseIsoDay(options.until);
    if (!day) return Fail("--until " + options.until + " is not a day (YYYY-MM-DD)");
    until = *day;
  }

  std::optional<SampleDescription> description;
  if (!options.from.empty()) {
    std::string json;
    std::string error;
    if (!ReadWholeFile(options.from, &json, &error)) return Fail(error);
    description.emplace();
    if (!ReadSampleDescription(json, &*description, &error)) {
      return Fail(options.from + ": " + error);
    }
  }
  const std::optional<SampleScale> scale = ParseSampleScale(options.scale);
  if (!scale) return Fail("--scale is tiny, store or large");

  const int file_number = description ? description->file_number : 1;
  std::unique_ptr<SampleStoreWriter> writer;
  std::string error;
  if (!SampleStoreWriter::Start(options.out, file_number, options.replace, &writer, &error)) {
    return Fail(error);
  }
  std::string kez_ini = SampleSuiteIni(until);
  if (description) {
    for (const RecordBuffer& record : description->records) {
      if (!writer->Add(record, &error)) return Fail(options.from + ": " + error);
    }
    if (!description->kez_ini.empty()) kez_ini = description->kez_ini;
  } else {
    SampleOptions sample;
    sample.scale = *scale;
    sample.seed = options.seed;
    sample.until = until;
    sample.file_number = file_number;
    if (!GenerateSampleStore(sample, *writer, &error)) return Fail(error);
  }
  if (!writer->Finish(kez_ini, &error)) return Fail(error);

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::string counts;
  for (int table = 0; table < kTableCount; ++table) {
    counts += (table == 0 ? "" : ", ") + KezTableDef(table).name + " " +
              std::to_string(writer->counts()[static_cast<std::size_t>(table)]);
  }
  std::printf("%s: %s; %.1f MB in %.1f s\n", options.out.c_str(), counts.c_str(),
              static_cast<double>(FolderBytes(options.out, writer->FileNames())) / 1e6, seconds);
  return 0;
}

}  // namespace

void AddSampleCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "sample", "Write a complete KEZ data folder: generated, or built from a JSON description");
  auto options = std::make_shared<SampleCommandOptions>();
  command->add_option("--out", options->out, "Data folder to write")->required();
  command->add_option("--scale", options->scale, "tiny, store (default) or large");
  command->add_option("--seed", options->seed, "Seed of the generated content (default 1)");
  command->add_option(
      "--from", options->from,
      "JSON description of exactly the records to write (see docs/sample-store.md)");
  command->add_option("--until", options->until,
                      "Sales end the day before this day, YYYY-MM-DD (default today)");
  command->add_flag("--replace", options->replace,
                    "Replace the dictionary, data files and KEZ.INI already in the folder");
  command->callback([options, &global, &exit_code] {
    options->now = ProgramNow(global);
    exit_code = Run(*options);
  });
}

}  // namespace kez::cli
