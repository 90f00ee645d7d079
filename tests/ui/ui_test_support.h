// Helpers of the window tests: message boxes answered and recorded as they appear, a tiny sample
// store written by the sample generator, and a program context over real folders.
#ifndef KEZ_TESTS_UI_UI_TEST_SUPPORT_H_
#define KEZ_TESTS_UI_UI_TEST_SUPPORT_H_

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "context/app_context.h"
#include "support/temp_dir.h"
#include "ui/qt_host.h"

namespace kez::testing {

struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon;
};

// Watches for message boxes while it lives: each one that becomes the active modal window is
// recorded and answered with the next scripted button, or its escape button when the script is
// empty. Message boxes run their own event loop, so the watcher's timer runs inside it.
class MessageWatcher : public QObject {
 public:
  MessageWatcher();

  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  const std::vector<SeenMessage>& seen() const { return seen_; }
  void Clear() { seen_.clear(); }

 private:
  void Look();

  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<SeenMessage> seen_;
};

// Writes a tiny sample store (dictionary, data files, KEZ.INI) into `folder`, its last sale the
// day before `until`. Returns false with a test failure when the writer refuses.
bool WriteSampleStore(const std::filesystem::path& folder, const LocalDateTime& until);

// Runs `action` once the next top-level widget of type T is shown (a modal dialog opened by the
// code under test), then lets the caller go on. Gives up after a few seconds.
template <class T>
void WhenShown(std::function<void(T*)> action);

// A program context over real folders: AppDir with a KEZDataAggregator.ini that turns the log
// on, the per-user settings store in a folder of its own pointing at a sample store, an instance
// lock file of its own, and QtHost.
class ProgramFolders {
 public:
  ProgramFolders();

  kez::ui::QtHost host;
  kez::testing::TempDir app_dir;
  kez::testing::TempDir settings;
  kez::testing::TempDir data;
  kez::testing::TempDir lock;
  std::unique_ptr<AppContext> context;

  // The activity log's text, or empty when there is none.
  std::string LogText() const;
};

template <class T>
void WhenShown(std::function<void(T*)> action) {
  auto* poll = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, tries, action = std::move(action)] {
    T* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* candidate = qobject_cast<T*>(widget); candidate && candidate->isVisible()) {
        shown = candidate;
      }
    }
    if (shown == nullptr && ++*tries < 500) return;
    poll->stop();
    poll->deleteLater();
    if (shown != nullptr) action(shown);
  });
  poll->start(10);
}

}  // namespace kez::testing

#endif  // KEZ_TESTS_UI_UI_TEST_SUPPORT_H_
