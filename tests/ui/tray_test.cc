// The tray icon: the notify-icon record and its field limits, the notification area over
// QSystemTrayIcon, the callback codes and their events, the popup menu, and the start without a
// tray host.
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ui/cls_sys_tray.h"
#include "ui/frm_sys_tray.h"
#include "ui/notify_area.h"

namespace kez::ui {
namespace {

QString Repeated(char c, int count) { return QString(count, QLatin1Char(c)); }

// A notification area that a tray host serves (the offscreen platform has none).
NotifyArea::Availability TrayHost() {
  return [] { return true; };
}

}  // namespace

class TrayTest : public QObject {
  Q_OBJECT

 private slots:
  void InitFillsTheRecordAndTheIcon() {
    NotifyArea shell(TrayHost(), nullptr);
    QWidget owner;
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    clsSysTray tray(shell);
    tray.Init(&owner, QStringLiteral("KEZ Marketing Portal"));

    const NotifyIconData& nid = tray.record();
    QCOMPARE(nid.cbSize, 488u);
    QCOMPARE(nid.hWnd, &owner);
    QCOMPARE(nid.uID, 1u);
    QCOMPARE(nid.uCallbackMessage, 0x200u);
    QCOMPARE(nid.uFlags, NIF_TIP);  // the last of the three messages
    QSystemTrayIcon* icon = shell.Icon(&owner, 1);
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->toolTip(), QStringLiteral("KEZ Marketing Portal"));
    QVERIFY(!icon->icon().isNull());
    QVERIFY(icon->isVisible());
    QVERIFY(tray.IconShown());

    // A second add of the same icon is refused; removing twice is harmless.
    QVERIFY(!shell.Shell_NotifyIcon(NIM_ADD, nid));
    tray.Class_Terminate();
    QVERIFY(shell.Icon(&owner, 1) == nullptr);
    tray.Class_Terminate();
    QVERIFY(!tray.IconShown());
  }

  void TextsAreCutToTheirFields() {
    NotifyArea shell(TrayHost(), nullptr);
    QWidget owner;
    clsSysTray tray(shell);
    tray.Init(&owner, QString());

    for (int length : {126, 127, 128, 300}) {
      const QString tip = Repeated('t', length);
      tray.SetTooltipText(tip);
      QCOMPARE(tray.TooltipText(), tip);
      QCOMPARE(FieldText(tray.record().szTip), tip.left(127));
      QCOMPARE(tray.record().szTip[127], '\0');
      QCOMPARE(shell.Icon(&owner, 1)->toolTip(), tip.left(127));
    }

    tray.ShowBalloonTip(Repeated('m', 300), NIIF_WARNING, Repeated('h', 80), 2500);
    const NotifyIconData& nid = tray.record();
    QCOMPARE(nid.uFlags, NIF_INFO);
    QCOMPARE(FieldText(nid.szInfo), Repeated('m', 255));
    QCOMPARE(FieldText(nid.szInfoTitle), Repeated('h', 63));
    QCOMPARE(nid.uTimeout, 2500u);
    QCOMPARE(nid.dwInfoFlags, NIIF_WARNING);

    // Single-byte text: a character the code page has counts as one.
    tray.SetTooltipText(QString(200, QChar(0x00e9)));
    QCOMPARE(FieldText(tray.record().szTip), QString(127, QChar(0x00e9)));
  }

