// The settings window over a real sample store: reloading from the current report, "Use for
// All", the daily and weekly choice, the empty-field defaults, the keys, the log tab and a run.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "app/start_up.h"
#include "context/activity_log.h"
#include "context/report_settings_io.h"
#include "platform/date_text.h"
#include "posdata/dbsm_catalogue.h"
#include "ui/bar_progress.h"
#include "ui/frm_kez_data_aggregator.h"
#include "ui/ui_text.h"
#include "ui_test_support.h"

namespace kez::ui {

using kez::testing::MessageWatcher;
using kez::testing::ProgramFolders;

class SettingsWindowTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  T* Find(const QString& name) {
    T* found = window_->findChild<T*>(name);
    if (found == nullptr) qFatal("no control %s", qPrintable(name));
    return found;
  }
  template <class T>
  T* Find(const char* name) {
    return Find<T>(QString::fromLatin1(name));
  }
  clsSettings& Record(std::size_t index) { return folders_->context->ReportSettings.at(index); }
  void Select(int report) { Find<QComboBox>("comSelect")->setCurrentIndex(report); }
  // Moves the keyboard focus away from whatever holds it.
  void LeaveField() { Find<QComboBox>("comSelect")->setFocus(Qt::TabFocusReason); }

  std::unique_ptr<MessageWatcher> messages_;
  std::unique_ptr<ProgramFolders> folders_;
  std::unique_ptr<frmKezDataAggregator> window_;

 private slots:
  void init() {
    messages_ = std::make_unique<MessageWatcher>();
    folders_ = std::make_unique<ProgramFolders>();
    AppContext& context = *folders_->context;
    QVERIFY(kez::testing::WriteSampleStore(folders_->data.path(), folders_->host.Now()));
    // The core's start-up without windows: the lock, the data path, portal.xml, the tables.
    try {
      StartUp(context);
    } catch (const ProgramEnd& end) {
      QFAIL(qPrintable(QStringLiteral("start-up ended with %1").arg(end.exit_code)));
    }
    window_ = std::make_unique<frmKezDataAggregator>(context, folders_->host);
    window_->Load();
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QCOMPARE(messages_->seen().size(), 0u);
  }
  void cleanup() {
    window_.reset();
    DBSM_CloseAll(folders_->context->pos);
    folders_.reset();
    messages_.reset();
  }

