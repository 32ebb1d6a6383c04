// TProgressWnd: the small always-on-top window with one progress bar that a
// division job shows while it walks the rows of its table.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "controls/NewCtrls.h"

class QLabel;

namespace controls {

class TProgressWnd : public QWidget {
  Q_OBJECT
 public:
  // The bar runs 0..maximum; a negative maximum throws EInvalidOperation.
  TProgressWnd(QWidget* owner, const std::string& caption, int32_t maximum,
               bool has_32bit_range = true);

  TNewProgressBar* Bar() const { return bar_; }

  // What the job does after its rows (verification, exchange of files): a
  // line above the bar, which moves down to make room. Empty hides it.
  void SetPhase(const QString& text);
  QString Phase() const;

 private:
  TNewProgressBar* bar_;
  QLabel* phase_;
};

}  // namespace controls
