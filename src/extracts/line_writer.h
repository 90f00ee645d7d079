// Writes one line of an extract straight into its file's buffer: columns joined by "|", ended by
// CR LF, numbers written in place rather than through strings. The sales extract writes a line for
// every sale line of the store, so this is the inner loop of its run.
#ifndef KEZ_EXTRACTS_LINE_WRITER_H_
#define KEZ_EXTRACTS_LINE_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "extracts/extract_output.h"
#include "platform/number_text.h"

namespace kez {

class LineWriter {
 public:
  // Starts a line at the end of `file`'s lines. One line is written at a time: the next starts
  // after End.
  explicit LineWriter(ExtractFile& file) : file_(file) { Bind(); }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // The next column. A text holding "|" fills as many columns as it has parts: a sale's columns
  // that every line of the sale repeats are joined once and written as one text.
  void Text(std::string_view text) {
    Room(text.size() + 1);
    if (!text.empty()) std::memcpy(at_, text.data(), text.size());
    at_ += text.size();
    *at_++ = '|';
  }
  // The next column: CurrencyText, SingleText or WholeNumberText of the value.
  void Currency(std::int64_t ten_thousandths) {
    Room(kNumberTextMost + 1);
    at_ = WriteCurrencyText(ten_thousandths, at_);
    *at_++ = '|';
  }
  void Single(float value) {
    Room(kNumberTextMost + 1);
    at_ = WriteSingleText(value, at_);
    *at_++ = '|';
  }
  void WholeNumber(double whole) {
    Room(kNumberTextMost + 1);
    at_ = WriteWholeNumberText(whole, at_);
    *at_++ = '|';
  }

  // Ends the line (the "|" after its last column becomes CR LF) and adds it to the file. `key` is
  // the text of the line's key column, the record it stands for: a file that keeps undelivered
  // lines drops the old lines of the records it writes again.
  void End(std::string_view key) {
    Room(2);
    if (at_ != file_.pending_.data() + file_.used_) --at_;
    *at_++ = '\r';
    *at_++ = '\n';
    file_.EndLine(static_cast<std::size_t>(at_ - file_.pending_.data()), key);
    Bind();
  }

 private:
  // Every column keeps room for one byte more than it writes, for the "|" after it.
  void Room(std::size_t bytes) {
    if (static_cast<std::size_t>(limit_ - at_) < bytes) {
      const auto at = static_cast<std::size_t>(at_ - file_.pending_.data());
      file_.MakeRoom(at + bytes);
      at_ = file_.pending_.data() + at;
      limit_ = file_.pending_.data() + file_.pending_.size();
    }
  }
  void Bind() {
    at_ = file_.pending_.data() + file_.used_;
    limit_ = file_.pending_.data() + file_.pending_.size();
  }

  ExtractFile& file_;
  char* at_ = nullptr;
  char* limit_ = nullptr;
};

}  // namespace kez

#endif  // KEZ_EXTRACTS_LINE_WRITER_H_
