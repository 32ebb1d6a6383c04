// The up-down arrows.
#include "controls/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace controls {

UpDown::UpDown(QWidget* owner)
    : QWidget(owner), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  up_->setObjectName(QStringLiteral("Up"));
  down_->setObjectName(QStringLiteral("Down"));
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(up_, &QToolButton::clicked, this, &UpDown::StepUp);
  connect(down_, &QToolButton::clicked, this, &UpDown::StepDown);
  resize(17, 25);
}

void UpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void UpDown::SetPosition(int v) {
  position_ = std::clamp(v, min_, max_);
  ShowPosition();
}

void UpDown::SetAssociate(QLineEdit* edit) {
  if (associate_) associate_->removeEventFilter(this);
  associate_ = edit;
  watched_ = edit;
  if (associate_) associate_->installEventFilter(this);
  ShowPosition();
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watched_.data() && event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDown::Step(bool up) {
  // 64-bit so that a large increment cannot overflow past a limit.
  const long long next = static_cast<long long>(position_) + (up ? increment_ : -increment_);
  position_ = static_cast<int>(std::clamp<long long>(next, min_, max_));
  ShowPosition();
  emit Click(up);
}

void UpDown::ShowPosition() {
  if (associate_) associate_->setText(QString::number(position_));
}

void UpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int h = height() / 2;
  up_->setGeometry(0, 0, width(), h);
  down_->setGeometry(0, h, width(), height() - h);
}

}  // namespace controls
