#include "ui/focus_events.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace kez::ui {
namespace {

class FocusOutHook : public QObject {
 public:
  FocusOutHook(QWidget* control, std::function<void()> action)
      : QObject(control), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) action_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

class EnterHook : public QObject {
 public:
  explicit EnterHook(QWidget* control) : QObject(control), control_(control) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The next control that takes the focus by Tab, past the control's own parts (a date
        // picker moves between its sections on Tab).
        QWidget* next = control_->nextInFocusChain();
        while (next != control_ &&
               (control_->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus) ||
                !next->isVisible() || !next->isEnabled())) {
          next = next->nextInFocusChain();
        }
        next->setFocus(Qt::TabFocusReason);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* control_;
};

}  // namespace

void OnFocusOut(QWidget* control, std::function<void()> action) {
  control->installEventFilter(new FocusOutHook(control, std::move(action)));
}

void EnterMovesFocusOn(QWidget* control) {
  auto* hook = new EnterHook(control);
  control->installEventFilter(hook);
  if (auto* editor = control->findChild<QLineEdit*>()) editor->installEventFilter(hook);
}

}  // namespace kez::ui
