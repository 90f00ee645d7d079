// Recognises a data file and decodes its current file control record and page map.
#ifndef KEZ_BTRIEVE_LAYOUT_READER_H_
#define KEZ_BTRIEVE_LAYOUT_READER_H_

#include <cstdint>

#include "btrieve/file_layout.h"
#include "btrieve/page_source.h"
#include "btrieve/page_store.h"
#include "btrieve/status.h"

namespace btrieve {

// Fills `layout` and `pages` from a file's pages, and tells `source` the page size. Status 30 when
// the bytes are not a Btrieve file or use a format this engine does not read (8.x and later,
// variable-tail tables, blank truncation), with a detail text saying which; status 2 when the file
// is truncated or its control structures are damaged.
Status ReadLayout(PageSource& source, FileLayout* layout, PageStore* pages);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_LAYOUT_READER_H_
