// QtHost: message boxes with their buttons, icons and titles, and how the end of the program
// crosses Qt's event loop without ever returning into the code that asked for it.
#include "ui/qt_host.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "platform/exit_codes.h"
#include "ui/bar_progress.h"
#include "ui_test_support.h"

namespace kez::ui {

using kez::testing::MessageWatcher;

class QtHostTest : public QObject {
  Q_OBJECT

 private slots:
  void MessageBoxesAnswerWithTheButtonChosen() {
    MessageWatcher messages;
    QtHost host;
    messages.Answer(QMessageBox::No);
    QCOMPARE(host.ShowMessage("Define it\r\rnow?", MessageButtons::kYesNo, MessageIcon::kQuestion,
                              "KEZ Data Aggregator", MessageKind::kDecision),
             MessageAnswer::kNo);
    messages.Answer(QMessageBox::Retry);
    QCOMPARE(host.ShowMessage("Locked", MessageButtons::kRetryCancel, MessageIcon::kExclamation,
                              "KEZ DBSM System", MessageKind::kRetry),
             MessageAnswer::kRetry);
    // No script: the box's escape button (Cancel; OK for a box with OK alone).
    QCOMPARE(host.ShowMessage("Locked", MessageButtons::kRetryCancel, MessageIcon::kCritical, "",
                              MessageKind::kRetry),
             MessageAnswer::kCancel);
    QCOMPARE(host.ShowMessage("Caf\xe9", MessageButtons::kOk, MessageIcon::kInformation, "Error",
                              MessageKind::kInformation),
             MessageAnswer::kOk);

    const std::vector<kez::testing::SeenMessage>& seen = messages.seen();
    QCOMPARE(seen.size(), 4u);
    QCOMPARE(seen[0].text, QStringLiteral("Define it\n\nnow?"));
    QCOMPARE(seen[0].title, QStringLiteral("KEZ Data Aggregator"));
    QCOMPARE(seen[0].icon, QMessageBox::Question);
    QCOMPARE(seen[1].icon, QMessageBox::Warning);
    QCOMPARE(seen[2].title, QStringLiteral("KEZ Marketing Portal"));  // a box without a title
    QCOMPARE(seen[2].icon, QMessageBox::Critical);
    QCOMPARE(seen[3].text, QString::fromUtf8("Caf\u00e9"));  // single-byte text on screen
    QCOMPARE(seen[3].icon, QMessageBox::Information);
  }

  void TheEndOfTheProgramNeverReturnsIntoTheCore() {
    QtHost host;
    std::vector<std::string> steps;
    // A job lets events through; a menu click among them ends the program. The job must not go
    // on after its DoEvents, and the event loop must end with the code.
    QTimer::singleShot(0, this, [&] {
      host.FromEventLoop([&] {
        steps.push_back("job started");
        QTimer::singleShot(0, this, [&] {
          host.FromEventLoop([&] {
            steps.push_back("exit chosen");
            host.EndProcess(kExitStopped);
          });
        });
        for (int i = 0; i < 100; ++i) host.DoEvents();
        steps.push_back("job went on");
      });
      steps.push_back("slot returned");
    });
    QCOMPARE(QCoreApplication::exec(), kExitStopped);
    QCOMPARE(steps, (std::vector<std::string>{"job started", "exit chosen", "slot returned"}));
    QVERIFY(host.ending());
    QCOMPARE(host.exit_code(), kExitStopped);
    QVERIFY_THROWS_EXCEPTION(ProgramEnd, host.DoEvents());
    QVERIFY_THROWS_EXCEPTION(ProgramEnd,
                             host.ShowMessage("late", MessageButtons::kOk, MessageIcon::kNone, "",
                                              MessageKind::kInformation));
    bool ran = false;
    host.FromEventLoop([&] { ran = true; });
    QVERIFY(!ran);
  }

  void BusyPointerAndProgress() {
    QtHost host;
    host.SetBusy(true);
    host.SetBusy(true);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.SetBusy(false);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    host.SetProgress(50, "dropped: no display yet");
    auto bar = std::make_unique<BarProgress>();
    host.SetProgressDisplay(bar.get());
    host.SetProgress(140, "Uploading KEZSalesExtract");
    QCOMPARE(bar->Value(), 100);
    QCOMPARE(bar->Caption(), QStringLiteral("Uploading KEZSalesExtract"));
    bar.reset();
    host.SetProgress(10, "the display is gone");
  }
};

}  // namespace kez::ui

QTEST_MAIN(kez::ui::QtHostTest)
#include "qt_host_test.moc"
