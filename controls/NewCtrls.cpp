// The 32-bit progress bar.
#include "controls/NewCtrls.h"

#include <QProgressBar>
#include <QStyle>
#include <algorithm>
#include <climits>

#include "controls/Errors.h"
#include "platform/MulDiv.h"

namespace controls {

namespace {
constexpr int32_t k16BitTop = 65535;
// The fixed 16-bit range 0..65535 as one message parameter: low word the
// minimum, high word the maximum, as an unsigned 32-bit word.
constexpr intptr_t k16BitRangeParam = static_cast<intptr_t>(uint32_t{65535} << 16);

[[noreturn]] void OutOfRange() {
  throw Exception(QStringLiteral("Wartość musi się mieścić w przedziale od %1 do %2")
                      .arg(0)
                      .arg(INT32_MAX)
                      .toStdString());
}
}  // namespace

TNewProgressBar::TNewProgressBar(QWidget* owner, bool has_32bit_range)
    : QWidget(owner), has_32bit_range_(has_32bit_range) {
  resize(150, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

int32_t TNewProgressBar::Min() const {
  return native_ && has_32bit_range_ ? static_cast<int32_t>(Perform(kPbmGetRange, 1, 0)) : min_;
}

int32_t TNewProgressBar::Max() const {
  return native_ && has_32bit_range_ ? static_cast<int32_t>(Perform(kPbmGetRange, 0, 0)) : max_;
}

int32_t TNewProgressBar::Position() const {
  return native_ && has_32bit_range_ ? static_cast<int32_t>(Perform(kPbmGetPos, 0, 0)) : position_;
}

void TNewProgressBar::SendRange() const {
  if (has_32bit_range_)
    Perform(kPbmSetRange32, min_, max_);
  else
    Perform(kPbmSetRange, 0, k16BitRangeParam);
}

void TNewProgressBar::SetRange(int32_t new_min, int32_t new_max) {
  if (new_max < new_min) {
    std::string name = metaObject()->className();
    name = name.substr(name.rfind(':') + 1);  // the class, without its namespace
    throw EInvalidOperation("Właściwość klasy " + name + " poza zakresem");
  }
  if (!has_32bit_range_ && (new_min < 0 || new_max < 0)) OutOfRange();
  if (new_min == min_ && new_max == max_) return;
  if (native_) {
    if (has_32bit_range_)
      Perform(kPbmSetRange32, new_min, new_max);
    else
      Perform(kPbmSetRange, 0, k16BitRangeParam);
    if (new_min < min_) Perform(kPbmSetPos, has_32bit_range_ ? new_min : 0, 0);
  }
  min_ = new_min;
  max_ = new_max;
}

void TNewProgressBar::SetPosition(int32_t p) {
  if (!has_32bit_range_ && p < 0) OutOfRange();
  if (native_) {
    if (has_32bit_range_) {
      Perform(kPbmSetPos, p, 0);
    } else {
      int32_t s = platform::MulDiv(p - min_, k16BitTop, max_ - min_);
      Perform(kPbmSetPos, std::clamp(s, 0, k16BitTop), 0);
    }
  }
  position_ = p;
}

void TNewProgressBar::HandleNeeded() {
  if (native_) return;
  native_ = new QProgressBar(this);
  native_->setTextVisible(false);
  native_->setGeometry(rect());
  native_->show();
  native_state_ = NativeState{};
  CreateWnd();
}

void TNewProgressBar::CreateWnd() {
  SendRange();
  SetPosition(position_);
}

void TNewProgressBar::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  HandleNeeded();
}

void TNewProgressBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (native_) native_->setGeometry(rect());
}

// The native control as the common-controls progress bar behaves: a
// position outside the range is clamped into it, and so is the position
// when the range changes.
intptr_t TNewProgressBar::Perform(unsigned msg, intptr_t wparam, intptr_t lparam) const {
  if (!native_) return 0;
  NativeState& n = native_state_;
  auto set_range = [&](int32_t lo, int32_t hi) {
    n.low = lo;
    n.high = hi;
    n.pos = std::clamp(n.pos, lo, std::max(lo, hi));
    ShowNativeState();
  };
  switch (msg) {
    case kPbmSetRange:
      set_range(static_cast<int32_t>(lparam & 0xFFFF),
                static_cast<int32_t>((lparam >> 16) & 0xFFFF));
      return 0;
    case kPbmSetRange32:
      set_range(static_cast<int32_t>(wparam), static_cast<int32_t>(lparam));
      return 0;
    case kPbmSetPos: {
      int32_t old = n.pos;
      n.pos = std::clamp(static_cast<int32_t>(wparam), n.low, std::max(n.low, n.high));
      ShowNativeState();
      return old;
    }
    case kPbmGetRange:
      return wparam ? n.low : n.high;
    case kPbmGetPos:
      return n.pos;
  }
  return 0;
}

void TNewProgressBar::ShowNativeState() const {
  const NativeState& n = native_state_;
  // Qt draws an equal range as a busy animation; the native bar shows empty.
  if (n.high > n.low) {
    native_->setRange(n.low, n.high);
    native_->setValue(n.pos);
  } else {
    native_->setRange(0, 1);
    native_->setValue(0);
  }
}

}  // namespace controls
