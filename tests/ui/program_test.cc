// The tray program as a whole over a sample store: start-up with its windows, the data path
// dialog at a start without a data path, hiding and showing the settings window from the tray
// menu, a second start, and "Exit".
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <future>

#include "app/app_dir.h"
#include "app/start_up.h"
#include "context/activity_log.h"
#include "posdata/dbsm_catalogue.h"
#include "ui/cls_sys_tray.h"
#include "ui/frm_kez_data_aggregator.h"
#include "ui/frm_sm_datapath2.h"
#include "ui/instance_channel.h"
#include "ui/tray_program.h"
#include "ui_test_support.h"

namespace kez::ui {

using kez::testing::MessageWatcher;
using kez::testing::ProgramFolders;

class ProgramTest : public QObject {
  Q_OBJECT

 private:
  // Runs StartUp and returns the exit code it ended with, or -1 when the program runs.
  int Start(AppContext& context) {
    try {
      StartUp(context);
    } catch (const ProgramEnd& end) {
      return end.exit_code;
    }
    return -1;
  }
  // The icon as the tray has it, or null.
  QSystemTrayIcon* TrayIcon() { return program_->tray_window()->tray().icon(); }
  // An item of the menu that the tray icon carries, as the tray host opens it.
  QAction* MenuItem(const char* caption) {
    QMenu* menu = TrayIcon() == nullptr ? nullptr : TrayIcon()->contextMenu();
    if (menu == nullptr) qFatal("the tray icon carries no menu");
    for (QAction* item : menu->actions()) {
      if (item->text() == QLatin1String(caption)) return item;
    }
    qFatal("no menu item %s", caption);
  }

  std::unique_ptr<MessageWatcher> messages_;
  std::unique_ptr<ProgramFolders> folders_;
  std::unique_ptr<TrayProgram> program_;

 private slots:
  void init() {
    messages_ = std::make_unique<MessageWatcher>();
    folders_ = std::make_unique<ProgramFolders>();
    QVERIFY(kez::testing::WriteSampleStore(folders_->data.path(), folders_->host.Now()));
    // A tray host is there (the offscreen platform has none).
    program_ = std::make_unique<TrayProgram>(*folders_->context, folders_->host,
                                             frmSysTray::Retry{}, [] { return true; });
  }
  void cleanup() {
    program_.reset();
    folders_.reset();
    messages_.reset();
  }

  void StartUpBringsUpTheTrayAndTheSettingsWindow() {
    QCOMPARE(Start(*folders_->context), -1);
    QVERIFY(program_->tray_window() != nullptr);
    QVERIFY(!program_->tray_window()->isVisible());
    QSystemTrayIcon* icon = TrayIcon();
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->toolTip(), QStringLiteral("KEZ Marketing Portal"));
    frmKezDataAggregator* window = program_->settings_window();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Marketing Portal"));
    QCOMPARE(messages_->seen().size(), 0u);
  }