  void LoadFillsTheListsAndShowsReportZero() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Marketing Portal"));
    auto* tabs = Find<QTabWidget>("tabPages");
    QCOMPARE(tabs->currentIndex(), 0);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) captions.append(tabs->tabText(i));
    QCOMPARE(captions, QStringList({"Reports", "Settings", "Schedule", "Log/Progress"}));
    QCOMPARE(Find<QComboBox>("comSelect")->currentText(), QStringLiteral("Marketing Portal"));
    QCOMPARE(Find<QListWidget>("lstData")->count(), 2);
    auto* hours = Find<QComboBox>("cboRunMulti");
    QCOMPARE(hours->count(), 23);
    QCOMPARE(hours->itemText(0), QStringLiteral("1 Hours"));
    QCOMPARE(hours->itemText(22), QStringLiteral("23 Hours"));
    QCOMPARE(Find<QLineEdit>("txtStoreNumber")->text(), FromCore(Record(0).StoreNumber));
    QCOMPARE(Find<QPushButton>("cmdRun")->text(), QStringLiteral("F10 Run Now"));
    QCOMPARE(Find<QPushButton>("cmdRunMinimize")->text(), QStringLiteral("F8 Save Setting"));
    QCOMPARE(Find<QPushButton>("cmdExit")->text(), QStringLiteral("ESC Close"));
    // The program's INI file has been read: the log is on.
    QVERIFY(folders_->context->save_log);
  }

  void SymphonyIriHidesThePortalOnlyControls() {
    Record(1).StoreNumber = "00777";
    const char* portal_only[] = {"txtStartInvoice", "lblStartInvoice", "optRunMulti", "cboRunMulti",
                                 "lblPerSelectedDay"};
    Select(1);
    QCOMPARE(window_->current_report(), 1u);
    QCOMPARE(Find<QLineEdit>("txtStoreNumber")->text(), QStringLiteral("00777"));
    for (const char* name : portal_only) QVERIFY2(Find<QWidget>(name)->isHidden(), name);
    Select(0);
    for (const char* name : portal_only) QVERIFY2(!Find<QWidget>(name)->isHidden(), name);
  }

  void AStoredHourCountShowsAndSurvivesReloads() {
    Record(0).StartTimeOnceDailyOrEvery = false;
    Record(0).StartTimeOnceDailyTime = 3;
    window_->ReloadControls();
    auto* hours = Find<QComboBox>("cboRunMulti");
    QCOMPARE(hours->currentText(), QStringLiteral("3 Hours"));
    QVERIFY(Find<QRadioButton>("optRunMulti")->isChecked());
    Select(1);
    Select(0);
    window_->ReloadControls();
    QCOMPARE(hours->currentText(), QStringLiteral("3 Hours"));
    QCOMPARE(Record(0).StartTimeOnceDailyTime, 3);

    hours->setCurrentIndex(11);
    QCOMPARE(Record(0).StartTimeOnceDailyTime, 12);
    // A record without an hour count shows none and keeps its 0.
    Record(1).StartTimeOnceDailyTime = 0;
    Select(1);
    QCOMPARE(hours->currentIndex(), -1);
    QCOMPARE(Record(1).StartTimeOnceDailyTime, 0);
  }

  void UseForAllOnSymphonyIriOverwritesThePortalAccount() {
    Record(0).FTPAddress = "portal.example";
    Record(0).FTPEnable = false;
    Select(1);
    const char* values[] = {"iri.example", "iri-user", "secret", "/in", "2121"};
    for (int i = 0; i < 5; ++i) {
      Find<QLineEdit>(QStringLiteral("txtOffsite%1").arg(i))
          ->setText(QString::fromLatin1(values[i]));
    }
    Find<QRadioButton>("optActive")->click();
    Find<QRadioButton>("optBin")->click();
    Find<QCheckBox>("chkFTPUseForAll")->click();

    const clsSettings& portal = Record(0);
    QCOMPARE(portal.FTPAddress, std::string("iri.example"));
    QCOMPARE(portal.FTPLogin, std::string("iri-user"));
    QCOMPARE(portal.FTPPassword, std::string("secret"));
    QCOMPARE(portal.FTPDirectory, std::string("/in"));
    QCOMPARE(portal.FTPPort, std::string("2121"));
    QVERIFY(portal.FTPMode);
    QVERIFY(portal.FTPTransfeMode);
    QVERIFY(portal.FTPUseForAll);
    QVERIFY(!portal.FTPEnable);  // not part of the account

    // Clearing the box clears only the current record's flag.
    Find<QCheckBox>("chkFTPUseForAll")->click();
    QVERIFY(!Record(1).FTPUseForAll);
    QVERIFY(Record(0).FTPUseForAll);
  }

  void ADayBoxSwitchesDailyToWeeklyAndDailyClearsTheDays() {
    Find<QRadioButton>("optRunDaily")->click();
    QVERIFY(Record(0).FTPRunDailyOrWeekly);
    Find<QCheckBox>("ChkWeekDay3")->click();  // Tuesday
    QVERIFY(Find<QRadioButton>("optRunWeekly")->isChecked());
    QVERIFY(!Find<QRadioButton>("optRunDaily")->isChecked());
    QVERIFY(!Record(0).FTPRunDailyOrWeekly);
    QVERIFY(Record(0).FTPRunWeeklyTue);
    Find<QCheckBox>("ChkWeekDay7")->click();  // Saturday
    QVERIFY(Record(0).FTPRunWeeklySat);

    Find<QRadioButton>("optRunDaily")->click();
    QVERIFY(Record(0).FTPRunDailyOrWeekly);
    QVERIFY(!Record(0).FTPRunWeeklyTue);
    QVERIFY(!Record(0).FTPRunWeeklySat);
    for (int day = 1; day <= 7; ++day) {
      QVERIFY(!Find<QCheckBox>(QStringLiteral("ChkWeekDay%1").arg(day))->isChecked());
    }
  }

  void EmptiedFieldsTakeTheirDefaultsOnLeaving() {
    Find<QTabWidget>("tabPages")->setCurrentIndex(1);
    auto* store = Find<QLineEdit>("txtStoreNumber");
    store->setFocus(Qt::TabFocusReason);
    store->selectAll();
    QTest::keyClick(store, Qt::Key_Delete);
    QCOMPARE(Record(0).StoreNumber, std::string());
    LeaveField();
    QCOMPARE(store->text(), QStringLiteral("00001"));
    QCOMPARE(Record(0).StoreNumber, std::string("00001"));

    auto* invoice = Find<QLineEdit>("txtStartInvoice");
    invoice->setFocus(Qt::TabFocusReason);
    invoice->clear();
    LeaveField();
    QCOMPARE(invoice->text(), QStringLiteral("0000000"));
    QCOMPARE(Record(0).Invoice, std::string("0000000"));

    // Anything else stays as typed.
    invoice->setFocus(Qt::TabFocusReason);
    invoice->setText(QStringLiteral("12"));
    LeaveField();
    QCOMPARE(invoice->text(), QStringLiteral("12"));
  }

  void TheKeysWorkTheButtons() {
    const std::filesystem::path file = folders_->data / "portal.xml";
    std::filesystem::remove(file);
    Record(0).StoreNumber = "00042";
    // A button's key clicks it as a short animation ends.
    QTest::keyClick(window_->windowHandle(), Qt::Key_F8);
    QTRY_VERIFY(std::filesystem::exists(file));
    AppContext reread(folders_->host);
    LoadReportSettings(reread, folders_->data.path());
    QCOMPARE(reread.ReportSettings.at(0).StoreNumber, std::string("00042"));
    QVERIFY(window_->isVisible());

    QTest::keyClick(window_->windowHandle(), Qt::Key_Escape);
    QTRY_VERIFY(!window_->isVisible());
    window_->show();
    window_->close();
    QVERIFY(!window_->isVisible());
  }

  void TheLogTabShowsOneDayAndPurges() {
    AppContext& context = *folders_->context;
    std::ofstream(LogFilePath(context.AppDir), std::ios::binary)
        << "20260104^23:59^day before\r\n"
        << "20260105^08:00^first^with a caret\r\n"
        << "20260105^09:30^second\r\n"
        << "20260106^00:01^day after\r\n";
    Find<QTabWidget>("tabPages")->setCurrentIndex(3);
    auto* day = Find<QDateEdit>("dtpLog");
    auto* rows = Find<QTreeWidget>("lstLogs");
    QCOMPARE(rows->headerItem()->text(0), QStringLiteral("Time"));
    QCOMPARE(rows->headerItem()->text(1), QStringLiteral("Log Description"));
    day->setFocus(Qt::TabFocusReason);
    day->setDate(QDate(2026, 1, 5));
    // Enter moves on, and leaving the picker loads its day.
    QTest::keyClick(day, Qt::Key_Return);
    QVERIFY(!day->hasFocus());
    QCOMPARE(rows->topLevelItemCount(), 2);
    QCOMPARE(rows->topLevelItem(0)->text(0), QStringLiteral("08:00"));
    QCOMPARE(rows->topLevelItem(0)->text(1), QStringLiteral("first"));
    QCOMPARE(rows->topLevelItem(1)->text(1), QStringLiteral("second"));

    auto* progress = Find<BarProgress>("BarProgress");
    progress->SetCaption(QStringLiteral("Uploading"));
    Find<QPushButton>("CmdPurge")->click();
    QVERIFY(!std::filesystem::exists(LogFilePath(context.AppDir)));
    QCOMPARE(rows->topLevelItemCount(), 0);
    QCOMPARE(progress->Caption(), QStringLiteral("Ready"));

    // Without a log file: nothing deleted, the caption and the list stay.
    rows->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("10:00"), QStringLiteral("kept")}));
    progress->SetCaption(QStringLiteral("Uploading"));
    Find<QPushButton>("CmdPurge")->click();
    QCOMPARE(progress->Caption(), QStringLiteral("Uploading"));
    QCOMPARE(rows->topLevelItemCount(), 1);
    QCOMPARE(messages_->seen().size(), 0u);
  }

  void TheConfiguredExportDateBecomesReportZerosStartDate() {
    AppContext& context = *folders_->context;
    std::ofstream(context.AppDir / "KEZDataAggregator.ini", std::ios::binary)
        << "[Log]\r\nSaveLog=Y\r\n[Backup Directory]\r\nExport Date= 3/4/2025 \r\n";
    Record(0).StartDate = *ParseDateValue("1/2/2026 6:30");
    const LocalDateTime report_one = Record(1).StartDate;

    // Putting the date into the picker writes it to the current record, report 0, whose reload
    // then shows it; the time of day is the record's own.
    frmKezDataAggregator again(context, folders_->host);
    again.Load();
    QCOMPARE(Record(0).StartDate, *ParseDateValue("3/4/2025 6:30"));
    QCOMPARE(Record(1).StartDate, report_one);
    QCOMPARE(again.findChild<QDateEdit*>(QStringLiteral("dtpExportStartDate"))->date(),
             QDate(2025, 3, 4));
  }

  void TheLogListFollowsThePickersDate() {
    AppContext& context = *folders_->context;
    const QDate today = ToQt(folders_->host.Now()).date();
    std::ofstream(LogFilePath(context.AppDir), std::ios::binary)
        << "20260105^08:00^picked\r\n"
        << today.toString(QStringLiteral("yyyyMMdd")).toStdString() << "^09:00^today\r\n";
    auto* day = Find<QDateEdit>("dtpLog");
    auto* rows = Find<QTreeWidget>("lstLogs");
    // A day picked from the calendar arrives while the picker keeps the focus.
    day->setFocus(Qt::MouseFocusReason);
    day->setDate(QDate(2026, 1, 5));
    QCOMPARE(rows->topLevelItemCount(), 1);
    QCOMPARE(rows->topLevelItem(0)->text(1), QStringLiteral("picked"));
    // A report switch puts today into the picker, and the list follows it.
    Select(1);
    QCOMPARE(day->date(), today);
    QCOMPARE(rows->topLevelItemCount(), 1);
    QCOMPARE(rows->topLevelItem(0)->text(1), QStringLiteral("today"));
  }

  void OpenLogFileWithoutAViewerNamesTheFile() {
    // The offscreen platform has no desktop viewer to start.
    AppContext& context = *folders_->context;
    WriteLog(context, "a line to view");
    messages_->Answer(QMessageBox::Ok);
    Find<QPushButton>("cmdViewLog")->click();
    QCOMPARE(messages_->seen().size(), 1u);
    QCOMPARE(messages_->seen()[0].title, QStringLiteral("KEZ Marketing Portal"));
    QVERIFY(messages_->seen()[0].text.endsWith(
        QString::fromStdString(LogFilePath(context.AppDir).string())));
    QVERIFY(folders_->LogText().find("could not be opened in a viewer") != std::string::npos);
  }

  void RunNowDisablesItsButtonAndRefreshesTheLog() {
    AppContext& context = *folders_->context;
    context.ftp_options.connect_timeout = std::chrono::seconds(2);
    Find<QListWidget>("lstData")->item(0)->setSelected(true);
    QVERIFY(Record(0).Run);
    // A server that refuses the connection at once.
    Record(0).FTPAddress = "127.0.0.1";
    Record(0).FTPPort = "1";
    auto* run = Find<QPushButton>("cmdRun");
    std::vector<bool> enabled_during_run;
    connect(Find<BarProgress>("BarProgress"), &BarProgress::changed, this,
            [&] { enabled_during_run.push_back(run->isEnabled()); });
    Find<QTabWidget>("tabPages")->setCurrentIndex(3);
    // Start-up's line naming the record engine is the only one before the run.
    const std::string before = folders_->LogText();
    QCOMPARE(Find<QTreeWidget>("lstLogs")->topLevelItemCount(),
             static_cast<int>(std::count(before.begin(), before.end(), '\n')));
    QVERIFY(before.find("Record engine: ") != std::string::npos);

    run->click();
    QVERIFY(!enabled_during_run.empty());
    for (bool enabled : enabled_during_run) QVERIFY(!enabled);
    QVERIFY(run->isEnabled());
    const std::string log = folders_->LogText();
    QVERIFY(!log.empty());
    const int today_lines = static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    QCOMPARE(Find<QTreeWidget>("lstLogs")->topLevelItemCount(), today_lines);
    // The run saved the settings, with the invoice the sales extract reached.
    AppContext reread(folders_->host);
    LoadReportSettings(reread, folders_->data.path());
    QCOMPARE(reread.ReportSettings.at(0).Invoice, Record(0).Invoice);
    QCOMPARE(Find<QLineEdit>("txtStartInvoice")->text(), FromCore(Record(0).Invoice));
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::SettingsWindowTest)
#include "settings_window_test.moc"
