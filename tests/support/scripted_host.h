// A host for tests: records every message box, answers from a script, and shows a clock that
// only moves when the test moves it.
#ifndef KEZ_TESTS_SUPPORT_SCRIPTED_HOST_H_
#define KEZ_TESTS_SUPPORT_SCRIPTED_HOST_H_

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host.h"

namespace kez::testing {

struct RecordedMessage {
  std::string text;
  MessageButtons buttons;
  MessageIcon icon;
  std::string title;
  MessageKind kind;
};

struct RecordedProgress {
  int position;
  std::string caption;
};

class ScriptedHost : public Host {
 public:
  MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon,
                            std::string_view title, MessageKind kind) override;
  void DoEvents() override;
  void SetBusy(bool busy) override;
  void SetProgress(int position, std::string_view caption) override;
  bool OpenWithViewer(const std::filesystem::path& file) override;
  LocalDateTime Now() override { return now_; }

  // Answers for the next message boxes, in order. When the script runs out, a box is answered
  // with its first button (OK, Yes or Retry).
  void Answer(MessageAnswer answer) { answers_.push_back(answer); }
  void SetNow(const LocalDateTime& now) { now_ = now; }
  // Moves the clock by whole seconds (either way), carrying into minutes, hours and days.
  void AdvanceSeconds(long long seconds);

  const std::vector<RecordedMessage>& messages() const { return messages_; }
  const std::vector<RecordedProgress>& progress() const { return progress_; }
  const std::vector<std::filesystem::path>& opened_files() const { return opened_; }
  int do_events_calls() const { return do_events_calls_; }
  bool busy() const { return busy_; }
  void ClearMessages() { messages_.clear(); }

 private:
  std::deque<MessageAnswer> answers_;
  std::vector<RecordedMessage> messages_;
  std::vector<RecordedProgress> progress_;
  std::vector<std::filesystem::path> opened_;
  LocalDateTime now_{2026, 1, 5, 9, 0, 0, 0};
  int do_events_calls_ = 0;
  bool busy_ = false;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_SUPPORT_SCRIPTED_HOST_H_
