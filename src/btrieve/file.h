// One open data file with its position: the engine's answer to a Btrieve open. Reads records
// by key through the file's own indexes, and physically in slot order. Damage met on the way is
// status 2; a salvaging reader reads a key whose index fails through an order rebuilt from the
// records instead.
#ifndef KEZ_BTRIEVE_FILE_H_
#define KEZ_BTRIEVE_FILE_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/commit_writer.h"
#include "btrieve/file_layout.h"
#include "btrieve/index_tree.h"
#include "btrieve/key_compare.h"
#include "btrieve/page_source.h"
#include "btrieve/page_store.h"
#include "btrieve/record_batch.h"
#include "btrieve/record_store.h"
#include "btrieve/sorted_index.h"
#include "btrieve/status.h"

namespace btrieve {

using Bytes = std::vector<std::uint8_t>;

// How a data file is opened.
struct OpenOptions {
  bool writable = false;
  // Bounds the pages kept in memory between operations.
  std::size_t cache_bytes = PageSource::kDefaultCacheBytes;
  // Bounds the mappings a file opened for reading is read through (tests use small ones).
  MapLimits map_limits = {};
  // How long a write waits for another process's write to finish before giving status 85.
  int lock_wait_ms = 1000;
  // Reads on through damage where a person asks for it (dump --salvage, rebuild, check): a file
  // shorter than its control record says still opens, and a key whose index fails is read in an
  // order rebuilt from the records. Otherwise damage is status 2 on the operation that meets it:
  // numbers read through a rebuilt order would look complete when they are not.
  bool salvage = false;
};

class File {
 public:
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens a data file. Status 12 when it does not exist, 30 when it is not a Btrieve file this
  // engine reads, 2 when it is damaged beyond its records, 46 when writing is asked for and the
  // file may not be written.
  static Status Open(const std::filesystem::path& path, std::unique_ptr<File>* out,
                     const OpenOptions& options = OpenOptions());
  // Opens bytes already in memory (tests, fuzzing); `name` appears in detail texts. The bytes can
  // be written; Snapshot() gives them back.
  static Status OpenBytes(Bytes bytes, std::string name, std::unique_ptr<File>* out,
                          bool salvage = false);

  // The file's structure. Any operation may read it anew (another process committed), so hold
  // on to key numbers rather than to references into it across operations.
  const FileLayout& layout() const { return layout_; }
  const std::string& name() const { return name_; }

  // Performs operation `op` (a Btrieve code, biases allowed) on key `key_number`, as the engine's
  // one entry point does. `key` is the key buffer (search value in, found key out), `data` the
  // data buffer (record out; for Get Direct the 4-byte position in).
  Status Execute(int op, int key_number, Bytes* key, Bytes* data);

  // Keyed reads. `key` holds the search value (at least the key's length) and receives the found
  // record's key. Statuses: 4 no equal key, 9 no such record, 6 no such key, 7 Next/Previous on
  // another key than the position, 8 no position.
  Status GetEqual(int key_number, Bytes* key, Bytes* record);
  Status GetGreater(int key_number, Bytes* key, Bytes* record);
  Status GetGreaterOrEqual(int key_number, Bytes* key, Bytes* record);
  Status GetLess(int key_number, Bytes* key, Bytes* record);
  Status GetLessOrEqual(int key_number, Bytes* key, Bytes* record);
  Status GetFirst(int key_number, Bytes* key, Bytes* record);
  Status GetLast(int key_number, Bytes* key, Bytes* record);
  Status GetNext(int key_number, Bytes* key, Bytes* record);
  Status GetPrevious(int key_number, Bytes* key, Bytes* record);

  // Physical order.
  Status StepFirst(Bytes* record);
  Status StepLast(Bytes* record);
  Status StepNext(Bytes* record);
  Status StepPrevious(Bytes* record);

  // Many records at a time, for a reader that takes a whole file in order: up to `max` records
  // after the current one, in physical order or in the order of key `key_number` (the position
  // on it as Get Next needs it), all read from one committed state of the file; the position
  // ends on the last. The pages they lie on stay in memory until the batch is done. Status 9
  // when no record follows. A batch that meets the end of the file or a fault after its first
  // record ends before it, and the next call gives that status.
  Status StepNextBatch(std::size_t max, RecordBatch* batch);
  Status GetNextBatch(int key_number, std::size_t max, RecordBatch* batch);

  // The current record's address (status 8 without a current record).
  Status GetPosition(std::uint32_t* position) const;
  // Reads the record at `position` and makes it current, on key `key_number` when >= 0.
  Status GetDirect(int key_number, std::uint32_t position, Bytes* key, Bytes* record);

