#include "ui/qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "platform/app_titles.h"
#include "platform/program_folder.h"
#include "ui/bar_progress.h"
#include "ui/ui_text.h"

namespace kez::ui {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

MessageAnswer AnswerOf(QMessageBox::StandardButton button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    case QMessageBox::Retry:
      return MessageAnswer::kRetry;
    case QMessageBox::Cancel:
      return MessageAnswer::kCancel;
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    default:
      break;
  }
  // A box closed without a button (the window manager's close) answers as its escape button.
  switch (buttons) {
    case MessageButtons::kYesNo:
      return MessageAnswer::kNo;
    case MessageButtons::kRetryCancel:
      return MessageAnswer::kCancel;
    case MessageButtons::kOk:
      break;
  }
  return MessageAnswer::kOk;
}

}  // namespace

QtHost::~QtHost() {
  if (busy_) QApplication::restoreOverrideCursor();
}

MessageAnswer QtHost::ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon,
                                  std::string_view title, MessageKind) {
  ThrowIfEnding();
  QMessageBox box(BoxIcon(icon), FromCore(title.empty() ? kApplicationTitle : title),
                  MessageText(text));
  box.setObjectName(QStringLiteral("hostMessage"));
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
    case MessageButtons::kRetryCancel:
      box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Retry);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  // A message asked for by a job must be seen even while the busy pointer is up.
  if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int chosen = box.exec();
  if (busy_) QApplication::restoreOverrideCursor();
  ThrowIfEnding();
  return AnswerOf(static_cast<QMessageBox::StandardButton>(chosen), buttons);
}

void QtHost::DoEvents() {
  ThrowIfEnding();
  QCoreApplication::processEvents();
  ThrowIfEnding();
}

void QtHost::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtHost::SetProgress(int position, std::string_view caption) {
  if (progress_) progress_->Set(position, FromCore(caption));
}

bool QtHost::OpenWithViewer(const std::filesystem::path& file) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void QtHost::SetProgressDisplay(BarProgress* display) { progress_ = display; }

LocalDateTime QtHost::Now() { return CurrentLocalDateTime(); }

void QtHost::FromEventLoop(const std::function<void()>& operation) {
  if (ending()) return;
  try {
    operation();
  } catch (const ProgramEnd& end) {
    end_code_ = end.exit_code;
    QCoreApplication::exit(end.exit_code);
  }
}

void QtHost::ThrowIfEnding() const {
  if (end_code_) throw ProgramEnd{*end_code_};
}

}  // namespace kez::ui
