// ConsoleHost: the host of kezagg, which runs without a screen and must never wait for a person.
// Every message goes to standard error as "title: text", in UTF-8, with its line breaks as new
// lines. Questions are answered by a fixed policy:
// - an OK box is answered OK;
// - a retry question (its kind says so) is answered Retry or Yes up to `retry_limit` times, each
// after `retry_pause` so that
//   the cause (a locked record, a server that is down) has time to clear; the next time it is
//   answered Cancel or No, and its count starts again;
// - any other question is answered No or Cancel: nothing is defined or changed without a person.
// The decision rests on the question's kind alone; rewording a message never changes an answer.
// The answer follows the question on the same line: "[answered Yes]".
#ifndef KEZ_CLI_CONSOLE_HOST_H_
#define KEZ_CLI_CONSOLE_HOST_H_

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "platform/host.h"

namespace kez::cli {

class ConsoleHost : public Host {
 public:
  struct Policy {
    int retry_limit = 3;
    std::chrono::milliseconds retry_pause{2000};
  };

  ConsoleHost() : ConsoleHost(Policy{}) {}
  explicit ConsoleHost(Policy policy, std::FILE* out = stderr) : policy_(policy), out_(out) {}

  MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon,
                            std::string_view title, MessageKind kind) override;
  void DoEvents() override {}
  void SetBusy(bool) override {}
  void SetProgress(int, std::string_view) override {}
  bool OpenWithViewer(const std::filesystem::path&) override { return false; }
  // The current local time, or the moment given to StartClockAt plus the time since that call.
  LocalDateTime Now() override;

  // Makes the clock read `start` now and run on from there (the --now option).
  void StartClockAt(const LocalDateTime& start);

 private:
  MessageAnswer Decide(std::string_view text, MessageButtons buttons, MessageKind kind);

  Policy policy_;
  std::FILE* out_;
  std::map<std::string, int, std::less<>> retries_;  // retry answers given so far, per question
  // Seconds between the system clock and the program's clock (the --now option).
  long long clock_offset_seconds_ = 0;
};

// The text as the terminal shows it: UTF-8, each CR LF or lone CR a new line.
std::string ConsoleText(std::string_view text);

}  // namespace kez::cli

#endif  // KEZ_CLI_CONSOLE_HOST_H_