  // Writing (files opened writable). Insert adds a record (autoincrement keys of value 0 get the
  // next number, written back into `record`) and makes it current on key `key_number`. Update
  // replaces the current record; Delete removes it. Statuses: 5 a unique key exists already,
  // 10 a key that may not change would change, 8 no current record, 80 the record changed since
  // it was read, 85 another process is writing the file, 46 opened for reading only, 2/18 the
  // file could not be written (nothing of the operation is kept).
  Status Insert(int key_number, Bytes* record);
  Status Update(int key_number, const Bytes& record);
  Status Delete();
  // Whether Insert gives autoincrement keys of value 0 the next number (the engine's way, and
  // the default) or keeps the 0 (copying records exactly).
  void set_assign_autoincrement(bool assign) { assign_autoincrement_ = assign; }

  // Groups many writes into one commit (loading a whole file); EndBulk commits what is left.
  Status BeginBulk();
  Status EndBulk();
  // Re-reads the control record if another process has committed since, dropping cached pages.
  Status Refresh();
  // Gives back the memory of the cached pages, keeping the file open and its positions: for a
  // program that keeps its files open between jobs hours apart. Nothing while writes are grouped.
  void ReleaseMemory();
  // Bytes of memory the cache of a file on disk holds for its pages.
  std::size_t cached_bytes() const { return source_->memory_bytes(); }

  // Salvaging readers: why a key is read through a rebuilt order instead of the file's index
  // (empty: it is not).
  std::string FallbackReason(int key_number);
  // Validates a key's index without reading through it; fills the tree's shape.
  Status ValidateIndex(int key_number, IndexTree::Shape* shape);
  // Walks a key's index as stored, entry by entry and duplicate chains expanded, calling
  // `visit(record_address, key_bytes)` for each; stops with status 2 at a damaged place.
  Status WalkIndex(int key_number,
                   const std::function<void(std::uint32_t, const std::uint8_t*)>& visit);

  // The physical page a page number of this file's structures maps to (new-format files map
  // logical pages through their allocation tables), or 0xFFFFFFFF.
  std::uint32_t PhysicalPage(std::uint32_t page) const { return pages_.Physical(page); }

  // Tests: after `writes` more page writes every write fails, as when the process dies there.
  void SimulateCrashAfterWrites(int writes) { source_->FailWritesAfter(writes); }

  // The file's bytes as they stand (tests and tools; the whole file is read).
  Bytes Snapshot() const;

  // The API "stat" buffer: file description and key segment specs.
  Bytes StatBuffer() const;
  // Reads the file's structures again when the last reading of them failed (a write that
  // failed and found the file damaged leaves none); the failure when it fails again. records()
  // is there only after this succeeds.
  Status EnsureLoaded();
  const RecordStore& records() const { return *records_; }

 private:
  struct KeyState;
  struct Cursor;
  enum class Seek { kEqual, kGreater, kGreaterOrEqual, kLess, kLessOrEqual, kFirst, kLast };

