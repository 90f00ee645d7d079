#include "ui/instance_channel.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace kez::ui {
namespace {

constexpr char kShowRequest[] = "show\n";

QString UserName() {
  for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
    const QString name = qEnvironmentVariable(variable);
    if (!name.isEmpty()) return name;
  }
  return QStringLiteral("user");
}

}  // namespace

QString InstanceChannelName(const std::filesystem::path& lock_file) {
  const QByteArray where = QByteArray::fromStdString(lock_file.string());
  const QByteArray digest = QCryptographicHash::hash(where, QCryptographicHash::Sha256).toHex();
  return QStringLiteral("kez-data-aggregator-%1-%2")
      .arg(UserName(), QString::fromLatin1(digest.left(16)));
}

InstanceServer::InstanceServer(const std::filesystem::path& lock_file, QObject* parent)
    : QObject(parent), name_(InstanceChannelName(lock_file)), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
      connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        while (peer->canReadLine()) {
          if (peer->readLine() == kShowRequest) emit showRequested();
        }
      });
    }
  });
}

bool InstanceServer::Listen() {
  if (server_->listen(name_)) return true;
  // Outside Linux the name is a file or pipe that a killed copy may have left behind.
  QLocalServer::removeServer(name_);
  return server_->listen(name_);
}

bool AskRunningCopyToShow(const std::filesystem::path& lock_file,
                          std::chrono::milliseconds timeout) {
  QLocalSocket socket;
  socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  socket.connectToServer(InstanceChannelName(lock_file));
  const int wait = static_cast<int>(timeout.count());
  if (!socket.waitForConnected(wait)) return false;
  socket.write(kShowRequest);
  socket.flush();
  const bool sent = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(wait);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(wait);
  return sent;
}

}  // namespace kez::ui
