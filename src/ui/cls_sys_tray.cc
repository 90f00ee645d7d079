#include "ui/cls_sys_tray.h"

#include <QBitmap>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "ui/notify_area.h"

namespace kez::ui {
namespace {

constexpr std::uint32_t kIconId = 1;
constexpr int kDrawnIconSize = 32;

// A colour given as 0x00BBGGRR.
QColor ColourOf(std::int64_t value) {
  return QColor(static_cast<int>(value & 0xff), static_cast<int>((value >> 8) & 0xff),
                static_cast<int>((value >> 16) & 0xff));
}

}  // namespace

clsSysTray::clsSysTray(NotifyArea& shell, QObject* parent) : QObject(parent), shell_(shell) {}

clsSysTray::~clsSysTray() { Class_Terminate(); }

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
  nid_.hIcon = QIcon(drawn);
  nid_.uFlags = NIF_ICON;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::Init(QWidget* window, const QString& tooltip) {
  nid_.cbSize = kNotifyIconDataSize;
  nid_.hWnd = window;
  nid_.uID = kIconId;
  nid_.uFlags = NIF_MESSAGE;
  nid_.uCallbackMessage = WM_MOUSEMOVE;
  nid_.hIcon = window->windowIcon();
  shell_.Shell_NotifyIcon(NIM_ADD, nid_);
  SetIcon(window);
  SetTooltipText(tooltip);
}

void clsSysTray::MouseMove(std::int16_t /*Button*/, std::int32_t X, QWidget* /*window*/) {
  switch (static_cast<std::uint32_t>(X)) {
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
  nid_.hIcon = window->windowIcon();
  nid_.uFlags = NIF_ICON;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::ShowBalloonTip(const QString& message, std::int32_t icon, const QString& title,
                                std::int32_t timeout_ms) {
  SetField(nid_.szInfo, message);
  SetField(nid_.szInfoTitle, title);
  nid_.uTimeout = static_cast<std::uint32_t>(timeout_ms);
  nid_.dwInfoFlags = static_cast<std::uint32_t>(icon);
  nid_.uFlags = NIF_INFO;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::SetTooltipText(const QString& text) {
  tooltip_ = text;
  SetField(nid_.szTip, text);
  nid_.uFlags = NIF_TIP;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::Class_Terminate() { shell_.Shell_NotifyIcon(NIM_DELETE, nid_); }

bool clsSysTray::IconShown() const { return shell_.Icon(nid_.hWnd, nid_.uID) != nullptr; }

}  // namespace kez::ui
