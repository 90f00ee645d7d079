// The "Schedule" tab of the settings window: daily or on chosen weekdays, once per day or every N
// hours, and the start time, of the current report. Every control writes straight into the current
// report's record when it changes, also when the window itself sets it while reloading.
#ifndef KEZ_UI_SCHEDULE_TAB_H_
#define KEZ_UI_SCHEDULE_TAB_H_

#include <QWidget>
#include <array>

#include "ui/current_record.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QTimeEdit;

namespace kez::ui {

class ScheduleTab : public QWidget {
  Q_OBJECT

 public:
  explicit ScheduleTab(CurrentRecord current, QWidget* parent = nullptr);

  // Sets the start time picker from the current record.
  void LoadStartTime();
  // Sets, from the current record and in this order: once or every, the hour list, daily or
  // weekly (choosing "Daily" clears the day boxes), and the seven day boxes.
  void LoadSchedule();
  // Shows or hides "Every", the hour list and the "per selected day" note (the Marketing Portal
  // report has them).
  void ShowEveryHours(bool shown);

 private:
  void DayBoxChanged(std::size_t day, bool checked);

  CurrentRecord current_;
  QRadioButton* optRunDaily_;
  QRadioButton* optRunWeekly_;
  std::array<QCheckBox*, 7> ChkWeekDay_{};  // Sunday to Saturday: ChkWeekDay1 to ChkWeekDay7
  QRadioButton* optRunOnce_;
  QRadioButton* optRunMulti_;
  QComboBox* cboRunMulti_;
  QLabel* lblPerSelectedDay_;
  QTimeEdit* dpickTime_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_SCHEDULE_TAB_H_
