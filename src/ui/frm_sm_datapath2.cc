#include "ui/frm_sm_datapath2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <utility>

#include "platform/app_titles.h"
#include "platform/number_text.h"
#include "posdata/data_path_ops.h"
#include "ui/frm_smfile_path.h"
#include "ui/ui_text.h"

namespace kez::ui {
namespace {

constexpr const char* kTrainingCaution =
    "Checking this box does not set up a traning directory or change your data path \r\n"
    "It is a manual switch that turns on or off the training flag on the main screen ";

// The help names this platform's default data folder, "%1".
constexpr const char* kHelpText =
    "Data Path: the folder that holds the KEZ data files and their dictionary, usually "
    "\"%1\".\r\n\r\n"
    "Station Path: the folder that holds this station's station file (STA plus the station "
    "number, .KEZ).\r\n\r\n"
    "Station: the number of this station in the store.\r\n\r\n"
    "Browse: opens the path browser to pick the folder of the box beside it.\r\n"
    "OK: checks the paths and saves them. Cancel: closes without saving.";

QPushButton* Button(const QString& name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmSM_DATAPATH2::frmSM_DATAPATH2(clsDataPath& path, UserSettingsStore& store, Host& host,
                                 QWidget* parent)
    : QDialog(parent),
      path_(path),
      store_(store),
      host_(host),
      cboEdit_(new QComboBox(this)),
      lblStationPath_(new QLabel(QStringLiteral("Station Path"), this)),
      chkNetwork_(new QCheckBox(QStringLiteral("Network"), this)),
      CkTest_(new QCheckBox(QStringLiteral("Training"), this)) {
  setObjectName(QStringLiteral("frmSM_DATAPATH2"));
  setWindowTitle(QString::fromLatin1(kTitle));
  cboEdit_->setObjectName(QStringLiteral("cboEdit"));
  chkNetwork_->setObjectName(QStringLiteral("chkNetwork"));
  CkTest_->setObjectName(QStringLiteral("CkTest"));
  lblStationPath_->setObjectName(QStringLiteral("lblStationPath"));
  for (int box = 0; box < 2; ++box) {
    txtEdit_[box] = new QLineEdit(this);
    txtEdit_[box]->setObjectName(QStringLiteral("txtEdit%1").arg(box));
    cmdBrowse_[box] = Button(QStringLiteral("cmdBrowse%1").arg(box), "Browse...", this);
  }
  QPushButton* ok = Button(QStringLiteral("cmdOkCancel0"), "OK", this);
  ok->setDefault(true);
  QPushButton* cancel = Button(QStringLiteral("cmdOkCancel1"), "Cancel", this);
  QPushButton* help = Button(QStringLiteral("cmdHelp"), "Help", this);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Station"), this), 0, 0);
  layout->addWidget(cboEdit_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Data Path"), this), 1, 0);
  layout->addWidget(txtEdit_[kDataPathBox], 1, 1);
  layout->addWidget(cmdBrowse_[kDataPathBox], 1, 2);
  layout->addWidget(lblStationPath_, 2, 0);
  layout->addWidget(txtEdit_[kStationPathBox], 2, 1);
  layout->addWidget(cmdBrowse_[kStationPathBox], 2, 2);
  layout->addWidget(chkNetwork_, 3, 1);
  layout->addWidget(CkTest_, 4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons, 5, 0, 1, 3);
  layout->setColumnStretch(1, 1);
  resize(480, 220);

  // Opening: the stored settings, or the default folder when no data path is stored.
  CkTest_->setChecked(path_.TestPath == "Y");
  for (int station = 1; station <= path_.MaxStations; ++station) {
    cboEdit_->addItem(QString::number(station));
  }
  const double station = LeadingNumber(path_.Station);
  const bool listed = station >= 1 && station <= path_.MaxStations;
  cboEdit_->setCurrentIndex(listed ? static_cast<int>(station) - 1 : 0);
  cboEdit_->setEnabled(path_.StationNumberEnabled);
  if (!path_.DataPath.empty()) {
    txtEdit_[kDataPathBox]->setText(FromCore(path_.DataPath));
    txtEdit_[kStationPathBox]->setText(FromCore(path_.StationPath));
    chkNetwork_->setChecked(path_.Network);
  } else {
    txtEdit_[kDataPathBox]->setText(QString::fromLatin1(kDefaultDataFolder));
    txtEdit_[kStationPathBox]->setText(QString::fromLatin1(kDefaultDataFolder));
    chkNetwork_->setChecked(false);
  }
  // The station path matters only where the program uses it.
  lblStationPath_->setVisible(path_.StationPathEnabled);
  txtEdit_[kStationPathBox]->setVisible(path_.StationPathEnabled);
  cmdBrowse_[kStationPathBox]->setVisible(path_.StationPathEnabled);

  for (int box = 0; box < 2; ++box) {
    connect(cmdBrowse_[box], &QPushButton::clicked, this, [this, box] { Browse(box); });
  }
  connect(CkTest_, &QCheckBox::clicked, this, [this] { TrainingCaution(); });
  connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(help, &QPushButton::clicked, this, [this] {
    const std::string text =
        ToCore(QString::fromLatin1(kHelpText).arg(FromCore(kDefaultDataFolder)));
    host_.ShowMessage(text, MessageButtons::kOk, MessageIcon::kInformation, kHelpTitle,
                      MessageKind::kInformation);
  });
}

void frmSM_DATAPATH2::Ok() {
  // The candidate is checked on its own: a rejected path must not reach the caller's location,
  // which start-up reads again after a Cancel.
  clsDataPath candidate = path_;
  candidate.Station = ToCore(cboEdit_->currentText());
  candidate.StationPath = ToCore(txtEdit_[kStationPathBox]->text());
  candidate.DataPath = ToCore(txtEdit_[kDataPathBox]->text());
  candidate.Network = chkNetwork_->isChecked();
  if (!candidate.Validate(false, &host_)) {
    if (candidate.FieldKey() == "STATION") {
      cboEdit_->setFocus(Qt::OtherFocusReason);
    } else if (candidate.FieldKey() == "DATAPATH") {
      txtEdit_[kDataPathBox]->setFocus(Qt::OtherFocusReason);
    } else if (candidate.FieldKey() == "STATIONPATH") {
      txtEdit_[kStationPathBox]->setFocus(Qt::OtherFocusReason);
    }
    return;
  }
  candidate.TestPath = CkTest_->isChecked() ? "Y" : "";
  if (candidate.StationPath.empty()) candidate.StationPath = candidate.DataPath;
  candidate.Save(store_);
  candidate.Cancelled = false;
  path_ = std::move(candidate);
  accept();
}

void frmSM_DATAPATH2::reject() {
  path_.Cancelled = true;
  QDialog::reject();
}

void frmSM_DATAPATH2::Browse(int box) {
  QString pattern;
  if (!path_.SupressFileCheck) {
    pattern = box == kDataPathBox ? QStringLiteral("COMMON.KEZ") : QStringLiteral("STA*.KEZ");
  }
  frmSMFILE_PATH browser(host_, txtEdit_[box]->text(), pattern, this);
  if (browser.exec() != QDialog::Accepted) return;
  txtEdit_[box]->setText(browser.Folder());
  txtEdit_[box]->setFocus(Qt::OtherFocusReason);
}

void frmSM_DATAPATH2::TrainingCaution() {
  if (!CkTest_->isVisible()) return;
  host_.ShowMessage(kTrainingCaution, MessageButtons::kOk, MessageIcon::kInformation, "Caution",
                    MessageKind::kInformation);
}

}  // namespace kez::ui
