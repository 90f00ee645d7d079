// The data path dialog and its path browser: opening values, the checks on OK with the focus on
// the failing field, what is saved, Cancel, the training caution and the browser's lists.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "posdata/data_path_ops.h"
#include "ui/frm_sm_datapath2.h"
#include "ui/frm_smfile_path.h"
#include "ui/ui_text.h"
#include "ui_test_support.h"

namespace kez::ui {

using kez::testing::MessageWatcher;
using kez::testing::TempDir;

class DataPathDialogTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  T* Find(QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no control %s", name);
    return found;
  }

  // The location object as start-up hands it to the dialog.
  clsDataPath StartUpLocation() {
    clsDataPath path;
    path.AppLabel = kSuiteSettingsLabel;
    path.MaxStations = 50;
    path.Station = "3";
    return path;
  }

  std::optional<std::string> Stored(const char* key) {
    return store_->Get(kSuiteSettingsLabel, "DATABASE", key);
  }

  std::unique_ptr<TempDir> settings_;
  std::unique_ptr<TempDir> data_;
  std::unique_ptr<IniUserSettingsStore> store_;
  QtHost host_;

 private slots:
  void init() {
    settings_ = std::make_unique<TempDir>();
    data_ = std::make_unique<TempDir>();
    store_ = std::make_unique<IniUserSettingsStore>(settings_->path());
  }

  void OpensOnTheDefaultFolderWhenNoPathIsSet() {
    clsDataPath path = StartUpLocation();
    path.Station = "77";  // beyond the list: the first entry is chosen
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Data Path"));
    auto* stations = Find<QComboBox>(dialog, "cboEdit");
    QCOMPARE(stations->count(), 50);
    QCOMPARE(stations->currentText(), QStringLiteral("1"));
    QCOMPARE(Find<QLineEdit>(dialog, "txtEdit0")->text(), QString::fromLatin1(kDefaultDataFolder));
    QCOMPARE(Find<QLineEdit>(dialog, "txtEdit1")->text(), QString::fromLatin1(kDefaultDataFolder));
    QVERIFY(!Find<QCheckBox>(dialog, "chkNetwork")->isChecked());

    clsDataPath stored = StartUpLocation();
    stored.DataPath = "/srv/pos";
    stored.StationPath = "/srv/pos/sta";
    stored.Network = true;
    stored.TestPath = "Y";
    frmSM_DATAPATH2 again(stored, *store_, host_);
    QCOMPARE(Find<QComboBox>(again, "cboEdit")->currentText(), QStringLiteral("3"));
    QCOMPARE(Find<QLineEdit>(again, "txtEdit0")->text(), QStringLiteral("/srv/pos"));
    QCOMPARE(Find<QLineEdit>(again, "txtEdit1")->text(), QStringLiteral("/srv/pos/sta"));
    QVERIFY(Find<QCheckBox>(again, "chkNetwork")->isChecked());
    QVERIFY(Find<QCheckBox>(again, "CkTest")->isChecked());
  }

  void AMissingDataPathKeepsTheDialogOpenWithTheFocusOnIt() {
    MessageWatcher messages;
    clsDataPath path = StartUpLocation();
    path.StationNumberEnabled = true;  // so that the focus can start on the station list
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* data_path = Find<QLineEdit>(dialog, "txtEdit0");
    data_path->setText(QString::fromStdString((data_->path() / "missing").string()));
    Find<QComboBox>(dialog, "cboEdit")->setFocus();

    Find<QPushButton>(dialog, "cmdOkCancel0")->click();
    QCOMPARE(messages.seen().size(), 1u);
    QCOMPARE(messages.seen()[0].text,
             QStringLiteral("Data Path Not Found.\nUse the Browse method to find a valid path."));
    QCOMPARE(messages.seen()[0].title, QStringLiteral("KEZ Marketing Portal"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), data_path);
    QVERIFY(!Stored("DATAPATH"));

    // Cancel after the refused OK: the caller's location has neither the rejected path nor the
    // station, so start-up finds the data path still empty.
    Find<QPushButton>(dialog, "cmdOkCancel1")->click();
    QVERIFY(path.Cancelled);
    QVERIFY(path.DataPath.empty());
    QCOMPARE(path.Station, std::string("3"));
  }

  void TheStationListIsEnabledOnlyWhenAsked() {
    clsDataPath path = StartUpLocation();
    frmSM_DATAPATH2 fixed(path, *store_, host_);
    QVERIFY(!Find<QComboBox>(fixed, "cboEdit")->isEnabled());
    path.StationNumberEnabled = true;
    frmSM_DATAPATH2 open(path, *store_, host_);
    QVERIFY(Find<QComboBox>(open, "cboEdit")->isEnabled());
  }

