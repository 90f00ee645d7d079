// DeliveryJournal: which files of a report have reached its server. A file counts as delivered
// when an upload of exactly its bytes (same name, size and SHA-256) into the report's directory
// went through; a file written again since then is pending again. The journal lies beside the
// files as "KEZDelivery.journal", one tab-separated line per file:
//
//   name  size  sha256  delivered|pending  YYYYMMDD hh:mm  reason of the last failure
//
// and is replaced whole through a temporary file, so a crash leaves the old one or the new one.
#ifndef KEZ_APP_DELIVERY_JOURNAL_H_
#define KEZ_APP_DELIVERY_JOURNAL_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace kez {

inline constexpr const char* kDeliveryJournalName = "KEZDelivery.journal";

struct JournalEntry {
  std::string name;
  std::int64_t size = 0;
  std::string sha256;
  bool delivered = false;
  std::string when;    // "YYYYMMDD hh:mm" of the last attempt
  std::string reason;  // why the last attempt failed; empty after a delivery
};

// A report file that has not reached the server: when it was last tried and why it failed.
struct PendingFile {
  std::filesystem::path file;
  std::string last_try;  // "YYYYMMDD hh:mm", empty when never tried
  std::string reason;    // "not tried yet" before the first try
};

// Says whether a file name is one of a report's upload files, and the day it is for.
using ReportFileDay = std::function<std::optional<LocalDateTime>(std::string_view name)>;

class DeliveryJournal {
 public:
  // Reads the journal of `folder`. When there is none yet (the first run after installing, or
  // files made by another program), every report file already present counts as delivered, so
  // that nothing an earlier program sent is sent again; the journal is then written at once.
  // A journal that cannot be read gives an empty one and `error` says why.
  static DeliveryJournal Open(const std::filesystem::path& folder, const ReportFileDay& day_of,
                              const LocalDateTime& now, std::string* error);

  // True when the file's present bytes are the ones last delivered under its name.
  bool IsDelivered(const std::filesystem::path& file) const;
  void MarkDelivered(const std::filesystem::path& file, const LocalDateTime& when);
  void MarkFailed(const std::filesystem::path& file, std::string_view reason,
                  const LocalDateTime& when);

  // The report files in the folder that are not delivered, of `days` days up to `today`
  // (inclusive), oldest day first, then by name.
  std::vector<std::filesystem::path> Pending(int days, const LocalDateTime& today) const;
  // The same, each with its last try and reason.
  std::vector<PendingFile> PendingWithReasons(int days, const LocalDateTime& today) const;

  // The entry of `name`, or nullptr.
  const JournalEntry* Find(std::string_view name) const;
  const std::vector<JournalEntry>& entries() const { return entries_; }

  // Writes the journal through a temporary file. False, with `error`, when that fails.
  bool Save(std::string* error) const;

 private:
  DeliveryJournal(std::filesystem::path folder, ReportFileDay day_of)
      : folder_(std::move(folder)), day_of_(std::move(day_of)) {}
  JournalEntry& EntryOf(const std::filesystem::path& file);

  std::filesystem::path folder_;
  ReportFileDay day_of_;
  std::vector<JournalEntry> entries_;
};

// The size and SHA-256 of a file's bytes; nullopt when it cannot be read.
struct FileDigest {
  std::int64_t size = 0;
  std::string sha256;
};
std::optional<FileDigest> DigestOf(const std::filesystem::path& file);

}  // namespace kez

#endif  // KEZ_APP_DELIVERY_JOURNAL_H_
