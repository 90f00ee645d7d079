// BarProgress: the settings window's progress display, a bar from 0 to 100 with a caption line
// beneath it, set by the jobs (through the host) and by the log tab.
#ifndef KEZ_UI_BAR_PROGRESS_H_
#define KEZ_UI_BAR_PROGRESS_H_

#include <QWidget>

class QLabel;
class QProgressBar;

namespace kez::ui {

class BarProgress : public QWidget {
  Q_OBJECT

 public:
  explicit BarProgress(QWidget* parent = nullptr);

  // Shows `position` (clamped to 0..100) and `caption`, and repaints at once: the jobs run on the
  // window's own thread and give the event loop no chance to paint between their steps.
  void Set(int position, const QString& caption);
  // Changes the caption only.
  void SetCaption(const QString& caption);

  int Value() const;
  QString Caption() const;

 signals:
  void changed(int position, const QString& caption);

 private:
  QProgressBar* bar_;
  QLabel* caption_;
};

}  // namespace kez::ui

#endif  // KEZ_UI_BAR_PROGRESS_H_
