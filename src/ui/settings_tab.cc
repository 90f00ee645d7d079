#include "ui/settings_tab.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/focus_events.h"
#include "ui/ui_text.h"

namespace kez::ui {
namespace {

// The FTP fields in the order of txtOffsite 0 to 4.
constexpr std::array<std::string clsSettings::*, 5> kOffsiteFields = {
    &clsSettings::FTPAddress, &clsSettings::FTPLogin, &clsSettings::FTPPassword,
    &clsSettings::FTPDirectory, &clsSettings::FTPPort};
constexpr std::array<const char*, 5> kOffsiteLabels = {"Address", "Login Name", "Password",
                                                       "Directory", "Port"};

QRadioButton* Option(const char* name, const char* caption, QWidget* parent) {
  auto* option = new QRadioButton(QString::fromLatin1(caption), parent);
  option->setObjectName(QString::fromLatin1(name));
  return option;
}

// A frame holding a pair of option buttons, which exclude each other.
QGroupBox* OptionFrame(const char* caption, QRadioButton* first, QRadioButton* second) {
  auto* frame = new QGroupBox(QString::fromLatin1(caption));
  auto* layout = new QHBoxLayout(frame);
  layout->addWidget(first);
  layout->addWidget(second);
  layout->addStretch();
  return frame;
}

}  // namespace

SettingsTab::SettingsTab(AppContext& context, CurrentRecord current, QWidget* parent)
    : QWidget(parent),
      context_(context),
      current_(std::move(current)),
      chkOffsiteOn_(new QCheckBox(QStringLiteral("Enable FTP"), this)),
      chkFTPUseForAll_(new QCheckBox(QStringLiteral("Use for All"), this)),
      optActive_(Option("optActive", "Active", this)),
      optPassive_(Option("optPassive", "Passive", this)),
      optAscii_(Option("optAscii", "ASCII", this)),
      optBin_(Option("optBin", "Binary", this)),
      lblStartInvoice_(new QLabel(QStringLiteral("Start Invoice"), this)),
      txtStartInvoice_(new QLineEdit(QStringLiteral("0000001"), this)),
      txtStoreNumber_(new QLineEdit(QString::fromLatin1(kDefaultStoreNumber), this)),
      dtpExportStartDate_(new QDateEdit(this)) {
  setObjectName(QStringLiteral("tabSettings"));
  chkOffsiteOn_->setObjectName(QStringLiteral("chkOffsiteOn"));
  chkFTPUseForAll_->setObjectName(QStringLiteral("chkFTPUseForAll"));
  lblStartInvoice_->setObjectName(QStringLiteral("lblStartInvoice"));
  txtStartInvoice_->setObjectName(QStringLiteral("txtStartInvoice"));
  txtStoreNumber_->setObjectName(QStringLiteral("txtStoreNumber"));
  dtpExportStartDate_->setObjectName(QStringLiteral("dtpExportStartDate"));
  dtpExportStartDate_->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  dtpExportStartDate_->setCalendarPopup(true);

  auto* grid = new QGridLayout;
  AddFtpBox(grid);
  auto* modes = new QHBoxLayout;
  modes->addWidget(OptionFrame("FTP Mode", optActive_, optPassive_));
  modes->addWidget(OptionFrame("Transfer Mode", optAscii_, optBin_));

  auto* start = new QGridLayout;
  start->addWidget(lblStartInvoice_, 0, 0);
  start->addWidget(txtStartInvoice_, 0, 1);
  start->addWidget(new QLabel(QStringLiteral("Store Number"), this), 1, 0);
  start->addWidget(txtStoreNumber_, 1, 1);
  start->addWidget(new QLabel(QStringLiteral("Date"), this), 2, 0);
  start->addWidget(dtpExportStartDate_, 2, 1);
  start->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(modes);
  layout->addLayout(start);
  layout->addStretch();

  connect(chkOffsiteOn_, &QCheckBox::toggled, this,
          [this](bool checked) { current_().FTPEnable = checked; });
  for (std::size_t i = 0; i < txtOffsite_.size(); ++i) {
    connect(txtOffsite_[i], &QLineEdit::textChanged, this,
            [this, i](const QString& text) { current_().*kOffsiteFields[i] = ToCore(text); });
  }
  connect(chkFTPUseForAll_, &QCheckBox::toggled, this, [this](bool checked) {
    current_().FTPUseForAll = checked;
    if (checked) UseForAll();
  });
  connect(optActive_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) current_().FTPMode = true;
  });
  connect(optPassive_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) current_().FTPMode = false;
  });
  connect(optAscii_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) current_().FTPTransfeMode = false;
  });
  connect(optBin_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) current_().FTPTransfeMode = true;
  });
  connect(txtStartInvoice_, &QLineEdit::textChanged, this,
          [this](const QString& text) { current_().Invoice = ToCore(text); });
  connect(txtStoreNumber_, &QLineEdit::textChanged, this,
          [this](const QString& text) { current_().StoreNumber = ToCore(text); });
  connect(dtpExportStartDate_, &QDateEdit::dateChanged, this, [this](const QDate& day) {
    clsSettings& record = current_();
    record.StartDate = WithDay(record.StartDate, day);
  });

  OnFocusOut(txtStoreNumber_, [this] {
    if (txtStoreNumber_->text().isEmpty()) {
      txtStoreNumber_->setText(QString::fromLatin1(kDefaultStoreNumber));
    }
  });
  OnFocusOut(txtStartInvoice_, [this] {
    txtStartInvoice_->setText(FromCore(current_().Invoice));
    if (txtStartInvoice_->text().isEmpty()) {
      txtStartInvoice_->setText(QString::fromLatin1(kEmptyInvoice));
    }
  });
}

