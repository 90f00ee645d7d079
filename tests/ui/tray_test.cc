// The tray icon: the icon and its text limits, the callback codes and their events, the popup menu
// that the icon carries to the tray host, the timer, and the start without a tray host.
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ui/cls_sys_tray.h"
#include "ui/frm_sys_tray.h"

namespace kez::ui {
namespace {

QString Repeated(char c, int count) { return QString(count, QLatin1Char(c)); }

// A tray host is there (the offscreen platform has none).
bool TrayHost() { return true; }

}  // namespace

class TrayTest : public QObject {
  Q_OBJECT

 private slots:
  void InitShowsTheWindowsIconWithTheTooltip() {
    QWidget owner;
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    clsSysTray tray(TrayHost);
    QVERIFY(tray.icon() == nullptr);
    tray.Init(&owner, QStringLiteral("KEZ Marketing Portal"));
    QSystemTrayIcon* icon = tray.icon();
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->toolTip(), QStringLiteral("KEZ Marketing Portal"));
    QVERIFY(!icon->icon().isNull());
    QVERIFY(icon->isVisible());
    QVERIFY(tray.IconShown());

    // A second Init keeps the one icon; removing twice is harmless.
    tray.Init(&owner, QStringLiteral("again"));
    QCOMPARE(tray.icon(), icon);
    QCOMPARE(icon->toolTip(), QStringLiteral("again"));
    tray.Class_Terminate();
    QVERIFY(tray.icon() == nullptr);
    QVERIFY(!tray.IconShown());
    tray.Class_Terminate();
  }

  void TheTooltipIsCutTo127Characters() {
    QWidget owner;
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    clsSysTray tray(TrayHost);
    tray.Init(&owner, QString());
    for (int length : {126, 127, 128, 300}) {
      const QString tip = Repeated('t', length);
      tray.SetTooltipText(tip);
      QCOMPARE(tray.TooltipText(), tip);
      QCOMPARE(tray.icon()->toolTip(), tip.left(127));
    }
  }

  void CallbackCodesRaiseTheirEvents() {
    clsSysTray tray(TrayHost);
    QSignalSpy left(&tray, &clsSysTray::LeftClick);
    QSignalSpy right(&tray, &clsSysTray::RightClick);
    QSignalSpy double_click(&tray, &clsSysTray::DoubleClick);
    QSignalSpy hide(&tray, &clsSysTray::BalloonHide);
    QSignalSpy timeout(&tray, &clsSysTray::BalloonTimeOut);
    QSignalSpy clicked(&tray, &clsSysTray::BalloonClicked);
    const std::vector<QSignalSpy*> spies = {&left, &right,   &double_click,
                                            &hide, &timeout, &clicked};

    const std::vector<std::int32_t> codes = {514, 517, 515, 1027, 1028, 1029};
    for (std::size_t i = 0; i < codes.size(); ++i) {
      tray.MouseMove(0, codes[i], nullptr);
      for (std::size_t j = 0; j < spies.size(); ++j) {
        QCOMPARE(spies[j]->count(), i >= j ? 1 : 0);
      }
    }
    for (std::int32_t ignored : {0, 0x200, 0x201, 0x204, 0x208, 1026, 1030}) {
      tray.MouseMove(0, ignored, nullptr);
    }
    for (QSignalSpy* spy : spies) QCOMPARE(spy->count(), 1);
  }

  void TheIconsClicksAndBalloonsBecomeEvents() {
    QCOMPARE(clsSysTray::CallbackCode(QSystemTrayIcon::Trigger), WM_LBUTTONUP);
    QCOMPARE(clsSysTray::CallbackCode(QSystemTrayIcon::Context), WM_RBUTTONUP);
    QCOMPARE(clsSysTray::CallbackCode(QSystemTrayIcon::DoubleClick), WM_LBUTTONDBLCLK);
    QCOMPARE(clsSysTray::CallbackCode(QSystemTrayIcon::MiddleClick), 0);

    QWidget owner;
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    clsSysTray tray(TrayHost);
    tray.Init(&owner, QString());
    QSignalSpy right(&tray, &clsSysTray::RightClick);
    QSignalSpy clicked(&tray, &clsSysTray::BalloonClicked);
    QSignalSpy timeout(&tray, &clsSysTray::BalloonTimeOut);
    QSignalSpy hidden(&tray, &clsSysTray::BalloonHide);
    emit tray.icon()->activated(QSystemTrayIcon::Context);
    QCOMPARE(right.count(), 1);

    // A clicked balloon does not time out as well; one left alone does.
    tray.ShowBalloonTip(QStringLiteral("Done"), NIIF_INFO, QString(), 50);
    emit tray.icon()->messageClicked();
    QCOMPARE(clicked.count(), 1);
    QTest::qWait(100);
    QCOMPARE(timeout.count(), 0);
    tray.ShowBalloonTip(Repeated('m', 300), NIIF_WARNING, Repeated('h', 80), 20);
    QTRY_COMPARE(timeout.count(), 1);
    // Removing the icon while a balloon is up hides the balloon.
    tray.ShowBalloonTip(QStringLiteral("Done"), NIIF_INFO, QString(), 60000);
    tray.Class_Terminate();
    QCOMPARE(hidden.count(), 1);
    QCOMPARE(clicked.count(), 1);
  }

