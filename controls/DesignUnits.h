// Window layouts are drawn in design units at 120 pixels per inch; these
// helpers turn them into pixels for the screen in use and give the windows
// their common look.
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace controls {

// Design units to pixels at the primary screen's logical resolution,
// rounded to the nearest pixel.
int Scaled(int design_units);
QRect ScaledRect(int left, int top, int width, int height);
// Places a child from its design-unit bounds.
void PlaceScaled(QWidget* w, int left, int top, int width, int height);
// The dialog font of the windows: "MS Sans Serif", 13 design units high.
QFont DialogFont();
// Centres a top-level window on the screen it will appear on.
void CenterOnScreen(QWidget* w);

}  // namespace controls
