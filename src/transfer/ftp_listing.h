// Reads the lines of FTP directory listings: MLSD facts where the server has them, and the
// "ls -l" and DOS forms of LIST otherwise; and matches names against search patterns.
#ifndef KEZ_TRANSFER_FTP_LISTING_H_
#define KEZ_TRANSFER_FTP_LISTING_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/ftp_local_time.h"

namespace kez {

// One entry of a listing as the server described it.
struct ListingEntry {
  std::string name;
  std::uint32_t attributes = 0;  // FileAttribute bits
  std::uint64_t size = 0;
  std::optional<UtcDateTime> modified;
  std::optional<UtcDateTime> created;  // MLSD "create" fact, which few servers send
};

// The lines of a listing, without their line ends; empty lines are dropped.
std::vector<std::string_view> ListingLines(std::string_view listing);

// Reads one MLSD line ("type=file;size=12;modify=20260105093000; name"). Returns false for
// the folder itself and its parent (cdir, pdir) and for lines that are no entry.
bool ParseMlsdLine(std::string_view line, ListingEntry* entry);

// Reads one LIST line, either "-rw-r--r-- 1 owner group 12 Jan 05 09:30 name" or
// "01-05-26  09:30AM  12 name". Times are taken as UTC; a date without a year is placed in the
// twelve months up to `today` (plus a day of slack for clocks that differ). Returns false for
// lines that are no entry ("total 12").
bool ParseListLine(std::string_view line, const UtcDateTime& today, ListingEntry* entry);

// Whether `name` matches `pattern`, where "*" stands for any run of characters and "?" for
// one character; "*.*" and an empty pattern match every name, as on Windows.
bool MatchesNamePattern(std::string_view pattern, std::string_view name);

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_LISTING_H_
