// The "Settings" tab of the settings window: the current report's FTP account and modes, "Use for
// All", and the export start values (start invoice, store number, start date). Every control
// writes straight into the current report's record when it changes, also when the window itself
// sets it while reloading.
#ifndef KEZ_UI_SETTINGS_TAB_H_
#define KEZ_UI_SETTINGS_TAB_H_

#include <QWidget>
#include <array>

#include "context/app_context.h"
#include "ui/current_record.h"

class QCheckBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kez::ui {

class SettingsTab : public QWidget {
  Q_OBJECT

 public:
  // The store number and start invoice that an empty field takes when it loses the focus.
  static constexpr const char* kDefaultStoreNumber = "00001";
  static constexpr const char* kEmptyInvoice = "0000000";

  SettingsTab(AppContext& context, CurrentRecord current, QWidget* parent = nullptr);

  // Sets the store number, the start date and the start invoice from the current record.
  void LoadStartValues();
  // Sets "Enable FTP", the five FTP fields, the two modes and "Use for All" from the current
  // record (a change of "Use for All" to checked copies the FTP account to every record).
  void LoadFtp();
  // Shows or hides the start invoice and its label (the Marketing Portal report has one).
  void ShowStartInvoice(bool shown);
  // Puts `date` into the start date picker; a change writes it to the current record's start
  // date, as the user's pick would.
  void ShowExportDate(const QDate& date);

 private:
  // Copies the current record's FTP account, modes and "Use for All" into every record.
  void UseForAll();
  void AddFtpBox(QGridLayout* grid);

  AppContext& context_;
  CurrentRecord current_;
  QCheckBox* chkOffsiteOn_;
  std::array<QLineEdit*, 5> txtOffsite_{};
  QCheckBox* chkFTPUseForAll_;
  QRadioButton* optActive_;
  QRadioButton* optPassive_;
  QRadioButton* optAscii_;
  QRadioButton* optBin_;
  QLabel* lblStartInvoice_;
  QLineEdit* txtStartInvoice_;
  QLineEdit* txtStoreNumber_;
  QDateEdit* dtpExportStartDate_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_SETTINGS_TAB_H_