  File(std::unique_ptr<PageSource> source, std::string name);
  Status Load();
  // Every page the control record and allocation tables use lies inside the file (a cut-off copy
  // fails here rather than on the first record that is missing).
  Status CheckWithinFile() const;
  // Reads the file's structures again after another process committed, keeping the position on
  // its record when it still exists.
  Status Reload();
  // Whether another process has committed since the control record was read.
  bool Changed();
  // Reloads when Changed().
  Status CheckForChanges();
  // The same, at most every 20 ms (reads).
  Status CatchUp();
  // Remembers the usage count of the record just read from `slot` (conflict detection of
  // Update/Delete).
  void NoteUsage(const std::uint8_t* slot);
  // Locks the file for a write (status 85 when another process holds it) and catches up with
  // any commit made meanwhile.
  Status BeginWrite();
  // Commits unless a bulk load is in progress, then unlocks; on failure drops the change set.
  Status FinishWrite(Status result);
  // The state of every key, in the order of the layout's keys.
  Status KeyStates(std::vector<KeyState*>* states);
  Status InsertRecord(int key_number, Bytes* record);
  Status UpdateRecord(int key_number, const Bytes& record);
  Status DeleteRecord();
  Status WriteChecks() const;
  // Old-format files are written in place: a reader holds the shared lock while it reads (unless
  // this handle holds the write lock). Status 85 when a writer keeps the file too long.
  class ReadLock;
  // No more records can exist than slots in the file's pages: the bound of every chain walk.
  std::uint64_t SlotBound() const;
  Status Key(int key_number, KeyState** state);
  Status UseFallback(KeyState* state, const std::string& reason);
  Status Position(int key_number, Seek how, Bytes* key, Bytes* record);
  Status Move(int key_number, bool forward, Bytes* key, Bytes* record);
  Status PositionOnce(int key_number, Seek how, Bytes* key, Bytes* record);
  Status MoveOnce(int key_number, bool forward, Bytes* key, Bytes* record);
  Status StepFirstOnce(Bytes* record);
  Status StepLastOnce(Bytes* record);
  Status StepNextOnce(Bytes* record);
  Status StepPreviousOnce(Bytes* record);
  Status StepNextBatchOnce(std::size_t max, RecordBatch* batch);
  Status GetNextBatchOnce(int key_number, std::size_t max, RecordBatch* batch);
  // The checks and upkeep every move on a key starts with; the key's state when it may move.
  Status StartMove(int key_number, KeyState** state);
  // One move along a key from the current record, reading the index anew when it proves damaged.
  // `append`: the record is added after what `record` holds (a batch), which is left as it was
  // when the move fails.
  Status MoveAndDeliver(KeyState* state, bool forward, Bytes* key, Bytes* record,
                        bool append = false);
  // Adds the record at `address`, in the slot the scan that found it gives, to `batch` and makes
  // it current.
  Status StepInto(std::uint32_t address, const std::uint8_t* slot, RecordBatch* batch);
  Status GetDirectOnce(int key_number, std::uint32_t position, Bytes* key, Bytes* record);
  // Runs a read so that it returns what one committed state holds: when another process committed
  // while it ran, or it met what looks like damage, the file is read again and the read repeated
  // (bounded; see docs/record-engine.md).
  template <typename Operation>
  Status Consistent(const Operation& operation);
  // Status 2 for damage a key's index shows (a salvaging reader rebuilds the order instead).
  Status IndexFailure(KeyState* state, const Status& damage);
  Status PositionTree(KeyState* state, Seek how, const std::uint8_t* search);
  // After a search found no equal key: the entries on either side of where it ended (`landed`:
  // an entry at or after the search value was found) lead to records carrying their keys; a key
  // changed in a record or an entry would otherwise pass for a record that does not exist.
  Status CheckNeighbours(KeyState* state, IndexTree::Position at, bool landed);
  Status CheckEntry(KeyState* state, const IndexTree::Position& at);
  Status PositionSorted(KeyState* state, Seek how, const std::uint8_t* search);
  Status MoveTree(KeyState* state, bool forward);
  Status MoveSorted(KeyState* state, bool forward);
  Status LocateOnKey(KeyState* state, std::uint32_t address);
  Status Deliver(KeyState* state, Bytes* key, Bytes* record, bool append = false);
  // The record at `address`, and its slot when `slot` is given (valid until the next Unpin).
  Status ReadRecord(std::uint32_t address, Bytes* record, const std::uint8_t** slot = nullptr);
  // Moves the physical position to the record at `address`, whose slot the scan that found it
  // gives, and reads it.
  Status Step(std::uint32_t address, const std::uint8_t* slot, Bytes* record);
  // Whether a step in `direction` goes on from where a whole scan stands (it is forgotten if not).
  bool ContinuesWholeScan(int direction);
  // Counts a record a whole scan delivered, or (at `end`, the end of the file) checks the count.
  void CountScanned();
  Status EndWholeScan(Status end);
  // What a physical scan hands the record store to learn of a data page lost to damage (none
  // for a salvaging reader, which passes over it), and the status that makes of it.
  std::uint32_t* DamageWatch();
  Status ScanDamage() const { return scan_damage_ == kNoPointer ? Status::Ok() : LostPageStatus(); }
  Status LostPageStatus() const;

  std::unique_ptr<PageSource> source_;
  std::filesystem::path path_;  // empty for files in memory
  OpenOptions options_;
  std::string name_;
  FileLayout layout_;
  PageStore pages_;
  std::unique_ptr<RecordStore> records_;
  std::vector<std::unique_ptr<KeyState>> keys_;
  std::unique_ptr<Cursor> cursor_;
  std::unique_ptr<Cursor> start_;       // where the read in progress started (Consistent)
  std::unique_ptr<Cursor> batch_mark_;  // a batch's last whole record, to go back to
  Bytes batch_key_;
  // The key buffer a positioning read was given, and its search value: kept from read to read
  // so that a lookup allocates nothing.
  Bytes asked_key_;
  Bytes search_value_;
  Bytes scratch_;
  std::unique_ptr<CommitWriter> writer_;
  std::uint32_t variable_page_ = kNoPointer;  // where new variable-tail fragments go
  bool bulk_ = false;
  bool assign_autoincrement_ = true;
  std::uint32_t scan_damage_ = kNoPointer;  // a data page the last scan found damaged
  // A scan of the whole file from its first record forward (or its last backward), counted: a file
  // no commit changed while it ran must give as many records as its control record counts.
  // Fewer means pages the scan could not tell from other pages lost their records.
  struct WholeScan {
    int direction = 0;  // 1 forward from the first record, -1 backward from the last, 0 none
    std::uint64_t seen = 0;
    std::uint32_t usage = 0;  // the control record's usage count when the scan began
    std::uint32_t at = kNoPointer;
  };
  WholeScan whole_scan_;
  bool indexes_checked_ = false;  // every index page checked since the last (re)load
  bool locked_ = false;
  // The state in memory was read without the write lock: while another process committed, it
  // may have met a control record half written. A writer reads the file again first.
  bool loaded_unlocked_ = true;
  int moves_since_check_ = 0;
  std::chrono::steady_clock::time_point last_check_ = std::chrono::steady_clock::now();
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_FILE_H_
