// frmSM_DATAPATH2: the "Set Data Path" dialog. It edits the data location (station, data path,
// station path, network and training flags), checks it as the data location object does, and
// saves it to the per-user settings store. Cancel leaves everything as it was and marks the
// location object cancelled.
#ifndef KEZ_UI_FRM_SM_DATAPATH2_H_
#define KEZ_UI_FRM_SM_DATAPATH2_H_

#include <QDialog>
#include <array>

#include "platform/host.h"
#include "posdata/cls_data_path.h"
#include "posdata/user_settings_store.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kez::ui {

class frmSM_DATAPATH2 : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Set Data Path";
  static constexpr const char* kHelpTitle = "Station and Data Path Help";
  // The index of each text box and Browse button.
  static constexpr int kDataPathBox = 0;
  static constexpr int kStationPathBox = 1;

  // Shows `path`'s settings (the default folder when it has no data path). `store` receives them
  // on OK; `host` shows the messages.
  frmSM_DATAPATH2(clsDataPath& path, UserSettingsStore& store, Host& host,
                  QWidget* parent = nullptr);

  // Cancel, Esc and the close box: the location object is marked cancelled, nothing is saved.
  void reject() override;

 private:
  void Ok();
  void Browse(int box);
  void TrainingCaution();

  clsDataPath& path_;
  UserSettingsStore& store_;
  Host& host_;
  QComboBox* cboEdit_;
  std::array<QLineEdit*, 2> txtEdit_{};
  std::array<QPushButton*, 2> cmdBrowse_{};
  QLabel* lblStationPath_;
  QCheckBox* chkNetwork_;
  QCheckBox* CkTest_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_FRM_SM_DATAPATH2_H_
