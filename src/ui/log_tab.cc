#include "ui/log_tab.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <string>

#include "context/activity_log.h"
#include "platform/app_titles.h"
#include "ui/bar_progress.h"
#include "ui/focus_events.h"
#include "ui/qt_host.h"
#include "ui/ui_text.h"

namespace kez::ui {
namespace {

constexpr const char* kNoViewerText = "No program was found to show the log file. It is:\r\n";

}  // namespace

LogTab::LogTab(AppContext& context, QtHost& host, BarProgress& progress, QWidget* parent)
    : QWidget(parent),
      context_(context),
      host_(host),
      progress_(progress),
      dtpLog_(new QDateEdit(this)),
      lstLogs_(new QTreeWidget(this)),
      cmdViewLog_(new QPushButton(QStringLiteral("Open log file..."), this)),
      CmdPurge_(new QPushButton(QStringLiteral("Purge Log"), this)) {
  setObjectName(QStringLiteral("tabLog"));
  dtpLog_->setObjectName(QStringLiteral("dtpLog"));
  dtpLog_->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  dtpLog_->setCalendarPopup(true);
  lstLogs_->setObjectName(QStringLiteral("lstLogs"));
  lstLogs_->setColumnCount(2);
  lstLogs_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Log Description")});
  lstLogs_->setRootIsDecorated(false);
  lstLogs_->setUniformRowHeights(true);
  lstLogs_->header()->setStretchLastSection(true);
  lstLogs_->setColumnWidth(0, 70);
  cmdViewLog_->setObjectName(QStringLiteral("cmdViewLog"));
  CmdPurge_->setObjectName(QStringLiteral("CmdPurge"));

  auto* top = new QHBoxLayout;
  top->addWidget(dtpLog_);
  top->addStretch();
  top->addWidget(cmdViewLog_);
  top->addWidget(CmdPurge_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lstLogs_);

  // A day picked in the calendar changes the date while the picker keeps the focus, and the
  // reload's "today" comes in by code: both must show the picked day's lines.
  connect(dtpLog_, &QDateEdit::dateChanged, this, [this] { ShowDay(); });
  OnFocusOut(dtpLog_, [this] { ShowDay(); });
  EnterMovesFocusOn(dtpLog_);
  connect(cmdViewLog_, &QPushButton::clicked, this, [this] { OpenLogFile(); });
  connect(CmdPurge_, &QPushButton::clicked, this, [this] { Purge(); });
}

void LogTab::ShowDay() {
  const std::string day = ToCore(dtpLog_->date().toString(QStringLiteral("yyyyMMdd")));
  const std::optional<std::vector<LogRow>> rows = ShowLogForDate(context_.AppDir, day);
  if (!rows) return;
  lstLogs_->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows->size()));
  for (const LogRow& row : *rows) {
    items.append(new QTreeWidgetItem({FromCore(row.time), FromCore(row.message)}));
  }
  lstLogs_->addTopLevelItems(items);
}

void LogTab::PickDay(const QDate& day) { dtpLog_->setDate(day); }

void LogTab::OpenLogFile() {
  ShowDay();
  host_.FromEventLoop([this] {
    if (!ViewLog(context_)) {
      // Without a viewer the user still needs to know where the file is.
      const std::string file =
          ToCore(QString::fromStdU16String(LogFilePath(context_.AppDir).u16string()));
      WriteLog(context_, "The log file could not be opened in a viewer");
      ShowDay();
      host_.ShowMessage(std::string(kNoViewerText) + file, MessageButtons::kOk,
                        MessageIcon::kInformation, kApplicationTitle, MessageKind::kInformation);
    }
  });
}

void LogTab::Purge() {
  std::string error;
  switch (PurgeLog(context_.AppDir, &error)) {
    case PurgeResult::kDeleted:
      lstLogs_->clear();
      lstLogs_->repaint();
      progress_.SetCaption(QStringLiteral("Ready"));
      break;
    case PurgeResult::kNoFile:
      break;
    case PurgeResult::kFailed:
      WriteLog(context_, "The log file could not be deleted: " + error);
      break;
  }
  ShowDay();
}

}  // namespace kez::ui
