// NotifyArea: the notification area (tray) as a shell service of our own, over QSystemTrayIcon. It
// takes the notify-icon messages of notify_icon_data.h and sends each icon's events back to the
// icon's window as the callback message the icon asked for, carrying the callback code: a click,
// a double click, a right click, a balloon clicked, timed out or hidden. The program keeps one
// for its whole run.
#ifndef KEZ_UI_NOTIFY_AREA_H_
#define KEZ_UI_NOTIFY_AREA_H_

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <utility>

#include "ui/notify_icon_data.h"

class QTimer;

namespace kez::ui {

// The callback message as an icon's window receives it (posted, as the shell posts it).
class NotifyIconEvent : public QEvent {
 public:
  NotifyIconEvent(std::uint32_t message, std::uint32_t id, std::uint32_t code)
      : QEvent(EventType()), message_(message), id_(id), code_(code) {}

  static QEvent::Type EventType();

  std::uint32_t message() const { return message_; }  // the icon's uCallbackMessage
  std::uint32_t id() const { return id_; }            // the icon's uID
  std::uint32_t code() const { return code_; }        // what happened (WM_RBUTTONUP, ...)

 private:
  std::uint32_t message_;
  std::uint32_t id_;
  std::uint32_t code_;
};

class NotifyArea : public QObject {
  Q_OBJECT

 public:
  // Whether a tray host is there to show icons; QSystemTrayIcon's answer unless a test says.
  using Availability = std::function<bool()>;

  explicit NotifyArea(QObject* parent = nullptr);
  NotifyArea(Availability available, QObject* parent);
  ~NotifyArea() override;

  // Carries out one message for the icon that `data` names by window and number. NIM_ADD fails
  // when the icon exists already or no tray host is there; NIM_MODIFY and NIM_DELETE fail when
  // the icon does not exist. Returns whether the message was carried out.
  bool Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data);

  // The icon of `window` numbered `id`, or null when there is none.
  QSystemTrayIcon* Icon(const QWidget* window, std::uint32_t id) const;

  // The callback code for one of QSystemTrayIcon's activation reasons; 0 for none.
  static std::uint32_t CallbackCode(QSystemTrayIcon::ActivationReason reason);

 private:
  struct Entry;
  using Key = std::pair<const QWidget*, std::uint32_t>;

  void Apply(Entry& entry, const NotifyIconData& data);
  void Send(const Entry& entry, std::uint32_t code);

  Availability available_;
  std::map<Key, Entry> icons_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_NOTIFY_AREA_H_
