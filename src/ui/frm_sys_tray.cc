#include "ui/frm_sys_tray.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <utility>

#include "ui/app_icon.h"
#include "ui/cls_sys_tray.h"

namespace kez::ui {
namespace {

constexpr const char* kLaunchCaption = "Launch Portal Setup";
constexpr const char* kExitCaption = "Exit";

}  // namespace

frmSysTray::frmSysTray(Actions actions, Retry retry, std::function<bool()> available,
                       QWidget* parent)
    : QWidget(parent),
      actions_(std::move(actions)),
      available_(std::move(available)),
      retry_(retry),
      tray_(nullptr),
      mnuSysTray_(new QMenu(QStringLiteral("SysTray"), this)),
      pic_(new QLabel(this)),
      tmr_(new QTimer(this)),
      retry_timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("frmSysTray"));
  setWindowTitle(QString::fromLatin1(kTooltip));
  setWindowIcon(AppIcon());
  mnuSysTray_->setObjectName(QStringLiteral("mnuSysTray"));
  QAction* launch = mnuSysTray_->addAction(QString::fromLatin1(kLaunchCaption));
  launch->setObjectName(QStringLiteral("mnuPopup0"));
  mnuSysTray_->addSeparator()->setObjectName(QStringLiteral("mnuPopup1"));
  QAction* exit = mnuSysTray_->addAction(QString::fromLatin1(kExitCaption));
  exit->setObjectName(QStringLiteral("mnuPopup2"));
  pic_->setObjectName(QStringLiteral("pic"));
  pic_->setPixmap(AppIconPixmap(32));
  tmr_->setObjectName(QStringLiteral("tmr"));
  tmr_->setInterval(kTimerInterval);
  retry_timer_->setObjectName(QStringLiteral("tmrTrayRetry"));
  retry_timer_->setInterval(retry_.interval);

  connect(mnuSysTray_, &QMenu::triggered, this,
          [this](QAction* item) { MenuChosen(item->text()); });
  connect(tmr_, &QTimer::timeout, this, [this] {
    if (actions_.tick) actions_.tick();
  });
  connect(retry_timer_, &QTimer::timeout, this, [this] { TryAgain(); });
}

frmSysTray::~frmSysTray() { delete tray_; }

void frmSysTray::Load() {
  if (tray_ == nullptr) {
    tray_ = new clsSysTray(available_);
    // The icon opens the menu on a right click itself: many trays send the click to their host,
    // which shows only the menu the icon carries, so a menu of our own on RightClick would come
    // twice or never.
    tray_->SetContextMenu(mnuSysTray_);
  }
  // Minimised and hidden without ever being mapped: the window only carries the icon and timer.
  setWindowState(windowState() | Qt::WindowMinimized);
  hide();
  QCoreApplication::processEvents();
  tray_->Init(this, QString::fromLatin1(kTooltip));
  tmr_->start();
  attempts_left_ = retry_.attempts;
  if (!tray_->IconShown()) retry_timer_->start();
}

void frmSysTray::Unload() {
  tmr_->stop();
  retry_timer_->stop();
  mnuSysTray_->hide();
  if (tray_ != nullptr) tray_->Class_Terminate();
  hide();
}

void frmSysTray::TryAgain() {
  tray_->Init(this, QString::fromLatin1(kTooltip));
  if (tray_->IconShown()) {
    retry_timer_->stop();
    return;
  }
  if (--attempts_left_ > 0) return;
  retry_timer_->stop();
  if (actions_.no_tray) actions_.no_tray();
}

void frmSysTray::MenuChosen(const QString& caption) {
  if (caption == QLatin1String(kLaunchCaption)) {
    if (actions_.launch_portal_setup) actions_.launch_portal_setup();
  } else if (caption == QLatin1String(kExitCaption)) {
    if (actions_.exit) actions_.exit();
  }
}

}  // namespace kez::ui
