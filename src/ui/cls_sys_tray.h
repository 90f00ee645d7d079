// clsSysTray: one tray icon of a window, over QSystemTrayIcon. It adds, changes and removes the
// icon, hands its popup menu to the icon (so that every kind of tray, the StatusNotifier hosts of
// today's desktops included, opens it on a right click), and turns what happens to the icon into
// named events through the callback codes of MouseMove.
#ifndef KEZ_UI_CLS_SYS_TRAY_H_
#define KEZ_UI_CLS_SYS_TRAY_H_

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <cstdint>
#include <functional>

class QLabel;
class QMenu;
class QTimer;
class QWidget;

namespace kez::ui {

// Callback codes: what happened to the icon, as MouseMove receives them.
inline constexpr std::int32_t WM_LBUTTONUP = 0x202;
inline constexpr std::int32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr std::int32_t WM_RBUTTONUP = 0x205;
inline constexpr std::int32_t NIN_BALLOONHIDE = 0x403;
inline constexpr std::int32_t NIN_BALLOONTIMEOUT = 0x404;
inline constexpr std::int32_t NIN_BALLOONUSERCLICK = 0x405;

// Balloon icon codes.
inline constexpr std::int32_t NIIF_NONE = 0;
inline constexpr std::int32_t NIIF_INFO = 1;
inline constexpr std::int32_t NIIF_WARNING = 2;
inline constexpr std::int32_t NIIF_ERROR = 3;

class clsSysTray : public QObject {
  Q_OBJECT

 public:
  // Whether a tray host is there to show icons; QSystemTrayIcon's answer unless a test says.
  using Availability = std::function<bool()>;

  // The longest texts the icon takes: tooltip, balloon message, balloon title.
  static constexpr int kTooltipLength = 127;
  static constexpr int kBalloonMessageLength = 255;
  static constexpr int kBalloonTitleLength = 63;
  // The balloon time-out when the caller gives none.
  static constexpr std::int32_t kDefaultBalloonTimeout = 10000;

  explicit clsSysTray(Availability available = {}, QObject* parent = nullptr);
  // Removes the icon (Class_Terminate).
  ~clsSysTray() override;

  // Makes an icon from the picture box's image and shows it. With a transparent colour (0 or
  // more, as 0x00BBGGRR) the icon is the image's top-left 32 by 32 pixels, that colour's pixels
  // transparent; without one (negative) it is the whole image, opaque.
  void DrawIcon(QLabel* picture, std::int64_t transparent_colour = -1);
  // Adds the icon for `window` with the window's icon (SetIcon) and the tooltip. Without a tray
  // host the icon is not shown; a later Init tries again.
  void Init(QWidget* window, const QString& tooltip);
  // Raises the event that the callback code `X` stands for; other codes are ignored.
  void MouseMove(std::int16_t Button, std::int32_t X, QWidget* window);
  // Shows `window`'s own window icon as the tray icon.
  void SetIcon(QWidget* window);
  // Shows a balloon: the message cut to 255 characters, the title to 63; `icon` is the balloon
  // icon code (NIIF_*). BalloonTimeOut follows after `timeout_ms` unless it is clicked first.
  void ShowBalloonTip(const QString& message, std::int32_t icon = NIIF_NONE,
                      const QString& title = QString(),
                      std::int32_t timeout_ms = kDefaultBalloonTimeout);
  // The tooltip as last set, whole.
  QString TooltipText() const { return tooltip_; }
  // Keeps `text` and shows it as the icon's tooltip, cut to 127 characters.
  void SetTooltipText(const QString& text);
  // The menu that the tray opens on a right click (the icon does not own it).
  void SetContextMenu(QMenu* menu);
  // Removes the icon. Harmless when it is gone already.
  void Class_Terminate();

  // True while the tray shows this object's icon.
  bool IconShown() const;
  // The icon as the tray has it; null before Init and after Class_Terminate.
  QSystemTrayIcon* icon() const { return icon_; }

  // The callback code for one of QSystemTrayIcon's activation reasons; 0 for none.
  static std::int32_t CallbackCode(QSystemTrayIcon::ActivationReason reason);

 signals:
  void LeftClick();
  void RightClick();
  void DoubleClick();
  void BalloonHide();
  void BalloonTimeOut();
  void BalloonClicked();

 private:
  Availability available_;
  QSystemTrayIcon* icon_ = nullptr;
  QTimer* balloon_ = nullptr;
  QWidget* window_ = nullptr;
  QMenu* menu_ = nullptr;
  QString tooltip_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_CLS_SYS_TRAY_H_
