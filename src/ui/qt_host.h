// QtHost: the host of the tray program. Message boxes are QMessageBox windows, pending events run
// through the application's event loop, the busy pointer is an override cursor, the progress
// display is the settings window's BarProgress, and files open in the desktop's viewer.
//
// The end of the program and Qt's event loop: ProgramEnd must never unwind through Qt's own
// frames. Every slot that calls into the core does so through FromEventLoop, which stops a
// ProgramEnd at the slot's edge, asks every running event loop to quit, and marks the host as
// ending. From then on the host refuses to hand control back to core code that is waiting below
// the event loop: DoEvents and ShowMessage throw the same ProgramEnd again as they return, so the
// end travels on to main one stretch of core frames at a time, and no caller of EndProgram ever
// continues.
#ifndef KEZ_UI_QT_HOST_H_
#define KEZ_UI_QT_HOST_H_

#include <QPointer>
#include <functional>
#include <optional>

#include "platform/host.h"

namespace kez::ui {

class BarProgress;

class QtHost : public Host {
 public:
  QtHost() = default;
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon,
                            std::string_view title, MessageKind kind) override;
  void DoEvents() override;
  void SetBusy(bool busy) override;
  void SetProgress(int position, std::string_view caption) override;
  bool OpenWithViewer(const std::filesystem::path& file) override;
  LocalDateTime Now() override;

  // Where SetProgress goes; until a display is set, progress is dropped.
  void SetProgressDisplay(BarProgress* display);

  // Runs a core operation on behalf of a Qt event (see the class comment). Does nothing once the
  // program is ending.
  void FromEventLoop(const std::function<void()>& operation);

  // True once an operation run through FromEventLoop has ended the program.
  bool ending() const { return end_code_.has_value(); }
  // The exit code of that end (0 when not ending).
  int exit_code() const { return end_code_.value_or(0); }
  // Throws the program's end again when it is ending; for UI code that ran a nested event loop
  // (a modal dialog) on behalf of the core and is about to return into it.
  void ThrowIfEnding() const;

 private:
  QPointer<BarProgress> progress_;
  std::optional<int> end_code_;
  bool busy_ = false;
};

}  // namespace kez::ui

#endif  // KEZ_UI_QT_HOST_H_
