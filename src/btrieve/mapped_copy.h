// Copies out of a read-only shared mapping of a file that another program may cut short while it
// is mapped (a backup copied over a store's file truncates it in place). Touching a mapped page
// past the file's new end raises SIGBUS; here that fault becomes a failed copy, and the caller
// reads the bytes with a positioned read instead, which sees the short file.
#ifndef KEZ_BTRIEVE_MAPPED_COPY_H_
#define KEZ_BTRIEVE_MAPPED_COPY_H_

#include <cstddef>
#include <cstdint>

namespace btrieve {

// Installs the SIGBUS handler that turns a fault during a copy into a failed copy: once per
// process, before the first copy out of any mapping (each mapping's owner calls it when it maps).
void GuardMappedCopies();

// Copies `n` bytes from `mapped` to `out`; false when the mapping could not be read there (the
// bytes of `out` are then unspecified). After a failed copy the mapping of the bytes it covered
// no longer shows the file: the caller unmaps it, or stops using it. POSIX only: Windows never
// maps a data file.
bool CopyFromMapping(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n);
// The same for `n` bytes at each of two places, copied one after the other into `out`: a read
// looks at the usage counts of both control records when it is done.
bool CopyPairFromMapping(std::uint8_t* out, const std::uint8_t* first, const std::uint8_t* second,
                         std::size_t n);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_MAPPED_COPY_H_
