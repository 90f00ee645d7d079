// kez-data-aggregator: the tray program. It starts through the core's start-up with QtHost and
// the program's windows, then waits in the tray for timer ticks and the user.
#include <QApplication>
#include <QCommandLineParser>

#include "app/app_dir.h"
#include "app/start_up.h"
#include "platform/exit_codes.h"
#include "ui/app_icon.h"
#include "ui/instance_channel.h"
#include "ui/qt_host.h"
#include "ui/tray_program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kez-data-aggregator"));
  QApplication::setApplicationVersion(QStringLiteral(KEZ_VERSION));
  QApplication::setWindowIcon(kez::ui::AppIcon());
  // The program lives in the tray: hiding or closing its last window does not end it.
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral("KEZ Marketing Portal data aggregator"));
  options.addHelpOption();
  options.addVersionOption();
  const QCommandLineOption app_dir(
      QStringLiteral("app-dir"),
      QStringLiteral("Folder of the program's own files (KEZDataAggregator.ini, the log)."),
      QStringLiteral("DIR"));
  options.addOption(app_dir);
  options.process(app);

  kez::ui::QtHost host;
  kez::AppContext context(host);
  context.AppDir = kez::ResolveAppDir(options.value(app_dir).toStdString());
  kez::ui::TrayProgram program(context, host);
  try {
    kez::StartUp(context);
  } catch (const kez::ProgramEnd& end) {
    if (end.exit_code == kez::kExitAlreadyRunning) {
      // The copy that runs shows its settings window, for a user who cannot find its icon.
      kez::ui::AskRunningCopyToShow(context.instance_lock_file.empty()
                                        ? kez::DefaultInstanceLockFile()
                                        : context.instance_lock_file);
    }
    return end.exit_code;
  }
  if (host.ending()) return host.exit_code();
  program.ListenForSecondStarts();
  const int code = QApplication::exec();
  return host.ending() ? host.exit_code() : code;
}
