#include "cli/console_host.h"

#include <thread>

#include "platform/date_text.h"
#include "platform/program_folder.h"
#include "platform/windows1252.h"

namespace kez::cli {
namespace {

const char* AnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kOk:
      return "OK";
    case MessageAnswer::kYes:
      return "Yes";
    case MessageAnswer::kNo:
      return "No";
    case MessageAnswer::kRetry:
      return "Retry";
    case MessageAnswer::kCancel:
      return "Cancel";
  }
  return "";
}

}  // namespace

std::string ConsoleText(std::string_view text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return Utf8FromWindows1252(lines);
}

MessageAnswer ConsoleHost::Decide(std::string_view text, MessageButtons buttons, MessageKind kind) {
  if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  const bool yes_no = buttons == MessageButtons::kYesNo;
  if (kind != MessageKind::kRetry) return yes_no ? MessageAnswer::kNo : MessageAnswer::kCancel;
  auto count = retries_.find(text);
  if (count == retries_.end()) count = retries_.emplace(std::string(text), 0).first;
  if (count->second >= policy_.retry_limit) {
    count->second = 0;
    return yes_no ? MessageAnswer::kNo : MessageAnswer::kCancel;
  }
  ++count->second;
  std::this_thread::sleep_for(policy_.retry_pause);
  return yes_no ? MessageAnswer::kYes : MessageAnswer::kRetry;
}

MessageAnswer ConsoleHost::ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon,
                                       std::string_view title, MessageKind kind) {
  const std::string shown = ConsoleText(title) + ": " + ConsoleText(text);
  if (buttons == MessageButtons::kOk) {
    std::fprintf(out_, "%s\n", shown.c_str());
    std::fflush(out_);
    return MessageAnswer::kOk;
  }
  // The question is on screen before the pause that may come with its answer.
  std::fprintf(out_, "%s ", shown.c_str());
  std::fflush(out_);
  const MessageAnswer answer = Decide(text, buttons, kind);
  std::fprintf(out_, "[answered %s]\n", AnswerName(answer));
  std::fflush(out_);
  return answer;
}

LocalDateTime ConsoleHost::Now() {
  return AddSeconds(CurrentLocalDateTime(), clock_offset_seconds_);
}

void ConsoleHost::StartClockAt(const LocalDateTime& start) {
  clock_offset_seconds_ = SecondsBetween(CurrentLocalDateTime(), start);
}

}  // namespace kez::cli
