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

void clsSysTray::DrawIcon(QLabel* ppic, std::int64_t plngTransparentColor) {
  // The picture box keeps what it shows as its picture.
  QPixmap image = ppic->pixmap();
  if (image.isNull()) image = ppic->grab();
  ppic->setPixmap(image);

  QPixmap drawn;
  if (plngTransparentColor >= 0) {
    drawn = image.copy(0, 0, kDrawnIconSize, kDrawnIconSize);
    const QImage pixels = drawn.toImage().convertToFormat(QImage::Format_RGB32);
    drawn.setMask(QBitmap::fromImage(
        pixels.createMaskFromColor(ColourOf(plngTransparentColor).rgb(), Qt::MaskInColor)));
  } else {
    drawn = image;
  }
  nid_.hIcon = QIcon(drawn);
  nid_.uFlags = NIF_ICON;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::Init(QWidget* pfrm, const QString& pstrTooltip) {
  nid_.cbSize = kNotifyIconDataSize;
  nid_.hWnd = pfrm;
  nid_.uID = kIconId;
  nid_.uFlags = NIF_MESSAGE;
  nid_.uCallbackMessage = WM_MOUSEMOVE;
  nid_.hIcon = pfrm->windowIcon();
  shell_.Shell_NotifyIcon(NIM_ADD, nid_);
  SetIcon(pfrm);
  SetTooltipText(pstrTooltip);
}

void clsSysTray::MouseMove(std::int16_t /*Button*/, std::int32_t X, QWidget* /*pfrm*/) {
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

void clsSysTray::SetIcon(QWidget* pfrm) {
  nid_.hIcon = pfrm->windowIcon();
  nid_.uFlags = NIF_ICON;
  shell_.Shell_NotifyIcon(NIM_MODIFY, nid_);
}

void clsSysTray::ShowBalloonTip(const QString& pstrMessage, std::int32_t penIcon,
                                const QString& pstrTitle, std::int32_t plngTimeout) {
  SetField(nid_.szInfo, pstrMessage);
  SetField(nid_.szInfoTitle, pstrTitle);
  nid_.uTimeout = static_cast<std::uint32_t>(plngTimeout);
  nid_.dwInfoFlags = static_cast<std::uint32_t>(penIcon);
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
