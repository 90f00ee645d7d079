// TrayProgram: the tray program's windows as the core's start-up and end drive them. It fills the
// context's window hooks (the hidden tray window, the settings window, unloading both) and the
// data path dialog hook, carries out the tray menu, runs the scheduler from the tray window's
// timer, and shows the settings window when a second start asks for it.
#ifndef KEZ_UI_TRAY_PROGRAM_H_
#define KEZ_UI_TRAY_PROGRAM_H_

#include <QObject>
#include <functional>
#include <memory>

#include "context/app_context.h"
#include "ui/frm_sys_tray.h"

namespace kez::ui {

class InstanceServer;
class QtHost;
class frmKezDataAggregator;

class TrayProgram : public QObject {
  Q_OBJECT

 public:
  // `host` must be the context's host. `retry` says how long to wait for a tray host at login;
  // `tray_available` whether one is there (empty: QSystemTrayIcon's answer).
  TrayProgram(AppContext& context, QtHost& host, frmSysTray::Retry retry = frmSysTray::Retry{},
              std::function<bool()> tray_available = {});
  ~TrayProgram() override;

  // Loads the hidden tray window: the icon and the one-minute timer.
  void LoadTrayWindow();
  // Shows the settings window, creating and loading it on first use. May end the program
  // (ProgramEnd) as the window's load may.
  void ShowSettingsWindow();
  // Unloads the settings window and the tray window, letting pending events run after each.
  void UnloadWindows();
  // The tray menu's "Exit": the settings window and the tray window unloaded, then EndProgram.
  void Exit();
  // Listens for second starts asking for the settings window.
  void ListenForSecondStarts();

  frmSysTray* tray_window() const { return tray_.get(); }
  frmKezDataAggregator* settings_window() const { return settings_.get(); }

 private:
  AppContext& context_;
  QtHost& host_;
  frmSysTray::Retry retry_;
  std::function<bool()> tray_available_;
  std::unique_ptr<frmKezDataAggregator> settings_;
  std::unique_ptr<frmSysTray> tray_;
  std::unique_ptr<InstanceServer> server_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_TRAY_PROGRAM_H_
