#include "support/scripted_host.h"

#include <chrono>

namespace kez::testing {

MessageAnswer ScriptedHost::ShowMessage(std::string_view text, MessageButtons buttons,
                                        MessageIcon icon, std::string_view title,
                                        MessageKind kind) {
  messages_.push_back({std::string(text), buttons, icon, std::string(title), kind});
  if (!answers_.empty()) {
    MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  switch (buttons) {
    case MessageButtons::kYesNo:
      return MessageAnswer::kYes;
    case MessageButtons::kRetryCancel:
      return MessageAnswer::kRetry;
    case MessageButtons::kOk:
      break;
  }
  return MessageAnswer::kOk;
}

void ScriptedHost::DoEvents() { ++do_events_calls_; }

void ScriptedHost::SetBusy(bool busy) { busy_ = busy; }

void ScriptedHost::SetProgress(int position, std::string_view caption) {
  progress_.push_back({position, std::string(caption)});
}

bool ScriptedHost::OpenWithViewer(const std::filesystem::path& file) {
  opened_.push_back(file);
  return true;
}

void ScriptedHost::AdvanceSeconds(long long seconds) {
  using namespace std::chrono;
  const sys_days day = year_month_day{year{now_.year}, month{static_cast<unsigned>(now_.month)},
                                      std::chrono::day{static_cast<unsigned>(now_.day)}};
  const auto moved = sys_seconds{day} + hours{now_.hour} + minutes{now_.minute} +
                     std::chrono::seconds{now_.second} + std::chrono::seconds{seconds};
  const sys_days new_day = floor<days>(moved);
  const year_month_day ymd{new_day};
  const hh_mm_ss<std::chrono::seconds> time{moved - new_day};
  now_.year = static_cast<int>(ymd.year());
  now_.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  now_.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  now_.hour = static_cast<int>(time.hours().count());
  now_.minute = static_cast<int>(time.minutes().count());
  now_.second = static_cast<int>(time.seconds().count());
}

}  // namespace kez::testing
