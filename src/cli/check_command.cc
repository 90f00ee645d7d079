// kezagg check FILE...: the consistency of data files, one summary line per file and per key.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/consistency.h"
#include "btrieve/file.h"
#include "cli/commands.h"

namespace kez::cli {
namespace {

bool CheckOne(const std::string& path) {
  std::unique_ptr<btrieve::File> file;
  // Reads on through damage so that every fault is reported, not only the first.
  btrieve::OpenOptions options;
  options.salvage = true;
  if (btrieve::Status s = btrieve::File::Open(path, &file, options); !s.ok()) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), s.ToString().c_str());
    return false;
  }
  const btrieve::FileLayout& layout = file->layout();
  const btrieve::FileCheck check = btrieve::CheckFile(*file);
  std::printf("%s: version=%s page=%u records=%llu keys=%zu\n", path.c_str(),
              layout.VersionText().c_str(), layout.page_size,
              static_cast<unsigned long long>(check.live_records), layout.keys.size());
  if (!check.records_ok) std::printf("  records: BROKEN %s\n", check.records_problem.c_str());
  for (const btrieve::KeyCheck& key : check.keys) {
    if (key.ok) {
      std::printf("  key %d: entries=%llu levels=%d order=ok\n", key.number,
                  static_cast<unsigned long long>(key.entries), key.levels);
    } else {
      std::printf("  key %d: entries=%llu levels=%d order=BROKEN %s\n", key.number,
                  static_cast<unsigned long long>(key.entries), key.levels, key.problem.c_str());
    }
  }
  return check.ok();
}

}  // namespace

void AddCheckCommand(CLI::App& app, const GlobalOptions& /*global*/, int& exit_code) {
  auto* command = app.add_subcommand("check", "Check data files: records, index order, counts");
  auto files = std::make_shared<std::vector<std::string>>();
  command->add_option("files", *files, "Btrieve data files")->required();
  command->callback([files, &exit_code] {
    bool all_ok = true;
    for (const std::string& path : *files) all_ok = CheckOne(path) && all_ok;
    exit_code = all_ok ? 0 : 1;
  });
}

}  // namespace kez::cli
