// Lines of lowercase hex, one a record, for `kezagg dump --raw`: gathered into one buffer and
// written in large pieces, since encoding and writing each record on its own cost more than
// reading it.
#ifndef KEZ_CLI_HEX_LINES_H_
#define KEZ_CLI_HEX_LINES_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace kez::cli {

// Writes the two lowercase hex digits of each of `n` bytes to `out` (2n chars); returns the end.
char* EncodeHex(const std::uint8_t* bytes, std::size_t n, char* out);

class HexLines {
 public:
  explicit HexLines(std::FILE* out) : out_(out), buffer_(kFlushAt) {}
  ~HexLines() { Flush(); }
  HexLines(const HexLines&) = delete;
  HexLines& operator=(const HexLines&) = delete;

  void Add(const std::uint8_t* bytes, std::size_t n);
  void Flush();

 private:
  static constexpr std::size_t kFlushAt = 1 << 18;

  std::FILE* out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace kez::cli

#endif  // KEZ_CLI_HEX_LINES_H_
