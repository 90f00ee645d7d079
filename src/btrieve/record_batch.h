// Records read together by one operation: their bytes one after another, and where each ends.
// The buffers are kept from batch to batch, so a reader that takes a whole file allocates
// nothing per record.
#ifndef KEZ_BTRIEVE_RECORD_BATCH_H_
#define KEZ_BTRIEVE_RECORD_BATCH_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace btrieve {

class RecordBatch {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::span<const std::uint8_t> operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return {bytes_.data() + begin, ends_[i] - begin};
  }
  void clear() {
    bytes_.clear();
    ends_.clear();
  }

  // The bytes that records are added to: a reader appends one record's bytes, then ends it.
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  void EndRecord() { ends_.push_back(bytes_.size()); }
  // Drops what was appended after the last whole record.
  void DropPartial() { bytes_.resize(ends_.empty() ? 0 : ends_.back()); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> ends_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_RECORD_BATCH_H_
