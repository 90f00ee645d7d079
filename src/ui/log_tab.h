// The "Log/Progress" tab of the settings window: one day of the activity log in a two-column list,
// the day chosen with a date picker, the log file opened in the desktop's viewer, and the purge.
#ifndef KEZ_UI_LOG_TAB_H_
#define KEZ_UI_LOG_TAB_H_

#include <QWidget>

#include "context/app_context.h"

class QDateEdit;
class QPushButton;
class QTreeWidget;

namespace kez::ui {

class BarProgress;
class QtHost;

class LogTab : public QWidget {
  Q_OBJECT

 public:
  LogTab(AppContext& context, QtHost& host, BarProgress& progress, QWidget* parent = nullptr);

  // Loads the lines of the picked day into the list. Without a log file the list keeps what it
  // shows.
  void ShowDay();
  // Picks `day`; a day other than the one picked is loaded at once.
  void PickDay(const QDate& day);

 private:
  void OpenLogFile();
  void Purge();

  AppContext& context_;
  QtHost& host_;
  BarProgress& progress_;
  QDateEdit* dtpLog_;
  QTreeWidget* lstLogs_;
  QPushButton* cmdViewLog_;
  QPushButton* CmdPurge_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_LOG_TAB_H_
