// frmSysTray: the hidden window that owns the tray icon, its popup menu ("Launch Portal Setup",
// "Exit") and the one-minute timer that drives the scheduler. What the menu items and the timer
// do is handed in by the program, so that the window knows nothing of the others.
#ifndef KEZ_UI_FRM_SYS_TRAY_H_
#define KEZ_UI_FRM_SYS_TRAY_H_

#include <QWidget>
#include <chrono>
#include <functional>
#include <utility>

class QLabel;
class QMenu;
class QTimer;

namespace kez::ui {

class clsSysTray;

class frmSysTray : public QWidget {
  Q_OBJECT

 public:
  struct Actions {
    std::function<void()> launch_portal_setup;  // the menu's "Launch Portal Setup"
    std::function<void()> exit;                 // the menu's "Exit"
    std::function<void()> tick;                 // every timer interval
    std::function<void()> no_tray;              // the icon could not be added, retries spent
  };
  // How often, and how far apart, adding the icon is tried again while no tray host is there (at
  // login the program may start before the desktop's panel).
  struct Retry {
    int attempts = 5;
    std::chrono::milliseconds interval{5000};
  };

  static constexpr const char* kTooltip = "KEZ Marketing Portal";
  static constexpr std::chrono::milliseconds kTimerInterval{60000};

  // `available` says whether a tray host is there (see clsSysTray; empty: QSystemTrayIcon's
  // answer).
  frmSysTray(Actions actions, Retry retry, std::function<bool()> available = {},
             QWidget* parent = nullptr);
  explicit frmSysTray(Actions actions) : frmSysTray(std::move(actions), Retry{}) {}
  ~frmSysTray() override;

  // The window's load: the tray object with the popup menu, the window hidden, pending events run,
  // the icon added with the tooltip, the timer started.
  void Load();
  // The window's unload: the timer stopped and the icon removed.
  void Unload();

  clsSysTray& tray() { return *tray_; }

 private:
  void MenuChosen(const QString& caption);
  void TryAgain();

  Actions actions_;
  std::function<bool()> available_;
  Retry retry_;
  int attempts_left_ = 0;
  clsSysTray* tray_;
  QMenu* mnuSysTray_;
  QLabel* pic_;
  QTimer* tmr_;
  QTimer* retry_timer_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_FRM_SYS_TRAY_H_
