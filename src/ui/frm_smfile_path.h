// frmSMFILE_PATH: the path browser of the data path dialog. It lists the drives (the file-system
// roots and mounted volumes elsewhere), the folders of the open folder, and the open folder's
// files that match a pattern, so that the user can see the folder holds what it should. OK returns
// the open folder.
#ifndef KEZ_UI_FRM_SMFILE_PATH_H_
#define KEZ_UI_FRM_SMFILE_PATH_H_

#include <QDialog>

#include "platform/host.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace kez::ui {

class frmSMFILE_PATH : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kHelpTitle = "Path Browser Help";

  // Opens at `start` (or, when it is no folder, at the first drive), listing the files that match
  // `pattern` ("*.*" when empty; letter case ignored).
  frmSMFILE_PATH(Host& host, const QString& start, const QString& pattern,
                 QWidget* parent = nullptr);

  // The open folder.
  QString Folder() const { return folder_; }
  // Opens `folder`: its subfolders and its matching files are listed.
  void OpenFolder(const QString& folder);

 private:
  void FolderActivated(QListWidgetItem* item);
  void FillDrives();

  Host& host_;
  QString pattern_;
  QString folder_;
  QComboBox* cboDrive_;
  QLabel* lblFolder_;
  QListWidget* lstFolders_;
  QListWidget* lstFiles_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_FRM_SMFILE_PATH_H_
