// Design-unit scaling and the windows' common look.
#include "controls/DesignUnits.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace controls {

namespace {
constexpr double kDesignDpi = 120.0;

double ScreenDpi() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->logicalDotsPerInch() : 96.0;
}
}  // namespace

int Scaled(int design_units) {
  return static_cast<int>(std::lround(design_units * ScreenDpi() / kDesignDpi));
}

QRect ScaledRect(int left, int top, int width, int height) {
  return QRect(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

void PlaceScaled(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(ScaledRect(left, top, width, height));
}

QFont DialogFont() {
  // The layouts were made for this face, 13 design units high; where it is
  // missing the system's sans serif stands in.
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(Scaled(13));
  return f;
}

void CenterOnScreen(QWidget* w) {
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  QRect frame = w->frameGeometry();
  frame.moveCenter(s->availableGeometry().center());
  w->move(frame.topLeft());
}

}  // namespace controls
