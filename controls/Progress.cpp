// The progress window.
#include "controls/Progress.h"

#include <QLabel>

#include "controls/DesignUnits.h"

namespace controls {

TProgressWnd::TProgressWnd(QWidget* owner, const std::string& caption, int32_t maximum,
                           bool has_32bit_range)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      bar_(new TNewProgressBar(this, has_32bit_range)),
      phase_(new QLabel(this)) {
  setObjectName(QStringLiteral("ProgressWnd"));
  setFont(DialogFont());
  setFixedSize(Scaled(426), Scaled(65));
  bar_->setObjectName(QStringLiteral("Bar"));
  PlaceScaled(bar_, 10, 15, 406, 26);
  phase_->setObjectName(QStringLiteral("Phase"));
  PlaceScaled(phase_, 10, 4, 406, 20);
  phase_->hide();
  bar_->SetMin(0);
  bar_->SetMax(100);
  setWindowTitle(QString::fromStdString(caption));
  bar_->SetMax(maximum);
  CenterOnScreen(this);
}

void TProgressWnd::SetPhase(const QString& text) {
  phase_->setText(text);
  phase_->setVisible(!text.isEmpty());
  if (text.isEmpty()) {
    PlaceScaled(bar_, 10, 15, 406, 26);
  } else {
    PlaceScaled(bar_, 10, 27, 406, 26);
  }
}

QString TProgressWnd::Phase() const {
  return phase_->isVisible() ? phase_->text() : QString();
}

}  // namespace controls
