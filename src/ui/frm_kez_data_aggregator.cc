#include "ui/frm_kez_data_aggregator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/scheduler.h"
#include "context/config_files.h"
#include "context/report_settings_io.h"
#include "platform/date_text.h"
#include "posdata/data_path_ops.h"
#include "ui/app_icon.h"
#include "ui/bar_progress.h"
#include "ui/current_record.h"
#include "ui/log_tab.h"
#include "ui/qt_host.h"
#include "ui/schedule_tab.h"
#include "ui/settings_tab.h"
#include "ui/ui_text.h"

namespace kez::ui {
namespace {

// The reports in the order of their records.
QStringList ReportNames() {
  return {QStringLiteral("Marketing Portal"), QStringLiteral("SymphonyIRI")};
}

QPushButton* Button(const char* name, const char* caption, int key, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setShortcut(QKeySequence(key));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmKezDataAggregator::frmKezDataAggregator(AppContext& context, QtHost& host, QWidget* parent)
    : QWidget(parent),
      context_(context),
      host_(host),
      tabs_(new QTabWidget(this)),
      comSelect_(new QComboBox(this)),
      lstData_(new QListWidget(this)),
      BarProgress_(new BarProgress(this)),
      cmdRun_(Button("cmdRun", "F10 Run Now", Qt::Key_F10, this)),
      cmdRunMinimize_(Button("cmdRunMinimize", "F8 Save Setting", Qt::Key_F8, this)),
      cmdExit_(Button("cmdExit", "ESC Close", Qt::Key_Escape, this)) {
  setObjectName(QStringLiteral("frmKezDataAggregator"));
  setWindowTitle(QStringLiteral("Marketing Portal"));
  setWindowIcon(AppIcon());
  host_.SetProgressDisplay(BarProgress_);

  const CurrentRecord current = [this]() -> clsSettings& {
    return ReportRecord(context_, current_);
  };
  settings_ = new SettingsTab(context_, current, this);
  schedule_ = new ScheduleTab(current, this);
  log_ = new LogTab(context_, host_, *BarProgress_, this);
  tabs_->setObjectName(QStringLiteral("tabPages"));
  tabs_->addTab(BuildReportsTab(), QStringLiteral("Reports"));
  tabs_->addTab(settings_, QStringLiteral("Settings"));
  tabs_->addTab(schedule_, QStringLiteral("Schedule"));
  tabs_->addTab(log_, QStringLiteral("Log/Progress"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdRun_);
  buttons->addWidget(cmdRunMinimize_);
  buttons->addWidget(cmdExit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(BarProgress_);
  layout->addLayout(buttons);
  resize(560, 440);

  connect(comSelect_, &QComboBox::currentIndexChanged, this,
          [this](int position) { SelectReport(position); });
  connect(lstData_, &QListWidget::itemSelectionChanged, this, [this] { RunSelectionChanged(); });
  connect(cmdRun_, &QPushButton::clicked, this, [this] { RunNow(); });
  connect(cmdRunMinimize_, &QPushButton::clicked, this, [this] { SaveSettings(); });
  connect(cmdExit_, &QPushButton::clicked, this, [this] { hide(); });
}

frmKezDataAggregator::~frmKezDataAggregator() = default;

QWidget* frmKezDataAggregator::BuildReportsTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("tabReports"));
  comSelect_->setObjectName(QStringLiteral("comSelect"));
  lstData_->setObjectName(QStringLiteral("lstData"));
  lstData_->setSelectionMode(QAbstractItemView::MultiSelection);
  // Filled before any handler is connected, with nothing chosen: the load chooses.
  comSelect_->addItems(ReportNames());
  comSelect_->setCurrentIndex(-1);
  lstData_->addItems(ReportNames());

  auto* layout = new QGridLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("Select Report Type"), page), 0, 0);
  layout->addWidget(comSelect_, 1, 0);
  layout->addWidget(new QLabel(QStringLiteral("Select Reports to Run"), page), 0, 1);
  layout->addWidget(lstData_, 1, 1, 2, 1);
  layout->setRowStretch(2, 1);
  return page;
}

void frmKezDataAggregator::Load() {
  tabs_->setCurrentIndex(0);
  gfbKEZ_DataPath_open(context_.pos, false, 0, "", false);
  LoadAggregatorSettings(context_);
  const std::string export_date = TrimBlanks(context_.export_state.ExportDate);
  if (!export_date.empty()) {
    if (const std::optional<LocalDateTime> date = ParseDateValue(export_date)) {
      settings_->ShowExportDate(ToQt(*date).date());
    }
  }
  loaded_ = true;
  if (comSelect_->currentIndex() == 0) {
    SelectReport(0);
  } else {
    comSelect_->setCurrentIndex(0);
  }
}

void frmKezDataAggregator::SelectReport(int position) {
  if (position < 0) return;
  current_ = static_cast<std::size_t>(position);
  ReloadControls();
}

void frmKezDataAggregator::ReloadControls() {
  settings_->LoadStartValues();
  schedule_->LoadStartTime();
  schedule_->LoadSchedule();
  settings_->LoadFtp();
  // Both read first: selecting one item writes both records from the list.
  const bool run_portal = ReportRecord(context_, kMarketingPortalReport).Run;
  const bool run_iri = ReportRecord(context_, kSymphonyIriReport).Run;
  lstData_->item(kMarketingPortalReport)->setSelected(run_portal);
  lstData_->item(kSymphonyIriReport)->setSelected(run_iri);
  log_->PickDay(ToQt(host_.Now()).date());
  const bool portal = current_ == kMarketingPortalReport;
  settings_->ShowStartInvoice(portal);
  schedule_->ShowEveryHours(portal);
}

void frmKezDataAggregator::RunSelectionChanged() {
  ReportRecord(context_, kMarketingPortalReport).Run =
      lstData_->item(kMarketingPortalReport)->isSelected();
  ReportRecord(context_, kSymphonyIriReport).Run = lstData_->item(kSymphonyIriReport)->isSelected();
}

void frmKezDataAggregator::RunNow() {
  cmdRun_->setEnabled(false);
  const bool portal = lstData_->item(kMarketingPortalReport)->isSelected();
  const bool iri = lstData_->item(kSymphonyIriReport)->isSelected();
  host_.FromEventLoop([&] { RunReportsNow(context_, portal, iri); });
  if (host_.ending()) return;
  log_->ShowDay();
  cmdRun_->setEnabled(true);
  ReloadControls();
}

void frmKezDataAggregator::SaveSettings() {
  host_.FromEventLoop([this] {
    SaveReportSettings(context_, context_.pos.DataPath);
    host_.SetBusy(false);
  });
}

void frmKezDataAggregator::Unload() {
  unloaded_ = true;
  close();
}

void frmKezDataAggregator::closeEvent(QCloseEvent* event) {
  if (unloaded_) {
    event->accept();
    return;
  }
  event->ignore();
  hide();
}

void frmKezDataAggregator::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_) log_->ShowDay();
}

}  // namespace kez::ui
