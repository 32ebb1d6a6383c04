// The progress window.
#include "controls/Progress.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "controls/DesignUnits.h"

namespace controls {

namespace {

// Room the title bar leaves for the caption beside its icon and close box.
constexpr int kTitleMargin = 80;

}  // namespace

TProgressWnd::TProgressWnd(QWidget* owner, const std::string& caption, int32_t maximum,
                           bool has_32bit_range)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      bar_(new TNewProgressBar(this, has_32bit_range)),
      job_(new QLabel(this)),
      phase_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("Anuluj"), this)) {
  setObjectName(QStringLiteral("ProgressWnd"));
  setFont(DialogFont());
  setFixedSize(Scaled(426), Scaled(65));
  bar_->setObjectName(QStringLiteral("Bar"));
  PlaceScaled(bar_, 10, 15, 406, 26);
  job_->setObjectName(QStringLiteral("JobLine"));
  phase_->setObjectName(QStringLiteral("Phase"));
  cancel_->setObjectName(QStringLiteral("CancelButton"));
  for (QWidget* w :
       {static_cast<QWidget*>(job_), static_cast<QWidget*>(phase_), static_cast<QWidget*>(cancel_)})
    w->hide();
  connect(cancel_, &QPushButton::clicked, this, &TProgressWnd::cancelRequested);
  bar_->SetMin(0);
  bar_->SetMax(100);
  setWindowTitle(QString::fromStdString(caption));
  bar_->SetMax(maximum);
  CenterOnScreen(this);
}

void TProgressWnd::Draw(const ui::ProgressState& state) {
  if (!cancel_->isVisibleTo(this)) {
    setFixedSize(Scaled(426), Scaled(128));
    PlaceScaled(job_, 10, 8, 406, 17);
    PlaceScaled(phase_, 10, 28, 406, 17);
    PlaceScaled(bar_, 10, 50, 406, 26);
    PlaceScaled(cancel_, 170, 87, 86, 31);
    job_->show();
    phase_->show();
    cancel_->show();
    CenterOnScreen(this);
  }
  const auto width_in = [](const QFontMetrics& m) {
    return [m](const std::string& s) { return m.horizontalAdvance(QString::fromStdString(s)); };
  };
  setWindowTitle(QString::fromStdString(
      ui::FitPathStart(state.title, width() - kTitleMargin, width_in(fontMetrics()))));
  job_->setText(QString::fromStdString(
      ui::FitPathStart(state.job_line, job_->width(), width_in(job_->fontMetrics()))));
  phase_->setText(QString::fromStdString(state.phase_line));
  bar_->SetRange(0, state.bar_max);
  bar_->SetPosition(state.bar_position);
  cancellable_ = state.cancel_enabled;
  cancel_->setEnabled(state.cancel_enabled);
}

QString TProgressWnd::JobLine() const {
  return job_->isVisibleTo(this) ? job_->text() : QString();
}

QString TProgressWnd::Phase() const {
  return phase_->isVisibleTo(this) ? phase_->text() : QString();
}

void TProgressWnd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && cancellable_) {
    emit cancelRequested();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TProgressWnd::closeEvent(QCloseEvent* event) {
  // During a run the window stays until the run is over; closing it asks
  // the run to stop.
  if (cancel_->isVisibleTo(this)) {
    event->ignore();
    if (cancellable_) emit cancelRequested();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace controls
