#include "ui/schedule_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "ui/ui_text.h"

namespace kez::ui {
namespace {

// The day flags in the order of the day boxes, Sunday first.
constexpr std::array<bool clsSettings::*, 7> kDayFlags = {
    &clsSettings::FTPRunWeeklySun, &clsSettings::FTPRunWeeklyMon, &clsSettings::FTPRunWeeklyTue,
    &clsSettings::FTPRunWeeklyWed, &clsSettings::FTPRunWeeklyThu, &clsSettings::FTPRunWeeklyFri,
    &clsSettings::FTPRunWeeklySat};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr int kMostHours = 23;

QRadioButton* Option(const char* name, const char* caption, QWidget* parent) {
  auto* option = new QRadioButton(QString::fromLatin1(caption), parent);
  option->setObjectName(QString::fromLatin1(name));
  return option;
}

}  // namespace

ScheduleTab::ScheduleTab(CurrentRecord current, QWidget* parent)
    : QWidget(parent),
      current_(std::move(current)),
      optRunDaily_(Option("optRunDaily", "Daily", this)),
      optRunWeekly_(Option("optRunWeekly", "Weekly On", this)),
      optRunOnce_(Option("optRunOnce", "Once per selected Day", this)),
      optRunMulti_(Option("optRunMulti", "Every", this)),
      cboRunMulti_(new QComboBox(this)),
      lblPerSelectedDay_(new QLabel(QStringLiteral("per selected day after Start Time"), this)),
      dpickTime_(new QTimeEdit(this)) {
  setObjectName(QStringLiteral("tabSchedule"));
  cboRunMulti_->setObjectName(QStringLiteral("cboRunMulti"));
  for (int hours = 1; hours <= kMostHours; ++hours) {
    cboRunMulti_->addItem(QStringLiteral("%1 Hours").arg(hours));
  }
  cboRunMulti_->setCurrentIndex(-1);
  lblPerSelectedDay_->setObjectName(QStringLiteral("lblPerSelectedDay"));
  dpickTime_->setObjectName(QStringLiteral("dpickTime"));
  dpickTime_->setDisplayFormat(QStringLiteral("h:mm:ss AP"));

  auto* run = new QGroupBox(QStringLiteral("FTP Run"), this);
  auto* run_layout = new QGridLayout(run);
  run_layout->addWidget(optRunDaily_, 0, 0);
  run_layout->addWidget(optRunWeekly_, 1, 0);
  for (std::size_t day = 0; day < ChkWeekDay_.size(); ++day) {
    auto* box = new QCheckBox(QString::fromLatin1(kDayNames[day]), run);
    box->setObjectName(QStringLiteral("ChkWeekDay%1").arg(day + 1));
    ChkWeekDay_[day] = box;
    run_layout->addWidget(box, 1 + static_cast<int>(day) / 4, 1 + static_cast<int>(day) % 4);
  }

  auto* start = new QGroupBox(QStringLiteral("Start Time"), this);
  auto* start_layout = new QGridLayout(start);
  start_layout->addWidget(optRunOnce_, 0, 0, 1, 3);
  start_layout->addWidget(optRunMulti_, 1, 0);
  start_layout->addWidget(cboRunMulti_, 1, 1);
  start_layout->addWidget(lblPerSelectedDay_, 1, 2);
  start_layout->addWidget(new QLabel(QStringLiteral("Start Time"), start), 2, 0);
  start_layout->addWidget(dpickTime_, 2, 1);
  start_layout->setColumnStretch(3, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(run);
  layout->addWidget(start);
  layout->addStretch();

  connect(optRunDaily_, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    current_().FTPRunDailyOrWeekly = true;
    optRunWeekly_->setChecked(false);
    for (QCheckBox* box : ChkWeekDay_) box->setChecked(false);
  });
  connect(optRunWeekly_, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    current_().FTPRunDailyOrWeekly = false;
    optRunDaily_->setChecked(false);
  });
  for (std::size_t day = 0; day < ChkWeekDay_.size(); ++day) {
    connect(ChkWeekDay_[day], &QCheckBox::toggled, this,
            [this, day](bool checked) { DayBoxChanged(day, checked); });
  }
  connect(optRunOnce_, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    current_().StartTimeOnceDailyOrEvery = true;
    dpickTime_->setFocus(Qt::OtherFocusReason);
  });
  connect(optRunMulti_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) current_().StartTimeOnceDailyOrEvery = false;
  });
  // A click on the item already chosen writes it again, as a change does.
  const auto hours_chosen = [this](int position) {
    if (position >= 0) current_().StartTimeOnceDailyTime = static_cast<std::int16_t>(position + 1);
  };
  connect(cboRunMulti_, &QComboBox::currentIndexChanged, this, hours_chosen);
  connect(cboRunMulti_, &QComboBox::activated, this, hours_chosen);
  connect(dpickTime_, &QTimeEdit::timeChanged, this, [this](const QTime& time) {
    clsSettings& record = current_();
    record.StartTimeTime = WithTime(record.StartTimeTime, time);
  });
}

void ScheduleTab::DayBoxChanged(std::size_t day, bool checked) {
  if (checked && !optRunWeekly_->isChecked()) optRunWeekly_->setChecked(true);
  current_().*kDayFlags[day] = checked;
}

void ScheduleTab::LoadStartTime() { dpickTime_->setTime(ToQt(current_().StartTimeTime).time()); }

void ScheduleTab::LoadSchedule() {
  (current_().StartTimeOnceDailyOrEvery ? optRunOnce_ : optRunMulti_)->setChecked(true);
  const int hours = current_().StartTimeOnceDailyTime;
  cboRunMulti_->setCurrentIndex(hours >= 1 && hours <= kMostHours ? hours - 1 : -1);
  (current_().FTPRunDailyOrWeekly ? optRunDaily_ : optRunWeekly_)->setChecked(true);
  for (std::size_t day = 0; day < ChkWeekDay_.size(); ++day) {
    ChkWeekDay_[day]->setChecked(current_().*kDayFlags[day]);
  }
}

void ScheduleTab::ShowEveryHours(bool shown) {
  optRunMulti_->setVisible(shown);
  cboRunMulti_->setVisible(shown);
  lblPerSelectedDay_->setVisible(shown);
}

}  // namespace kez::ui