  void ClosingHidesAndTheMenuShowsTheEditsKept() {
    QCOMPARE(Start(*folders_->context), -1);
    frmKezDataAggregator* window = program_->settings_window();
    window->findChild<QLineEdit*>(QStringLiteral("txtStoreNumber"))
        ->setText(QStringLiteral("00042"));
    window->close();
    QVERIFY(!window->isVisible());
    QCOMPARE(program_->settings_window(), window);
    QVERIFY(TrayIcon() != nullptr);

    MenuItem("Launch Portal Setup")->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("txtStoreNumber"))->text(),
             QStringLiteral("00042"));
    QCOMPARE(folders_->context->ReportSettings.at(0).StoreNumber, std::string("00042"));
  }

  void ExitEndsTheProgramCleanly() {
    QCOMPARE(Start(*folders_->context), -1);
    frmKezDataAggregator* window = program_->settings_window();
    window->hide();
    // Exit is chosen while the program waits in its event loop, as it does in the tray.
    QTimer::singleShot(0, this, [this] { MenuItem("Exit")->trigger(); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(folders_->host.ending());
    QCOMPARE(folders_->host.exit_code(), 0);
    QVERIFY(!window->isVisible());
    QVERIFY(TrayIcon() == nullptr);
    for (const DBSM_TableEntry& table : folders_->context->pos.DBSM_Table) {
      QVERIFY(!table.IsOpen);
    }
    // Nothing runs once the program is ending.
    bool ran = false;
    folders_->host.FromEventLoop([&] { ran = true; });
    QVERIFY(!ran);
  }

  void ASecondStartIsRefusedAndWakesTheRunningCopy() {
    QCOMPARE(Start(*folders_->context), -1);
    program_->ListenForSecondStarts();
    frmKezDataAggregator* window = program_->settings_window();
    window->hide();

    ProgramFolders second;
    second.context->instance_lock_file = folders_->context->instance_lock_file;
    QCOMPARE(Start(*second.context), int(kExitAlreadyRunning));
    QCOMPARE(messages_->seen().size(), 1u);
    QCOMPARE(messages_->seen()[0].title, QStringLiteral("KEZ Marketing Portal"));
    QCOMPARE(messages_->seen()[0].text,
             QStringLiteral("KEZ Marketing Portal is already running.\nThis Program Can Only Be "
                            "Runing Once On This Machine"));
    QCOMPARE(messages_->seen()[0].icon, QMessageBox::NoIcon);

    // The second start is another process: it asks from its own thread while this one's event
    // loop serves the request. (A Windows pipe may hold the request until the server reads it.)
    std::future<bool> asked = std::async(std::launch::async, [&second] {
      return AskRunningCopyToShow(second.context->instance_lock_file);
    });
    QTRY_VERIFY(window->isVisible());
    QVERIFY(asked.get());
    // Another lock file is another group of copies: nobody listens there.
    QVERIFY(!AskRunningCopyToShow(second.lock / "other.lock", std::chrono::milliseconds(200)));
  }

  void AFirstStartInAnInstallWithoutWriteAccessUsesASeededUserFolder() {
    // The installed programs' folder holds the default settings file but cannot be written to;
    // the user has no program folder yet.
    kez::testing::TempDir installed;
    std::filesystem::copy_file(KEZ_DEFAULT_INI, installed / "KEZDataAggregator.ini");
    kez::testing::TempDir home;
    const AppDirChoice choice = ChooseAppDir("", nullptr, installed.path(), false, home / "share");
    PrepareAppDir(choice, installed.path());
    AppContext& context = *folders_->context;
    context.AppDir = choice.folder;

    QCOMPARE(Start(context), -1);
    QVERIFY(program_->settings_window()->isVisible());
    QCOMPARE(messages_->seen().size(), 0u);
    QVERIFY(context.save_log);
    WriteLog(context, "first start");
    QVERIFY(std::filesystem::exists(LogFilePath(home / "share" / kUserAppDirName)));
  }

  void AStartWithoutADataPathAsksForOne() {
    AppContext& context = *folders_->context;
    context.pos.user_settings->Remove("KEZ Settings", "DATABASE", "DATAPATH");
    messages_->Answer(QMessageBox::Yes);
    const QString data = QString::fromStdString(folders_->data.path().string());
    kez::testing::WhenShown<frmSM_DATAPATH2>([data](frmSM_DATAPATH2* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("txtEdit0"))->setText(data);
      dialog->findChild<QPushButton*>(QStringLiteral("cmdOkCancel0"))->click();
    });
    QCOMPARE(Start(context), -1);
    QCOMPARE(messages_->seen().size(), 1u);
    QCOMPARE(messages_->seen()[0].title, QStringLiteral("KEZ Data Aggregator"));
    QCOMPARE(context.pos.DataPath, folders_->data.path().string());
    QCOMPARE(context.pos.user_settings->Get("KEZ Settings", "DATABASE", "DATAPATH"),
             std::optional<std::string>(folders_->data.path().string()));
    QVERIFY(program_->settings_window()->isVisible());
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::ProgramTest)
#include "program_test.moc"
