// The services the core asks of whatever runs it: message boxes, the clock, the progress display,
// the mouse pointer, the system viewer and ending the process. The tray program, the command line
// and the tests each provide one.
#ifndef KEZ_PLATFORM_HOST_H_
#define KEZ_PLATFORM_HOST_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace kez {

enum class MessageButtons { kOk, kYesNo, kRetryCancel };
enum class MessageIcon { kNone, kCritical, kQuestion, kExclamation, kInformation };
enum class MessageAnswer { kOk, kYes, kNo, kRetry, kCancel };
// What a message asks: nothing (it informs), whether to try a failed step again, or a decision.
// A host that answers by itself decides by this, never by the message's wording.
enum class MessageKind { kInformation, kRetry, kDecision };

// A local calendar date and wall-clock time, as the store's clock shows it.
struct LocalDateTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Thrown by Host::EndProcess and caught only by main (and tests): the program ends without
// returning into the code that asked for the end, and open files close on the way out.
struct ProgramEnd {
  int exit_code = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Shows a modal message and returns the button the user chose. Texts are single-byte
  // (Windows-1252) text, as everywhere in the core.
  virtual MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon,
                                    std::string_view title, MessageKind kind) = 0;
  // Lets pending window events run (a tick or a click may be handled inside).
  virtual void DoEvents() = 0;
  // Shows the busy (hourglass) pointer while true, the normal arrow otherwise.
  virtual void SetBusy(bool busy) = 0;
  // The progress display: position 0..100 and a caption.
  virtual void SetProgress(int position, std::string_view caption) = 0;
  // Opens a file with the system's viewer; false when that could not be started.
  virtual bool OpenWithViewer(const std::filesystem::path& file) = 0;
  // The current local date and time.
  virtual LocalDateTime Now() = 0;
  // Ends the process: throws ProgramEnd, never returns.
  [[noreturn]] virtual void EndProcess(int exit_code);
};

}  // namespace kez

#endif  // KEZ_PLATFORM_HOST_H_
