// clsSysTray: one tray icon of a window, kept in a notify-icon record and shown through the
// notification area. It adds, changes and removes the icon, and turns the callback codes that the
// window receives from the area into named events.
#ifndef KEZ_UI_CLS_SYS_TRAY_H_
#define KEZ_UI_CLS_SYS_TRAY_H_

#include <QObject>
#include <QString>
#include <cstdint>

#include "ui/notify_icon_data.h"

class QLabel;
class QWidget;

namespace kez::ui {

class NotifyArea;

class clsSysTray : public QObject {
  Q_OBJECT

 public:
  // The balloon time-out when the caller gives none.
  static constexpr std::int32_t kDefaultBalloonTimeout = 10000;

  explicit clsSysTray(NotifyArea& shell, QObject* parent = nullptr);
  // Removes the icon (Class_Terminate).
  ~clsSysTray() override;

  // Makes an icon from the picture box's image and shows it. With a transparent colour (0 or
  // more, as 0x00BBGGRR) the icon is the image's top-left 32 by 32 pixels, that colour's pixels
  // transparent; without one (negative) it is the whole image, opaque.
  void DrawIcon(QLabel* picture, std::int64_t transparent_colour = -1);
  // Adds the icon for `window`, then takes the window's icon (SetIcon) and sets the tooltip: three
  // messages to the area, in that order, whose results are not checked.
  void Init(QWidget* window, const QString& tooltip);
  // Raises the event that the callback code `X` stands for; other codes are ignored.
  void MouseMove(std::int16_t Button, std::int32_t X, QWidget* window);
  // Shows `window`'s own window icon as the tray icon.
  void SetIcon(QWidget* window);
  // Shows a balloon: the message cut to 255 characters, the title to 63; `icon` is the
  // balloon icon code (NIIF_*).
  void ShowBalloonTip(const QString& message, std::int32_t icon = NIIF_NONE,
                      const QString& title = QString(),
                      std::int32_t timeout_ms = kDefaultBalloonTimeout);
  // The tooltip as last set, whole.
  QString TooltipText() const { return tooltip_; }
  // Keeps `text` and shows it as the icon's tooltip, cut to 127 characters.
  void SetTooltipText(const QString& text);
  // Removes the icon. Harmless when it is gone already.
  void Class_Terminate();

  // The notify-icon record as last sent.
  const NotifyIconData& record() const { return nid_; }
  // True while the area shows this object's icon.
  bool IconShown() const;

 signals:
  void LeftClick();
  void RightClick();
  void DoubleClick();
  void BalloonHide();
  void BalloonTimeOut();
  void BalloonClicked();

 private:
  NotifyArea& shell_;
  NotifyIconData nid_;
  QString tooltip_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_CLS_SYS_TRAY_H_
