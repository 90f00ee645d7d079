#include "ui/notify_area.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

namespace kez::ui {

struct NotifyArea::Entry {
  QPointer<QWidget> window;
  std::uint32_t id = 0;
  std::uint32_t callback_message = 0;  // 0 until NIF_MESSAGE names one
  QSystemTrayIcon* icon = nullptr;     // owned by the area (its QObject child)
  QTimer* balloon = nullptr;           // runs while a balloon shows
};

namespace {

QSystemTrayIcon::MessageIcon BalloonIcon(std::uint32_t code) {
  switch (code) {
    case NIIF_INFO:
      return QSystemTrayIcon::Information;
    case NIIF_WARNING:
      return QSystemTrayIcon::Warning;
    case NIIF_ERROR:
      return QSystemTrayIcon::Critical;
    default:
      return QSystemTrayIcon::NoIcon;
  }
}

}  // namespace

QEvent::Type NotifyIconEvent::EventType() {
  static const int type = QEvent::registerEventType();
  return static_cast<QEvent::Type>(type);
}

NotifyArea::NotifyArea(QObject* parent)
    : NotifyArea([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, parent) {}

NotifyArea::NotifyArea(Availability available, QObject* parent)
    : QObject(parent), available_(std::move(available)) {
  setObjectName(QStringLiteral("NotifyArea"));
}

NotifyArea::~NotifyArea() {
  for (auto& [key, entry] : icons_) entry.icon->hide();
}

std::uint32_t NotifyArea::CallbackCode(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
      return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
      return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick:
      return WM_MBUTTONUP;
    case QSystemTrayIcon::Unknown:
      break;
  }
  return 0;
}

QSystemTrayIcon* NotifyArea::Icon(const QWidget* window, std::uint32_t id) const {
  const auto found = icons_.find(Key(window, id));
  return found == icons_.end() ? nullptr : found->second.icon;
}

bool NotifyArea::Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  const Key key(data.hWnd, data.uID);
  auto found = icons_.find(key);
  switch (message) {
    case NIM_ADD: {
      if (found != icons_.end() || data.hWnd == nullptr || !available_()) return false;
      Entry& entry = icons_[key];
      entry.window = data.hWnd;
      entry.id = data.uID;
      entry.icon = new QSystemTrayIcon(this);
      entry.icon->setObjectName(QStringLiteral("notifyIcon%1").arg(data.uID));
      entry.balloon = new QTimer(entry.icon);
      entry.balloon->setSingleShot(true);
      connect(entry.icon, &QSystemTrayIcon::activated, this,
              [this, key](QSystemTrayIcon::ActivationReason reason) {
                const auto live = icons_.find(key);
                if (live != icons_.end()) Send(live->second, CallbackCode(reason));
              });
      connect(entry.icon, &QSystemTrayIcon::messageClicked, this, [this, key] {
        const auto live = icons_.find(key);
        if (live == icons_.end()) return;
        live->second.balloon->stop();
        Send(live->second, NIN_BALLOONUSERCLICK);
      });
      connect(entry.balloon, &QTimer::timeout, this, [this, key] {
        const auto live = icons_.find(key);
        if (live != icons_.end()) Send(live->second, NIN_BALLOONTIMEOUT);
      });
      Apply(entry, data);
      return true;
    }
    case NIM_MODIFY:
      if (found == icons_.end()) return false;
      Apply(found->second, data);
      return true;
    case NIM_DELETE: {
      if (found == icons_.end()) return false;
      Entry entry = found->second;
      icons_.erase(found);
      if (entry.balloon->isActive()) Send(entry, NIN_BALLOONHIDE);
      entry.icon->hide();
      // The icon may be the sender of the signal being handled; it goes once that has returned.
      entry.icon->deleteLater();
      return true;
    }
    default:
      return false;
  }
}

void NotifyArea::Apply(Entry& entry, const NotifyIconData& data) {
  if (data.uFlags & NIF_MESSAGE) entry.callback_message = data.uCallbackMessage;
  if (data.uFlags & NIF_ICON) entry.icon->setIcon(data.hIcon);
  // The tray shows an icon once it has a picture (an add may carry none, as Init's does).
  if (!entry.icon->isVisible() && !entry.icon->icon().isNull()) entry.icon->show();
  if (data.uFlags & NIF_TIP) entry.icon->setToolTip(FieldText(data.szTip));
  if (data.uFlags & NIF_INFO) {
    entry.icon->showMessage(FieldText(data.szInfoTitle), FieldText(data.szInfo),
                            BalloonIcon(data.dwInfoFlags), static_cast<int>(data.uTimeout));
    entry.balloon->start(static_cast<int>(data.uTimeout));
  }
}

void NotifyArea::Send(const Entry& entry, std::uint32_t code) {
  if (code == 0 || entry.callback_message == 0 || entry.window.isNull()) return;
  QCoreApplication::postEvent(entry.window.data(),
                              new NotifyIconEvent(entry.callback_message, entry.id, code));
}

}  // namespace kez::ui
