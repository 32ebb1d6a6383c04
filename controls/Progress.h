// TProgressWnd: the small always-on-top window with one progress bar. A
// division request draws its progress into it: the job, what the job does
// now, the bar and "Anuluj"; the lock wait of the size probe shows the bar
// alone.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "controls/NewCtrls.h"
#include "ui/ProgressModel.h"

class QLabel;
class QPushButton;

namespace controls {

class TProgressWnd : public QWidget {
  Q_OBJECT
 public:
  // The bar runs 0..maximum; a negative maximum throws EInvalidOperation.
  TProgressWnd(QWidget* owner, const std::string& caption, int32_t maximum,
               bool has_32bit_range = true);

  TNewProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }

  // Shows what the model says. The window grows to take the job and phase
  // lines and "Anuluj" above and below the bar.
  void Draw(const ui::ProgressState& state);
  QString JobLine() const;
  QString Phase() const;

 signals:
  // "Anuluj", Esc or the close box while "Anuluj" is offered.
  void cancelRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TNewProgressBar* bar_;
  QLabel* job_;
  QLabel* phase_;
  QPushButton* cancel_;
  bool cancellable_ = false;
};

}  // namespace controls
