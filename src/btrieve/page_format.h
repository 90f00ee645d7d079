// Writing the structures of a data file: empty pages of each kind, page headers, and the fields
// of the file control record that change as records come and go. The reading side is in
// layout_reader, page_store, record_store and index_tree. The byte offsets of each structure are
// written down in the code of the two sides, not in a separate document.
#ifndef KEZ_BTRIEVE_PAGE_FORMAT_H_
#define KEZ_BTRIEVE_PAGE_FORMAT_H_

#include <cstdint>

#include "btrieve/file_layout.h"
#include "btrieve/key_layout.h"

namespace btrieve {

inline constexpr std::uint32_t kKeySpecBytes = 30;
inline constexpr std::uint32_t kOldKeySpecOffset = 0x110;

// Writes a page's own number (and, in new files, its type) into its first four bytes.
void StorePageId(std::uint8_t* page, Format format, std::uint32_t number, std::uint8_t type);
// Formats an empty index page (no entries, no right-most child) of a key.
void FormatIndexPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                     int key_number);
// Formats an empty data page. New files chain its slots into a free list ending in
// `next_free` (the address of the next free slot elsewhere, or kNoPointer).
void FormatDataPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                    std::uint32_t next_free);
// Formats an empty variable page (no fragments).
void FormatVariablePage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number);
// Formats an ACS page holding a collating sequence.
void FormatAcsPage(std::uint8_t* page, const FileLayout& layout, std::uint32_t number,
                   const CollatingSequence& acs);

// Stores the fields of the control record that change as the file changes: record count, page
// count, high-water mark and last data page (old files), free lists, and each key's root and
// number of index entries. Everything else in `fcr` is left as it is.
void StoreChangingFcrFields(const FileLayout& layout, std::uint8_t* fcr);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_PAGE_FORMAT_H_
