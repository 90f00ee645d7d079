// The changes of one write operation (or one bulk load) and their commit. Changed pages are kept
// in memory (the page store's change set) until Commit writes them so that a process stopping at
// any write leaves the file in its old or its new state:
//  - new-format files: every changed page goes to a physical page the current allocation tables
//    do not use; then the changed allocation tables go to the spare copy of their pair; last the
//    control record goes to its spare copy with a higher usage count, which makes it all current.
//  - old-format files: the original bytes of every page about to change go to a journal beside
//    the file ("<file>.journal", complete before it appears under that name); the pages are then
//    written in place and the journal removed. Opening a file with a journal puts the original
//    pages back.
#ifndef KEZ_BTRIEVE_COMMIT_WRITER_H_
#define KEZ_BTRIEVE_COMMIT_WRITER_H_

#include <cstdint>
#include <filesystem>
#include <set>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/page_source.h"
#include "btrieve/page_store.h"
#include "btrieve/status.h"

namespace btrieve {

class CommitWriter {
 public:
  CommitWriter(FileLayout& layout, PageStore& pages, PageSource& source,
               std::filesystem::path path);

  // Works out which pages are free from the file as it stands. Call after every (re)load.
  void Init();

  // A new page of the given type, zero-filled, in the change set.
  std::uint32_t NewPage(std::uint8_t type);
  // A page no structure uses any more.
  void FreePage(std::uint32_t page);

  bool has_changes() const { return !pages_.changes().empty() || !freed_.empty(); }
  std::size_t changed_pages() const { return pages_.changes().size(); }

  // Writes the change set as described above. On failure the file keeps its old state (as far
  // as the failure allows) and the caller must reload it.
  Status Commit();
  // Drops the change set; the caller reloads the file's state.
  void Abandon();

  // The journal of an old-format file, when one exists.
  static std::filesystem::path JournalPath(const std::filesystem::path& file);
  // Puts back the original pages a journal holds and removes it (a writer opening the file).
  static Status Recover(const std::filesystem::path& file, PageSource& source);
  // The file's bytes as they were before the journal's commit began (a reader opening it).
  static Status ReadWithJournal(const std::filesystem::path& file,
                                std::vector<std::uint8_t>* bytes);

 private:
  Status CommitNew();
  Status CommitOld();
  std::uint32_t TakePhysical();
  bool Reserved(std::uint32_t physical) const;

  FileLayout& layout_;
  PageStore& pages_;
  PageSource& source_;
  std::filesystem::path path_;
  std::set<std::uint32_t> free_logical_;   // new format: pages of type 0 below the limit
  std::set<std::uint32_t> free_physical_;  // new format: physical pages no table uses
  std::vector<std::uint32_t> freed_;       // pages freed in the change set
  // Physical pages left by the last two commits: kept for readers still on those states.
  std::vector<std::uint32_t> resting_recent_;
  std::vector<std::uint32_t> resting_older_;
  std::uint32_t next_physical_ = 0;  // first physical page past everything in use
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_COMMIT_WRITER_H_
