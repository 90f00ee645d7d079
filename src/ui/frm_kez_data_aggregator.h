// frmKezDataAggregator: the settings window, captioned "Marketing Portal". It edits each report's
// schedule, FTP account and export start values straight in the in-memory report records, runs
// the chosen reports at once, saves the records, and shows one day of the activity log. Closing
// it hides it; only the program's end unloads it.
//
// Controls carry their names as object names; the members of a control array are named with their
// index appended (txtOffsite0 to txtOffsite4, ChkWeekDay1 to ChkWeekDay7).
#ifndef KEZ_UI_FRM_KEZ_DATA_AGGREGATOR_H_
#define KEZ_UI_FRM_KEZ_DATA_AGGREGATOR_H_

#include <QWidget>
#include <cstddef>

#include "context/app_context.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kez::ui {

class BarProgress;
class LogTab;
class QtHost;
class ScheduleTab;
class SettingsTab;

class frmKezDataAggregator : public QWidget {
  Q_OBJECT

 public:
  // Builds the window; Load fills it. `host` must be the context's host: the window runs the
  // core through it and gives it the progress display.
  frmKezDataAggregator(AppContext& context, QtHost& host, QWidget* parent = nullptr);
  ~frmKezDataAggregator() override;

  // The first load: fills the report lists and the hour list, opens the "Reports" tab, reads the
  // data location and KEZDataAggregator.ini again, and makes report 0 current. May end the
  // program (ProgramEnd) as the data location's checks do.
  void Load();
  // True once Load has run.
  bool loaded() const { return loaded_; }
  // Unloads the window: from then on a close really closes it.
  void Unload();

  // The current report: 0 Marketing Portal, 1 SymphonyIRI.
  std::size_t current_report() const { return current_; }
  // Sets every control from the current report's record.
  void ReloadControls();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildReportsTab();
  void SelectReport(int position);
  void RunSelectionChanged();
  void RunNow();
  void SaveSettings();

  AppContext& context_;
  QtHost& host_;
  std::size_t current_ = 0;
  bool loaded_ = false;
  bool unloaded_ = false;

  QTabWidget* tabs_;
  QComboBox* comSelect_;
  QListWidget* lstData_;
  SettingsTab* settings_;
  ScheduleTab* schedule_;
  LogTab* log_;
  BarProgress* BarProgress_;
  QPushButton* cmdRun_;
  QPushButton* cmdRunMinimize_;
  QPushButton* cmdExit_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_FRM_KEZ_DATA_AGGREGATOR_H_
