#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <sstream>

#include "context/activity_log.h"
#include "sample/sample_generator.h"
#include "sample/sample_store_writer.h"

namespace kez::testing {

MessageWatcher::MessageWatcher() {
  connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
  timer_.start(5);
}

void MessageWatcher::Look() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible() || box->property("kezSeen").toBool()) return;
  box->setProperty("kezSeen", true);
  seen_.push_back({box->windowTitle(), box->text(), box->icon()});
  QAbstractButton* button = nullptr;
  if (!answers_.empty()) {
    button = box->button(answers_.front());
    answers_.pop_front();
  }
  if (button == nullptr) button = box->escapeButton();
  if (button == nullptr) button = box->defaultButton();
  if (button != nullptr) {
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
  } else {
    QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
  }
}

bool WriteSampleStore(const std::filesystem::path& folder, const LocalDateTime& until) {
  SampleOptions options;
  options.scale = SampleScale::kTiny;
  options.seed = 7;
  options.until = until;
  std::unique_ptr<SampleStoreWriter> writer;
  std::string error;
  if (!SampleStoreWriter::Start(folder, options.file_number, true, &writer, &error) ||
      !GenerateSampleStore(options, *writer, &error) ||
      !writer->Finish(SampleSuiteIni(until), &error)) {
    qWarning("sample store: %s", error.c_str());
    return false;
  }
  return true;
}

ProgramFolders::ProgramFolders() : context(std::make_unique<AppContext>(host)) {
  context->AppDir = app_dir.path();
  context->instance_lock_file = lock.path() / "instance.lock";
  context->start_up_pause = std::chrono::milliseconds(0);
  context->pos.user_settings = std::make_unique<IniUserSettingsStore>(settings.path());
  context->pos.user_settings->Set("KEZ Settings", "DATABASE", "DATAPATH", data.path().string());
  std::ofstream(app_dir / "KEZDataAggregator.ini", std::ios::binary)
      << "[Log]\r\nSaveLog=Y\r\n[Backup Directory]\r\nStore Number=00001\r\n";
}

std::string ProgramFolders::LogText() const {
  std::ifstream in(LogFilePath(app_dir.path()), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kez::testing
