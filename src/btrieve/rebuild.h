// Copying every record of a data file into a new file with the same keys and collating
// sequences, in either format and any page size: for rebuilding damaged files and converting old
// ones. Records go in in an order that gives every duplicate chain of the new file the order it
// had in the old one.
#ifndef KEZ_BTRIEVE_REBUILD_H_
#define KEZ_BTRIEVE_REBUILD_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "btrieve/file_layout.h"
#include "btrieve/status.h"

namespace btrieve {

struct RebuildOptions {
  std::optional<Format> format;            // default: new format (6.1)
  std::optional<std::uint16_t> page_size;  // default: the source's
};

struct RebuildReport {
  std::uint64_t records = 0;
  // Duplicate chains whose order no single insertion order can give (records updated in place
  // in the source); those chains follow the source's physical order instead.
  std::uint64_t chain_conflicts = 0;
  std::string source_notes;  // why the source's indexes were not used, if they were not
};

// Writes `destination` (which must not exist) from `source`. Statuses of reading the source and
// of creating and writing the new file.
Status RebuildFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                   const RebuildOptions& options, RebuildReport* report);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_REBUILD_H_
