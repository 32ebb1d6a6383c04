// The progress window.
#include "controls/Progress.h"

#include "controls/DesignUnits.h"

TProgressWnd::TProgressWnd(QWidget* owner, const std::string& caption, int32_t maximum,
                           bool has_32bit_range)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      bar_(new TNewProgressBar(this, has_32bit_range)) {
  setObjectName(QStringLiteral("ProgressWnd"));
  setFont(DialogFont());
  setFixedSize(Scaled(426), Scaled(65));
  bar_->setObjectName(QStringLiteral("Bar"));
  PlaceScaled(bar_, 10, 15, 406, 26);
  bar_->SetMin(0);
  bar_->SetMax(100);
  setWindowTitle(QString::fromStdString(caption));
  bar_->SetMax(maximum);
  CenterOnScreen(this);
}
