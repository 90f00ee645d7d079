// Writing a KEZ data folder from records: the data dictionary of the KEZ layouts, the six data
// files named for the file number, and KEZ.INI. Everything is built in a temporary folder beside
// the target and moved in when complete, so a failed run leaves the target as it was.
// docs/sample-store.md describes what the folder holds.
#ifndef KEZ_SAMPLE_SAMPLE_STORE_WRITER_H_
#define KEZ_SAMPLE_SAMPLE_STORE_WRITER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "btrieve/file.h"
#include "posdata/record_buffer.h"

namespace kez {

// Where generated records go, one at a time in any table order.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Takes one record of its buffer's table. False, with `error` naming the table and record, when
  // it cannot be kept.
  virtual bool Add(const RecordBuffer& record, std::string* error) = 0;
};

// Writes records into a new KEZ data folder, table by table in bulk.
class SampleStoreWriter : public RecordSink {
 public:
  // Prepares a data folder `folder` for file number `file_number`: creates the temporary folder
  // with the dictionary and the six empty data files. Unless `replace`, a folder that already
  // holds a dictionary, KEZ.INI or one of the six data files is refused, so that no data is lost.
  static bool Start(const std::filesystem::path& folder, int file_number, bool replace,
                    std::unique_ptr<SampleStoreWriter>* out, std::string* error);
  ~SampleStoreWriter() override;

  bool Add(const RecordBuffer& record, std::string* error) override;

  // Commits the data files, writes `kez_ini` as KEZ.INI, and moves every file into the target
  // folder. False, leaving the target as it was, when any step fails.
  bool Finish(std::string_view kez_ini, std::string* error);

  // Records added per table.
  const std::array<std::int64_t, 6>& counts() const { return counts_; }
  // The names of the files the folder receives.
  std::vector<std::string> FileNames() const;

 private:
  SampleStoreWriter(std::filesystem::path folder, std::filesystem::path work, int file_number);

  std::filesystem::path folder_;
  std::filesystem::path work_;
  int file_number_;
  std::array<std::unique_ptr<btrieve::File>, 6> files_;
  std::array<std::int64_t, 6> counts_{};
  btrieve::Bytes record_;
  bool finished_ = false;
};

}  // namespace kez

#endif  // KEZ_SAMPLE_SAMPLE_STORE_WRITER_H_