  void AnEmptyStationPathIsSavedAsTheDataPath() {
    MessageWatcher messages;
    clsDataPath path = StartUpLocation();
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const QString folder = QString::fromStdString(data_->path().string());
    Find<QLineEdit>(dialog, "txtEdit0")->setText(folder);
    Find<QLineEdit>(dialog, "txtEdit1")->clear();
    Find<QComboBox>(dialog, "cboEdit")->setCurrentIndex(1);
    Find<QCheckBox>(dialog, "CkTest")->click();

    // The training flag only warns; it changes no path.
    QCOMPARE(messages.seen().size(), 1u);
    QCOMPARE(messages.seen()[0].title, QStringLiteral("Caution"));
    QCOMPARE(messages.seen()[0].text,
             QStringLiteral("Checking this box does not set up a traning directory or change your "
                            "data path \nIt is a manual switch that turns on or off the training "
                            "flag on the main screen "));

    Find<QPushButton>(dialog, "cmdOkCancel0")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!path.Cancelled);
    QCOMPARE(Stored("DATAPATH"), std::optional<std::string>(folder.toStdString()));
    QCOMPARE(Stored("STATIONPATH"), std::optional<std::string>(folder.toStdString()));
    QCOMPARE(Stored("STATION"), std::optional<std::string>("2"));
    QCOMPARE(Stored("TESTDATA"), std::optional<std::string>("Y"));
    QCOMPARE(Stored("NETWORK"), std::optional<std::string>("False"));
  }

  void CancelSavesNothing() {
    clsDataPath path = StartUpLocation();
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    dialog.show();
    Find<QLineEdit>(dialog, "txtEdit0")->setText(QString::fromStdString(data_->path().string()));
    Find<QPushButton>(dialog, "cmdOkCancel1")->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(path.Cancelled);
    QVERIFY(path.DataPath.empty());
    QVERIFY(!Stored("DATAPATH"));
  }

  void HelpTextsCarryTheirTitles() {
    MessageWatcher messages;
    clsDataPath path = StartUpLocation();
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    Find<QPushButton>(dialog, "cmdHelp")->click();
    frmSMFILE_PATH browser(host_, QString(), QString());
    Find<QPushButton>(browser, "cmdHelp")->click();
    QCOMPARE(messages.seen().size(), 2u);
    QCOMPARE(messages.seen()[0].title, QStringLiteral("Station and Data Path Help"));
    // The default folder named is this platform's.
    QVERIFY(messages.seen()[0].text.contains(
        QStringLiteral("usually \"%1\"").arg(QString::fromLatin1(kDefaultDataFolder))));
    QCOMPARE(messages.seen()[1].title, QStringLiteral("Path Browser Help"));
  }

  void TheBrowserListsFoldersAndTheFilesOfThePattern() {
    QVERIFY(kez::testing::WriteSampleStore(data_->path() / "store", {2026, 1, 5}));
    std::filesystem::create_directory(data_->path() / "store" / "MarketingPortal");
    const QString store = QString::fromStdString((data_->path() / "store").string());

    frmSMFILE_PATH browser(host_, QString::fromStdString(data_->path().string()),
                           QStringLiteral("COMMON.KEZ"));
    auto* folders = Find<QListWidget>(browser, "lstFolders");
    auto* files = Find<QListWidget>(browser, "lstFiles");
    QCOMPARE(folders->item(0)->text(), QStringLiteral(".."));
    QCOMPARE(folders->findItems(QStringLiteral("store"), Qt::MatchExactly).size(), 1);
    QCOMPARE(files->count(), 0);

    emit folders->itemActivated(folders->findItems(QStringLiteral("store"), Qt::MatchExactly)[0]);
    QCOMPARE(browser.Folder(), store);
    QCOMPARE(files->count(), 1);  // the pattern matches whatever the letter case
    QCOMPARE(files->item(0)->text().toUpper(), QStringLiteral("COMMON.KEZ"));
    QCOMPARE(folders->findItems(QStringLiteral("MarketingPortal"), Qt::MatchExactly).size(), 1);

    frmSMFILE_PATH every(host_, store, QString());
    QVERIFY(Find<QListWidget>(every, "lstFiles")->count() > 5);
  }

  void BrowseReturnsTheOpenFolderIntoTheBox() {
    clsDataPath path = StartUpLocation();
    frmSM_DATAPATH2 dialog(path, *store_, host_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const QString folder = QString::fromStdString(data_->path().string());
    kez::testing::WhenShown<frmSMFILE_PATH>([folder](frmSMFILE_PATH* browser) {
      browser->OpenFolder(folder);
      browser->findChild<QPushButton*>(QStringLiteral("cmdOkCancel0"))->click();
    });
    Find<QPushButton>(dialog, "cmdBrowse0")->click();
    QCOMPARE(Find<QLineEdit>(dialog, "txtEdit0")->text(), folder);
    QCOMPARE(dialog.focusWidget(), Find<QLineEdit>(dialog, "txtEdit0"));

    kez::testing::WhenShown<frmSMFILE_PATH>([](frmSMFILE_PATH* browser) {
      browser->OpenFolder(QStringLiteral("/"));
      browser->findChild<QPushButton*>(QStringLiteral("cmdOkCancel1"))->click();
    });
    Find<QPushButton>(dialog, "cmdBrowse0")->click();
    QCOMPARE(Find<QLineEdit>(dialog, "txtEdit0")->text(), folder);
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::DataPathDialogTest)
#include "data_path_dialog_test.moc"
