#include "ui/frm_smfile_path.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>

#include "ui/ui_text.h"

namespace kez::ui {
namespace {

constexpr const char* kParentEntry = "..";

constexpr const char* kHelpText =
    "Choose a drive from the list, then open a folder with a double click (\"..\" goes up one "
    "level).\r\n\r\n"
    "The files of the open folder that match the pattern shown are listed, so that you can see "
    "that the folder holds the file it should.\r\n\r\n"
    "OK returns the open folder; Cancel returns nothing.";

// Mounted volumes that hold no user data.
bool IsSystemVolume(const QString& root) {
  for (const char* prefix : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"}) {
    if (root.startsWith(QLatin1String(prefix))) return true;
  }
  return false;
}

}  // namespace

frmSMFILE_PATH::frmSMFILE_PATH(Host& host, const QString& start, const QString& pattern,
                               QWidget* parent)
    : QDialog(parent),
      host_(host),
      pattern_(pattern.isEmpty() ? QStringLiteral("*.*") : pattern),
      cboDrive_(new QComboBox(this)),
      lblFolder_(new QLabel(this)),
      lstFolders_(new QListWidget(this)),
      lstFiles_(new QListWidget(this)) {
  setObjectName(QStringLiteral("frmSMFILE_PATH"));
  setWindowTitle(QStringLiteral("Path Browser"));
  cboDrive_->setObjectName(QStringLiteral("cboDrive"));
  lblFolder_->setObjectName(QStringLiteral("lblFolder"));
  lstFolders_->setObjectName(QStringLiteral("lstFolders"));
  lstFiles_->setObjectName(QStringLiteral("lstFiles"));
  lstFiles_->setSelectionMode(QAbstractItemView::NoSelection);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("cmdOkCancel0"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdOkCancel1"));
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("cmdHelp"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Drive"), this), 0, 0);
  layout->addWidget(cboDrive_, 0, 1);
  layout->addWidget(lblFolder_, 1, 0, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("Folders"), this), 2, 0);
  layout->addWidget(new QLabel(QStringLiteral("Files (%1)").arg(pattern_), this), 2, 1);
  layout->addWidget(lstFolders_, 3, 0);
  layout->addWidget(lstFiles_, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons, 4, 0, 1, 2);
  resize(520, 360);

  FillDrives();
  const QFileInfo first(start);
  OpenFolder(first.isDir() ? first.absoluteFilePath() : cboDrive_->itemText(0));

  connect(cboDrive_, &QComboBox::activated, this,
          [this](int position) { OpenFolder(cboDrive_->itemText(position)); });
  connect(lstFolders_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { FolderActivated(item); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    host_.ShowMessage(kHelpText, MessageButtons::kOk, MessageIcon::kInformation, kHelpTitle,
                      MessageKind::kInformation);
  });
}

void frmSMFILE_PATH::FillDrives() {
  QStringList roots;
  for (const QFileInfo& drive : QDir::drives()) roots.append(drive.absoluteFilePath());
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (volume.isValid() && volume.isReady() && !IsSystemVolume(root) && !roots.contains(root)) {
      roots.append(root);
    }
  }
  cboDrive_->addItems(roots);
}

void frmSMFILE_PATH::OpenFolder(const QString& folder) {
  const QDir dir(folder);
  folder_ = QDir::toNativeSeparators(dir.absolutePath());
  lblFolder_->setText(folder_);
  // The drive is the longest root that the folder lies under.
  qsizetype longest = -1;
  for (int i = 0; i < cboDrive_->count(); ++i) {
    const QString root = QDir::toNativeSeparators(cboDrive_->itemText(i));
    if (folder_.startsWith(root) && root.size() > longest) {
      longest = root.size();
      cboDrive_->setCurrentIndex(i);
    }
  }

  lstFolders_->clear();
  if (!dir.isRoot()) lstFolders_->addItem(QString::fromLatin1(kParentEntry));
  lstFolders_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                      QDir::Name | QDir::IgnoreCase));
  lstFiles_->clear();
  // Without QDir::CaseSensitive the patterns match whatever the letter case; "*.*" means every
  // file, also one without an extension.
  const QStringList patterns = pattern_ == QLatin1String("*.*") ? QStringList{QStringLiteral("*")}
                                                                : pattern_.split(QLatin1Char(';'));
  lstFiles_->addItems(dir.entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void frmSMFILE_PATH::FolderActivated(QListWidgetItem* item) {
  QDir dir(folder_);
  if (item->text() == QLatin1String(kParentEntry)) {
    dir.cdUp();
  } else if (!dir.cd(item->text())) {
    return;
  }
  OpenFolder(dir.absolutePath());
}

}  // namespace kez::ui
