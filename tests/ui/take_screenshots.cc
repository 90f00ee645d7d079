// take_screenshots: the README's pictures of the settings window, one per tab, over a sample store
// after a real run of the Marketing Portal report that uploads to a local FTP server, the tray
// menu open below the icon when a tray host is there, and the program's icon file.
// scripts/screenshots runs it under Xvfb with a tray host, so that the pictures show the X11 style
// a desktop shows.
//
// take_screenshots SCREENSHOT_FOLDER ICON_FILE
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
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
void FillDemoSettings(kez::AppContext& context, const kez::testing::FtpTestServer& server) {
  for (kez::clsSettings& record : context.ReportSettings) {
    record.FTPAddress = server.address();
    record.FTPLogin = kez::testing::FtpTestServer::kUser;
    record.FTPPassword = kez::testing::FtpTestServer::kPassword;
    record.FTPDirectory = "/";
    record.FTPPort = std::to_string(server.port());
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: take_screenshots SCREENSHOT_FOLDER ICON_FILE\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  kez::testing::MessageWatcher messages;
  kez::testing::ProgramFolders folders;
  if (!kez::testing::WriteSampleStore(folders.data.path(), folders.host.Now())) return 1;
  kez::testing::TempDir server_dir;
  std::string error;
  const std::unique_ptr<kez::testing::FtpTestServer> server =
      kez::testing::FtpTestServer::Start(server_dir.path(), {}, &error);
  if (!server) {
    std::fprintf(stderr, "take_screenshots: no FTP server: %s\n", error.c_str());
    return 1;
  }
  kez::ui::TrayProgram program(*folders.context, folders.host);
  try {
    kez::StartUp(*folders.context);
  } catch (const kez::ProgramEnd& end) {
    std::fprintf(stderr, "take_screenshots: start-up ended with %d\n", end.exit_code);
    return 1;
  }
  FillDemoSettings(*folders.context, *server);
  kez::ui::frmKezDataAggregator& window = *program.settings_window();
  window.ReloadControls();
  window.findChild<QPushButton*>(QStringLiteral("cmdRun"))->click();
  QTest::qWait(200);

  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabPages"));
  const char* names[] = {"reports", "settings", "schedule", "log"};
  for (int tab = 0; tab < tabs->count(); ++tab) {
    tabs->setCurrentIndex(tab);
    if (!Save(window, QStringLiteral("%1/%2.png").arg(folder, QLatin1String(names[tab])))) return 1;
  }
  // The pictures are of a successful upload only.
  if (folders.LogText().find("Upload file:") == std::string::npos) {
    std::fprintf(stderr, "take_screenshots: the run uploaded nothing:\n%s\n",
                 folders.LogText().c_str());
    return 1;
  }
  window.hide();
  if (!SaveTrayMenu(program, folder + QStringLiteral("/tray-menu.png"))) {
    std::fprintf(stderr, "take_screenshots: no tray host: no picture of the tray menu\n");
  }
  if (!kez::ui::AppIconPixmap(256).save(QString::fromLocal8Bit(argv[2]))) return 1;
  return 0;
}
