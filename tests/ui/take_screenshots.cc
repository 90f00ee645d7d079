// take_screenshots: the README's pictures of the settings window, one per tab, over a sample store
// after a real run of the Marketing Portal report, and the program's icon file. scripts/screenshots
// runs it under Xvfb so that the pictures show the X11 style a desktop shows.
//
// take_screenshots SCREENSHOT_FOLDER ICON_FILE
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "app/start_up.h"
#include "ui/app_icon.h"
#include "ui/frm_kez_data_aggregator.h"
#include "ui/tray_program.h"
#include "ui_test_support.h"

namespace {

// The demonstration settings: a daily upload at 2:00 AM for the Marketing Portal, a weekly one on
// Mondays for SymphonyIRI, both to a server that is not there.
void FillDemoSettings(kez::AppContext& context) {
  for (kez::clsSettings& record : context.ReportSettings) {
    record.FTPAddress = "127.0.0.1";
    record.FTPLogin = "store00001";
    record.FTPPassword = "password";
    record.FTPDirectory = "/upload";
    record.FTPPort = "1";
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
  kez::ui::TrayProgram program(*folders.context, folders.host);
  try {
    kez::StartUp(*folders.context);
  } catch (const kez::ProgramEnd& end) {
    std::fprintf(stderr, "take_screenshots: start-up ended with %d\n", end.exit_code);
    return 1;
  }
  FillDemoSettings(*folders.context);
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
  if (!kez::ui::AppIconPixmap(256).save(QString::fromLocal8Bit(argv[2]))) return 1;
  return 0;
}