  void TheIconCarriesTheMenuAndExitWorksThroughIt() {
    int launches = 0;
    int exits = 0;
    frmSysTray::Actions actions;
    actions.launch_portal_setup = [&] { ++launches; };
    actions.exit = [&] { ++exits; };
    frmSysTray window(std::move(actions), frmSysTray::Retry{}, TrayHost);
    window.Load();
    QVERIFY(!window.isVisible());
    auto* menu = window.findChild<QMenu*>(QStringLiteral("mnuSysTray"));
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->title(), QStringLiteral("SysTray"));
    // The tray host opens the icon's own menu on a right click.
    QCOMPARE(window.tray().icon()->contextMenu(), menu);
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("Launch Portal Setup"));
    QVERIFY(items[1]->isSeparator());
    QCOMPARE(items[2]->text(), QStringLiteral("Exit"));

    // Clicks on the icon open no menu of the window's own.
    for (auto reason :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context}) {
      emit window.tray().icon()->activated(reason);
    }
    QTest::qWait(50);
    QVERIFY(!menu->isVisible());

    items[0]->trigger();
    QCOMPARE(launches, 1);
    window.tray().icon()->contextMenu()->actions()[2]->trigger();
    QCOMPARE(exits, 1);
    QCOMPARE(launches, 1);
  }

  void TheTimerTicksEveryMinute() {
    int ticks = 0;
    frmSysTray::Actions actions;
    actions.tick = [&] { ++ticks; };
    frmSysTray window(std::move(actions), frmSysTray::Retry{}, TrayHost);
    window.Load();
    auto* timer = window.findChild<QTimer*>(QStringLiteral("tmr"));
    QVERIFY(timer != nullptr);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 60000);
    emit timer->timeout({});
    QCOMPARE(ticks, 1);
    window.Unload();
    QVERIFY(!timer->isActive());
    QVERIFY(window.tray().icon() == nullptr);
  }

  void WithoutATrayHostTheIconIsTriedAgainThenGivenUp() {
    int asked = 0;
    bool host_up = false;
    const auto available = [&] {
      ++asked;
      return host_up;
    };
    int given_up = 0;
    frmSysTray::Actions actions;
    actions.no_tray = [&] { ++given_up; };
    frmSysTray window(std::move(actions), {3, std::chrono::milliseconds(10)}, available);
    window.Load();
    QVERIFY(!window.tray().IconShown());
    QTRY_COMPARE(given_up, 1);
    QCOMPARE(asked, 4);  // the load, then three tries
    QTest::qWait(50);
    QCOMPARE(given_up, 1);
    QVERIFY(window.findChild<QTimer*>(QStringLiteral("tmr"))->isActive());

    // A tray host that comes up while the program waits for it gets the icon, with the menu.
    frmSysTray late(frmSysTray::Actions{}, {5, std::chrono::milliseconds(10)}, available);
    late.Load();
    host_up = true;
    QTRY_VERIFY(late.tray().IconShown());
    QCOMPARE(late.tray().icon()->toolTip(), QStringLiteral("KEZ Marketing Portal"));
    QCOMPARE(late.tray().icon()->contextMenu(),
             late.findChild<QMenu*>(QStringLiteral("mnuSysTray")));
  }

  void DrawIconMakesTheTransparentColourClear() {
    QWidget owner;
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    clsSysTray tray(TrayHost);
    tray.Init(&owner, QString());
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    for (int y = 8; y < 24; ++y) {
      for (int x = 8; x < 24; ++x) image.setPixelColor(x, y, Qt::blue);
    }
    QLabel pic;
    pic.setPixmap(QPixmap::fromImage(image));

    tray.DrawIcon(&pic, 0xFF00FF);  // magenta as 0x00BBGGRR
    QImage drawn = tray.icon()->icon().pixmap(32, 32).toImage();
    QCOMPARE(drawn.size(), QSize(32, 32));
    QCOMPARE(qAlpha(drawn.pixel(0, 0)), 0);
    QCOMPARE(drawn.pixelColor(10, 10), QColor(Qt::blue));

    tray.DrawIcon(&pic);
    drawn = tray.icon()->icon().pixmap(40, 40).toImage();
    QCOMPARE(drawn.size(), QSize(40, 40));
    QCOMPARE(qAlpha(drawn.pixel(0, 0)), 255);
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::TrayTest)
#include "tray_test.moc"
