// The result of a record-engine operation: a Btrieve status code (0 = success) and, on failure, a
// detail text naming the file and the place where the problem was found.
#ifndef KEZ_BTRIEVE_STATUS_H_
#define KEZ_BTRIEVE_STATUS_H_

#include <memory>
#include <string>
#include <string_view>

namespace btrieve {

// The Btrieve status codes this engine produces.
enum StatusCode : int {
  kOk = 0,
  kInvalidOperation = 1,
  kIoError = 2,
  kFileNotOpen = 3,
  kKeyNotFound = 4,
  kDuplicateKey = 5,
  kInvalidKeyNumber = 6,
  kDifferentKeyNumber = 7,
  kInvalidPositioning = 8,
  kEndOfFile = 9,
  kKeyNotModifiable = 10,
  kInvalidFileName = 11,
  kFileNotFound = 12,
  kDiskFull = 18,
  kRecordManagerInactive = 20,
  kKeyBufferTooShort = 21,
  kDataBufferTooShort = 22,
  kPageSizeError = 24,
  kCreateIoError = 25,
  kInvalidNumberOfKeys = 26,
  kInvalidKeyPosition = 27,
  kInvalidRecordLength = 28,
  kInvalidKeyLength = 29,
  kNotABtrieveFile = 30,
  kOperationNotAllowed = 41,
  kInvalidRecordAddress = 43,
  kInvalidKeyPath = 44,
  kInconsistentKeyFlags = 45,
  kAccessDenied = 46,
  kInvalidAcs = 48,
  kKeyTypeError = 49,
  kVariablePageError = 54,
  kFileAlreadyExists = 59,
  kConflict = 80,
  kLockTableFull = 81,
  kRecordLocked = 84,
  kFileLocked = 85,
  kIncompatibleOpenMode = 88,
};

// A status is made, moved and dropped several times by every read of a record, nearly always
// without a detail: the detail text lives apart, so that an ok status is two words to move.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(int code, std::string detail)
      : code_(code),
        detail_(detail.empty() ? nullptr : std::make_unique<std::string>(std::move(detail))) {}
  Status(const Status& other) : code_(other.code_), detail_(CopyOf(other.detail_)) {}
  Status& operator=(const Status& other) {
    if (this != &other) {
      code_ = other.code_;
      detail_ = CopyOf(other.detail_);
    }
    return *this;
  }
  Status(Status&&) noexcept = default;
  Status& operator=(Status&&) noexcept = default;

  static Status Ok() { return Status(); }

  bool ok() const { return code_ == kOk; }
  int code() const { return code_; }
  const std::string& detail() const { return detail_ ? *detail_ : NoDetail(); }
  // "status 30: <detail>" or "ok".
  std::string ToString() const;

  // Adds context in front of the detail text ("FILE.DAT: page 12: ...").
  Status& Prefix(std::string_view context);

  // Marks a status as deliberately dropped.
  void IgnoreError() const {}

 private:
  static std::unique_ptr<std::string> CopyOf(const std::unique_ptr<std::string>& detail) {
    return detail ? std::make_unique<std::string>(*detail) : nullptr;
  }
  static const std::string& NoDetail();

  int code_ = kOk;
  std::unique_ptr<std::string> detail_;  // null when there is none
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_STATUS_H_