  void CallbackCodesRaiseTheirEvents() {
    NotifyArea shell(TrayHost(), nullptr);
    QWidget owner;
    clsSysTray tray(shell);
    tray.Init(&owner, QString());
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
      tray.MouseMove(0, codes[i], &owner);
      for (std::size_t j = 0; j < spies.size(); ++j) {
        QCOMPARE(spies[j]->count(), i >= j ? 1 : 0);
      }
    }
    for (std::int32_t ignored : {0, 0x200, 0x201, 0x204, 0x208, 1026, 1030}) {
      tray.MouseMove(0, ignored, &owner);
    }
    for (QSignalSpy* spy : spies) QCOMPARE(spy->count(), 1);
  }

  void TheAreaCallsBackWithTheCodes() {
    QCOMPARE(NotifyArea::CallbackCode(QSystemTrayIcon::Trigger), WM_LBUTTONUP);
    QCOMPARE(NotifyArea::CallbackCode(QSystemTrayIcon::Context), WM_RBUTTONUP);
    QCOMPARE(NotifyArea::CallbackCode(QSystemTrayIcon::DoubleClick), WM_LBUTTONDBLCLK);
    QCOMPARE(NotifyArea::CallbackCode(QSystemTrayIcon::Unknown), 0u);

    // The whole way: the tray host's right click reaches the window as the callback message, and
    // the window's tray object raises RightClick; a clicked balloon and one that times out too.
    NotifyArea shell(TrayHost(), nullptr);
    frmSysTray window(shell, frmSysTray::Actions{});
    window.Load();
    QSignalSpy right(&window.tray(), &clsSysTray::RightClick);
    QSignalSpy clicked(&window.tray(), &clsSysTray::BalloonClicked);
    QSignalSpy timeout(&window.tray(), &clsSysTray::BalloonTimeOut);
    QSystemTrayIcon* icon = shell.Icon(&window, 1);
    QVERIFY(icon != nullptr);
    emit icon->activated(QSystemTrayIcon::Context);
    QTRY_COMPARE(right.count(), 1);
    window.tray().ShowBalloonTip(QStringLiteral("Done"), NIIF_INFO, QString(), 60000);
    emit icon->messageClicked();
    QTRY_COMPARE(clicked.count(), 1);
    window.tray().ShowBalloonTip(QStringLiteral("Done"), NIIF_INFO, QString(), 20);
    QTRY_COMPARE(timeout.count(), 1);
    QCOMPARE(clicked.count(), 1);
  }

  void RightClickAloneOpensTheMenu() {
    NotifyArea shell(TrayHost(), nullptr);
    int launches = 0;
    frmSysTray::Actions actions;
    actions.launch_portal_setup = [&] { ++launches; };
    frmSysTray window(shell, std::move(actions));
    window.Load();
    auto* menu = window.findChild<QMenu*>(QStringLiteral("mnuSysTray"));
    QVERIFY(menu != nullptr);
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("Launch Portal Setup"));
    QVERIFY(items[1]->isSeparator());
    QCOMPARE(items[2]->text(), QStringLiteral("Exit"));
    QVERIFY(!window.isVisible());

    for (std::int32_t code : {514, 515}) {
      QCoreApplication::postEvent(&window, new NotifyIconEvent(WM_MOUSEMOVE, 1, code));
    }
    QTest::qWait(50);
    QVERIFY(!menu->isVisible());

    QCoreApplication::postEvent(&window, new NotifyIconEvent(WM_MOUSEMOVE, 1, WM_RBUTTONUP));
    QTRY_VERIFY(menu->isVisible());
    items[0]->trigger();
    QCOMPARE(launches, 1);
    menu->hide();
  }

  void TheTimerTicksEveryMinute() {
    NotifyArea shell(TrayHost(), nullptr);
    int ticks = 0;
    frmSysTray::Actions actions;
    actions.tick = [&] { ++ticks; };
    frmSysTray window(shell, std::move(actions));
    window.Load();
    auto* timer = window.findChild<QTimer*>(QStringLiteral("tmr"));
    QVERIFY(timer != nullptr);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 60000);
    emit timer->timeout({});
    QCOMPARE(ticks, 1);
    window.Unload();
    QVERIFY(!timer->isActive());
    QVERIFY(shell.Icon(&window, 1) == nullptr);
  }

  void WithoutATrayHostTheIconIsTriedAgainThenGivenUp() {
    int asked = 0;
    bool host_up = false;
    NotifyArea shell(
        [&] {
          ++asked;
          return host_up;
        },
        nullptr);
    int given_up = 0;
    frmSysTray::Actions actions;
    actions.no_tray = [&] { ++given_up; };
    frmSysTray window(shell, std::move(actions), {3, std::chrono::milliseconds(10)});
    window.Load();
    QVERIFY(!window.tray().IconShown());
    QTRY_COMPARE(given_up, 1);
    QCOMPARE(asked, 4);  // the load, then three tries
    QTest::qWait(50);
    QCOMPARE(given_up, 1);
    QVERIFY(window.findChild<QTimer*>(QStringLiteral("tmr"))->isActive());

    // A tray host that comes up while the program waits for it gets the icon.
    host_up = false;
    frmSysTray late(shell, frmSysTray::Actions{}, {5, std::chrono::milliseconds(10)});
    late.Load();
    host_up = true;
    QTRY_VERIFY(late.tray().IconShown());
    QCOMPARE(shell.Icon(&late, 1)->toolTip(), QStringLiteral("KEZ Marketing Portal"));
  }

  void DrawIconMakesTheTransparentColourClear() {
    NotifyArea shell(TrayHost(), nullptr);
    QWidget owner;
    clsSysTray tray(shell);
    tray.Init(&owner, QString());
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    for (int y = 8; y < 24; ++y) {
      for (int x = 8; x < 24; ++x) image.setPixelColor(x, y, Qt::blue);
    }
    QLabel pic;
    pic.setPixmap(QPixmap::fromImage(image));

    tray.DrawIcon(&pic, 0xFF00FF);  // magenta as 0x00BBGGRR
    QImage drawn = tray.record().hIcon.pixmap(32, 32).toImage();
    QCOMPARE(drawn.size(), QSize(32, 32));
    QCOMPARE(qAlpha(drawn.pixel(0, 0)), 0);
    QCOMPARE(drawn.pixelColor(10, 10), QColor(Qt::blue));

    tray.DrawIcon(&pic);
    drawn = tray.record().hIcon.pixmap(40, 40).toImage();
    QCOMPARE(drawn.size(), QSize(40, 40));
    QCOMPARE(qAlpha(drawn.pixel(0, 0)), 255);
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::TrayTest)
#include "tray_test.moc"
