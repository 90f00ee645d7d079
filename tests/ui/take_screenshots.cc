// take_screenshots: the README's pictures of the settings window, one per tab, over a sample store
// after a real run of the Marketing Portal report that uploads to a local FTP server, the tray
// menu open below the icon when a tray host is there, and the program's icon files.
// scripts/screenshots runs it under Xvfb with a tray host, so that the pictures show the X11 style
// a desktop shows; scripts/windows-screenshots runs the Windows build under wine, which cannot
// start the test server itself and is given the port of one already running.
//
// take_screenshots SCREENSHOT_FOLDER ICON_FILE [--prefix NAME_PREFIX] [--ftp-port PORT]
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QtEndian>
#include <cstdio>
#include <memory>
#include <string>

#include "app/start_up.h"
#include "transfer/ftp_test_server.h"
#include "ui/app_icon.h"
#include "ui/cls_sys_tray.h"
#include "ui/frm_kez_data_aggregator.h"
#include "ui/tray_program.h"
#include "ui_test_support.h"

namespace {

// The demonstration settings: a daily upload at 2:00 AM for the Marketing Portal, a weekly one on
// Mondays for SymphonyIRI, both to the local server.
void FillDemoSettings(kez::AppContext& context, int port) {
  for (kez::clsSettings& record : context.ReportSettings) {
    record.FTPAddress = "127.0.0.1:" + std::to_string(port);
    record.FTPLogin = kez::testing::FtpTestServer::kUser;
    record.FTPPassword = kez::testing::FtpTestServer::kPassword;
    record.FTPDirectory = "/";
    record.FTPPort = std::to_string(port);
    record.StartTimeTime = {1899, 12, 30, 2, 0, 0, 0};
  }
  context.ReportSettings.at(1).FTPRunDailyOrWeekly = false;
  context.ReportSettings.at(1).FTPRunWeeklyMon = true;
  context.ReportSettings.at(0).Run = true;
}

bool Save(QWidget& window, const QString& file) {
  QApplication::processEvents();
  if (window.grab().save(file)) return true;
  std::fprintf(stderr, "take_screenshots: cannot write %s\n", qPrintable(file));
  return false;
}

// The tray with the icon's menu open below it, as a right click shows it. False when there is no
// tray host to show the icon.
bool SaveTrayMenu(kez::ui::TrayProgram& program, const QString& file) {
  QSystemTrayIcon* icon = program.tray_window()->tray().icon();
  if (icon == nullptr || icon->contextMenu() == nullptr) return false;
  QTest::qWait(500);  // the tray host embeds the icon
  const QRect at = icon->geometry();
  if (!at.isValid()) return false;
  QMenu* menu = icon->contextMenu();
  menu->popup(at.bottomLeft() + QPoint(0, 4));
  QTest::qWait(300);
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area =
      at.united(menu->geometry()).adjusted(-60, -4, 8, 8).intersected(screen->geometry());
  const bool saved =
      screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
  menu->hide();
  return saved;
}

// The icon file Windows shows for the program: the icon drawn at the sizes Explorer, the Start
// menu and the task bar ask for, each stored as PNG, which an icon file may hold.
bool SaveWindowsIcon(const QString& file) {
  const int sizes[] = {16, 24, 32, 48, 64, 256};
  constexpr int kCount = sizeof sizes / sizeof sizes[0];
  QByteArray images[kCount];
  for (int i = 0; i < kCount; ++i) {
    QBuffer buffer(&images[i]);
    buffer.open(QIODevice::WriteOnly);
    if (!kez::ui::AppIconPixmap(sizes[i]).save(&buffer, "PNG")) return false;
  }
  QByteArray out;
  auto put16 = [&out](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  auto put32 = [&out](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  put16(0);
  put16(qToLittleEndian<quint16>(1));  // an icon, not a cursor
  put16(qToLittleEndian<quint16>(kCount));
  quint32 offset = 6 + 16 * kCount;
  for (int i = 0; i < kCount; ++i) {
    const char side = static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]);  // 0 stands for 256
    out.append(side).append(side).append('\0').append('\0');
    put16(qToLittleEndian<quint16>(1));   // colour planes
    put16(qToLittleEndian<quint16>(32));  // bits per pixel
    put32(qToLittleEndian<quint32>(static_cast<quint32>(images[i].size())));
    put32(qToLittleEndian<quint32>(offset));
    offset += static_cast<quint32>(images[i].size());
  }
  for (const QByteArray& image : images) out.append(image);
  QFile icon(file);
  return icon.open(QIODevice::WriteOnly) && icon.write(out) == out.size() && icon.flush();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString prefix;
  int port = 0;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 3; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--prefix")) prefix = args[i + 1];
    if (args[i] == QLatin1String("--ftp-port")) port = args[i + 1].toInt();
  }
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr,
                 "usage: take_screenshots SCREENSHOT_FOLDER ICON_FILE "
                 "[--prefix NAME_PREFIX] [--ftp-port PORT]\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + prefix;
  kez::testing::MessageWatcher messages;
  kez::testing::ProgramFolders folders;
  if (!kez::testing::WriteSampleStore(folders.data.path(), folders.host.Now())) return 1;
#ifdef KEZ_STARTS_FTP_SERVER
  kez::testing::TempDir server_dir;
  std::unique_ptr<kez::testing::FtpTestServer> server;
  if (port == 0) {
    std::string error;
    server = kez::testing::FtpTestServer::Start(server_dir.path(), {}, &error);
    if (!server) {
      std::fprintf(stderr, "take_screenshots: no FTP server: %s\n", error.c_str());
      return 1;
    }
    port = server->port();
  }
#endif
  if (port == 0) {
    std::fprintf(stderr, "take_screenshots: no FTP server: give --ftp-port\n");
    return 1;
  }
  kez::ui::TrayProgram program(*folders.context, folders.host);
  try {
    kez::StartUp(*folders.context);
  } catch (const kez::ProgramEnd& end) {
    std::fprintf(stderr, "take_screenshots: start-up ended with %d\n", end.exit_code);
    return 1;
  }
  FillDemoSettings(*folders.context, port);
  kez::ui::frmKezDataAggregator& window = *program.settings_window();
  window.ReloadControls();
  window.findChild<QPushButton*>(QStringLiteral("cmdRun"))->click();
  QTest::qWait(200);

  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabPages"));
  const char* names[] = {"reports", "settings", "schedule", "log"};
  for (int tab = 0; tab < tabs->count(); ++tab) {
    tabs->setCurrentIndex(tab);
    if (!Save(window, QStringLiteral("%1%2.png").arg(folder, QLatin1String(names[tab])))) return 1;
  }
  // The pictures are of a successful upload only.
  if (folders.LogText().find("Upload file:") == std::string::npos) {
    std::fprintf(stderr, "take_screenshots: the run uploaded nothing:\n%s\n",
                 folders.LogText().c_str());
    return 1;
  }
  window.hide();
  if (!SaveTrayMenu(program, folder + QStringLiteral("tray-menu.png"))) {
    std::fprintf(stderr, "take_screenshots: no tray host: no picture of the tray menu\n");
  }
  const QString icon = QString::fromLocal8Bit(argv[2]);
  if (!kez::ui::AppIconPixmap(256).save(icon + QStringLiteral(".png"))) return 1;
  if (!SaveWindowsIcon(icon + QStringLiteral(".ico"))) return 1;
  return 0;
}