void SettingsTab::AddFtpBox(QGridLayout* grid) {
  grid->addWidget(chkOffsiteOn_, 0, 0, 1, 2);
  for (std::size_t i = 0; i < txtOffsite_.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtOffsite%1").arg(i));
    if (kOffsiteFields[i] == &clsSettings::FTPPassword) box->setEchoMode(QLineEdit::Password);
    txtOffsite_[i] = box;
    grid->addWidget(new QLabel(QString::fromLatin1(kOffsiteLabels[i]), this), row, 0);
    grid->addWidget(box, row, 1);
  }
  grid->addWidget(chkFTPUseForAll_, static_cast<int>(txtOffsite_.size()) + 1, 1);
  grid->setColumnStretch(1, 1);
}

void SettingsTab::LoadStartValues() {
  const clsSettings& record = current_();
  const QString store = FromCore(record.StoreNumber);
  const QDate start = ToQt(record.StartDate).date();
  const QString invoice = FromCore(record.Invoice);
  txtStoreNumber_->setText(store);
  dtpExportStartDate_->setDate(start);
  txtStartInvoice_->setText(invoice);
}

void SettingsTab::LoadFtp() {
  chkOffsiteOn_->setChecked(current_().FTPEnable);
  for (std::size_t i = 0; i < txtOffsite_.size(); ++i) {
    txtOffsite_[i]->setText(FromCore(current_().*kOffsiteFields[i]));
  }
  (current_().FTPMode ? optActive_ : optPassive_)->setChecked(true);
  (current_().FTPTransfeMode ? optBin_ : optAscii_)->setChecked(true);
  chkFTPUseForAll_->setChecked(current_().FTPUseForAll);
}

void SettingsTab::ShowStartInvoice(bool shown) {
  lblStartInvoice_->setVisible(shown);
  txtStartInvoice_->setVisible(shown);
}

void SettingsTab::ShowExportDate(const QDate& date) { dtpExportStartDate_->setDate(date); }

void SettingsTab::UseForAll() {
  const clsSettings source = current_();
  for (std::size_t index = 0; index < kReportCount; ++index) {
    clsSettings& record = ReportRecord(context_, index);
    record.FTPAddress = source.FTPAddress;
    record.FTPLogin = source.FTPLogin;
    record.FTPPassword = source.FTPPassword;
    record.FTPDirectory = source.FTPDirectory;
    record.FTPPort = source.FTPPort;
    record.FTPMode = source.FTPMode;
    record.FTPTransfeMode = source.FTPTransfeMode;
    record.FTPUseForAll = source.FTPUseForAll;
  }
}

}  // namespace kez::ui
