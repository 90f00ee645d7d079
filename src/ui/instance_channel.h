// The line between a second start of the program and the copy that runs: the running copy listens
// on a local socket, and a second start that the instance lock turned away asks it to show its
// settings window, so that a user who cannot see the tray icon still reaches the window. The
// socket's name is per user and per lock file, and on Linux lives in the abstract namespace, so a
// killed copy leaves nothing stale behind.
#ifndef KEZ_UI_INSTANCE_CHANNEL_H_
#define KEZ_UI_INSTANCE_CHANNEL_H_

#include <QObject>
#include <QString>
#include <chrono>
#include <filesystem>

class QLocalServer;

namespace kez::ui {

// The socket name for the copies that share `lock_file`, for this user.
QString InstanceChannelName(const std::filesystem::path& lock_file);

// The running copy's end: emits showRequested for each request that arrives.
class InstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(const std::filesystem::path& lock_file, QObject* parent = nullptr);

  // Starts listening; false when the name cannot be taken (the copy then simply cannot be woken).
  bool Listen();

 signals:
  void showRequested();

 private:
  QString name_;
  QLocalServer* server_;
};

// The second start's end: asks the copy that listens for `lock_file` to show its settings window.
// False when no copy answered within `timeout`.
bool AskRunningCopyToShow(const std::filesystem::path& lock_file,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

}  // namespace kez::ui

#endif  // KEZ_UI_INSTANCE_CHANNEL_H_
