#include "ui/bar_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace kez::ui {

BarProgress::BarProgress(QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar(this)), caption_(new QLabel(this)) {
  setObjectName(QStringLiteral("BarProgress"));
  bar_->setObjectName(QStringLiteral("BarProgressBar"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  caption_->setObjectName(QStringLiteral("BarProgressCaption"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar_);
  layout->addWidget(caption_);
}

void BarProgress::Set(int position, const QString& caption) {
  bar_->setValue(std::clamp(position, 0, 100));
  caption_->setText(caption);
  if (isVisible()) repaint();
  emit changed(bar_->value(), caption);
}

void BarProgress::SetCaption(const QString& caption) { Set(bar_->value(), caption); }

int BarProgress::Value() const { return bar_->value(); }

QString BarProgress::Caption() const { return caption_->text(); }

}  // namespace kez::ui
