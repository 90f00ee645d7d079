// Reads a file's description back from the Stat (15) answer, for an engine that gives nothing
// else: a 16-byte file part (record length, page size, key count, record count, file flags) and
// one 16-byte part per key segment (position from 1, length, flags, distinct values, type, null
// value, key number, collating sequence). Segments of one key follow each other, every one but
// the last flagged "segmented".
#ifndef KEZ_BTRIEVE_STAT_LAYOUT_H_
#define KEZ_BTRIEVE_STAT_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/status.h"

namespace btrieve {

// Fills `layout` (page size, record length and count, file flags, keys with their segments) from
// a Stat answer. Status 2 naming `name` when the answer is shorter than the keys it announces.
// Without explicit key numbers (file flag 0x400) keys are numbered from 0 in their order.
Status LayoutFromStat(const std::vector<std::uint8_t>& stat, const std::string& name,
                      FileLayout* layout);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_STAT_LAYOUT_H_
