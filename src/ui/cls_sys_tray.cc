#include "ui/cls_sys_tray.h"

#include <QBitmap>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace kez::ui {
namespace {

constexpr int kDrawnIconSize = 32;

// A colour given as 0x00BBGGRR.
QColor ColourOf(std::int64_t value) {
  return QColor(static_cast<int>(value & 0xff), static_cast<int>((value >> 8) & 0xff),
                static_cast<int>((value >> 16) & 0xff));
}

QSystemTrayIcon::MessageIcon BalloonIcon(std::int32_t code) {
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

clsSysTray::clsSysTray(Availability available, QObject* parent)
    : QObject(parent), available_(std::move(available)) {
  if (!available_) available_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

clsSysTray::~clsSysTray() { Class_Terminate(); }

std::int32_t clsSysTray::CallbackCode(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
      return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
      return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
      break;
  }
  return 0;
}

void clsSysTray::DrawIcon(QLabel* picture, std::int64_t transparent_colour) {
  // The picture box keeps what it shows as its picture.
  QPixmap image = picture->pixmap();
  if (image.isNull()) image = picture->grab();
  picture->setPixmap(image);

  QPixmap drawn;
  if (transparent_colour >= 0) {
    drawn = image.copy(0, 0, kDrawnIconSize, kDrawnIconSize);
    const QImage pixels = drawn.toImage().convertToFormat(QImage::Format_RGB32);
    drawn.setMask(QBitmap::fromImage(
        pixels.createMaskFromColor(ColourOf(transparent_colour).rgb(), Qt::MaskInColor)));
  } else {
    drawn = image;
  }
  if (icon_ != nullptr) icon_->setIcon(QIcon(drawn));
}

void clsSysTray::Init(QWidget* window, const QString& tooltip) {
  window_ = window;
  if (icon_ == nullptr && available_()) {
    icon_ = new QSystemTrayIcon(this);
    icon_->setObjectName(QStringLiteral("notifyIcon"));
    icon_->setContextMenu(menu_);
    balloon_ = new QTimer(icon_);
    balloon_->setSingleShot(true);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              MouseMove(0, CallbackCode(reason), window_);
            });
    connect(icon_, &QSystemTrayIcon::messageClicked, this, [this] {
      balloon_->stop();
      MouseMove(0, NIN_BALLOONUSERCLICK, window_);
    });
    connect(balloon_, &QTimer::timeout, this,
            [this] { MouseMove(0, NIN_BALLOONTIMEOUT, window_); });
  }
  SetIcon(window);
  SetTooltipText(tooltip);
}

void clsSysTray::MouseMove(std::int16_t /*Button*/, std::int32_t X, QWidget* /*window*/) {
  switch (X) {
    case WM_LBUTTONUP:
      emit LeftClick();
      break;
    case WM_RBUTTONUP:
      emit RightClick();
      break;
    case WM_LBUTTONDBLCLK:
      emit DoubleClick();
      break;
    case NIN_BALLOONHIDE:
      emit BalloonHide();
      break;
    case NIN_BALLOONTIMEOUT:
      emit BalloonTimeOut();
      break;
    case NIN_BALLOONUSERCLICK:
      emit BalloonClicked();
      break;
    default:
      break;
  }
}

void clsSysTray::SetIcon(QWidget* window) {
  if (icon_ == nullptr || window == nullptr) return;
  icon_->setIcon(window->windowIcon());
  // The tray shows an icon once it has a picture.
  if (!icon_->isVisible() && !icon_->icon().isNull()) icon_->show();
}

void clsSysTray::ShowBalloonTip(const QString& message, std::int32_t icon, const QString& title,
                                std::int32_t timeout_ms) {
  if (icon_ == nullptr) return;
  icon_->showMessage(title.left(kBalloonTitleLength), message.left(kBalloonMessageLength),
                     BalloonIcon(icon), timeout_ms);
  balloon_->start(timeout_ms);
}

void clsSysTray::SetTooltipText(const QString& text) {
  tooltip_ = text;
  if (icon_ != nullptr) icon_->setToolTip(text.left(kTooltipLength));
}

void clsSysTray::SetContextMenu(QMenu* menu) {
  menu_ = menu;
  if (icon_ != nullptr) icon_->setContextMenu(menu);
}

void clsSysTray::Class_Terminate() {
  if (icon_ == nullptr) return;
  QSystemTrayIcon* icon = std::exchange(icon_, nullptr);
  if (balloon_->isActive()) {
    balloon_->stop();
    MouseMove(0, NIN_BALLOONHIDE, window_);
  }
  balloon_ = nullptr;
  icon->hide();
  icon->setContextMenu(nullptr);
  // The icon may be the sender of the signal being handled; it goes once that has returned.
  icon->deleteLater();
}

bool clsSysTray::IconShown() const { return icon_ != nullptr && icon_->isVisible(); }

}  // namespace kez::ui
