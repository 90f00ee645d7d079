// Making new, empty data files: 6.1 files laid out as real engines lay out a fresh file (two
// control records, an allocation-table pair, ACS pages, one empty index root per key, one data
// page with its slots on the free list), or 5.x files (control record, ACS page, index roots,
// one data page).
#ifndef KEZ_BTRIEVE_FILE_CREATOR_H_
#define KEZ_BTRIEVE_FILE_CREATOR_H_

#include <cstdint>
#include <filesystem>
#include <vector>

#include "btrieve/file_plan.h"
#include "btrieve/status.h"

namespace btrieve {

// The bytes of a new empty file. Statuses: 24 page size, 26 number of keys, 27 key position,
// 28 record length, 29 key length, 45 inconsistent key flags, 48 ACS, 49 key type.
Status BuildEmptyFile(const FilePlan& plan, std::vector<std::uint8_t>* image);

// Writes a new empty file (through a temporary file renamed into place). Status 59 when the
// file exists and `replace` is false, 25 when it cannot be written.
Status CreateFile(const std::filesystem::path& path, const FilePlan& plan, bool replace);

// The physical page that holds the n-th page (from 1) after the control records, skipping the
// allocation-table pairs that open every group of page_size/4 pages of a new-format file.
std::uint32_t NthPagePhysical(std::uint32_t page_size, std::uint32_t n);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_CREATOR_H_
