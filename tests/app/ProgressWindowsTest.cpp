// The run's progress windows: created with the run's caption and maximum,
// shown modeless, advanced, freed; and drawn while the run holds the
// event loop.
#include "app/ProgressWindows.h"

#include <QApplication>

#include "controls/GuiTestUtil.h"
#include "controls/Progress.h"

using namespace app;
using namespace controls;

namespace {

bool IsTopLevel(QWidget* w) {
  return QApplication::topLevelWidgets().contains(w);
}

TEST(ProgressWindowsTest, WindowFollowsTheRunAndGoesWithIt) {
  ProgressWindowFactory factory;
  TProgressWnd* shown = nullptr;
  factory.on_shown = [&](TProgressWnd* w) { shown = w; };
  auto window = factory.Create("Operacje na pliku: /baza/opisy.dat", 25);
  EXPECT_EQ(shown, nullptr);
  window->Show();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_FALSE(shown->isModal());
  EXPECT_EQ(shown->windowTitle(), "Operacje na pliku: /baza/opisy.dat");
  EXPECT_EQ(shown->Bar()->Max(), 25);
  for (int32_t p : {0, 10, 20}) window->SetPosition(p);
  EXPECT_EQ(shown->Bar()->Position(), 20);
  EXPECT_TRUE(IsTopLevel(shown));
  window.reset();
  EXPECT_FALSE(IsTopLevel(shown));
}

// After the rows the window stays up through the verification and the
// exchange of files, its bar full and a line saying what happens.
TEST(ProgressWindowsTest, PhasesAfterTheRowsKeepTheWindowUp) {
  ProgressWindowFactory factory;
  TProgressWnd* shown = nullptr;
  factory.on_shown = [&](TProgressWnd* w) { shown = w; };
  auto window = factory.Create("Operacje na pliku: /baza/opisy.dat", 1000);
  window->Show();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Phase(), "");
  window->SetPosition(990);
  for (const char* phase : {engine::kPhaseVerify, engine::kPhaseCommit}) {
    window->SetPhase(phase);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->Phase(), QString::fromUtf8(phase));
    EXPECT_EQ(shown->Bar()->Position(), 1000);
    EXPECT_EQ(shown->windowTitle(), "Operacje na pliku: /baza/opisy.dat");
  }
  window.reset();
  EXPECT_FALSE(IsTopLevel(shown));
}

// Counts paint events of progress windows.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(o);
    if (e->type() == QEvent::Paint && w && qobject_cast<TProgressWnd*>(w->window())) ++paints;
    return false;
  }
};

// The run holds the event loop; showing its window turns the loop once so
// the window is drawn at once. (Whether user input is held back cannot be
// seen here: the offscreen platform offers no way to queue real input.)
TEST(ProgressWindowsTest, ShowingTheWindowDrawsItWhileTheRunHoldsTheLoop) {
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  bool queued_ran = false;
  QMetaObject::invokeMethod(
      qApp, [&] { queued_ran = true; }, Qt::QueuedConnection);
  ProgressWindowFactory factory;
  auto window = factory.Create("x", 100);
  window->Show();
  qApp->removeEventFilter(&counter);
  EXPECT_TRUE(queued_ran);
  EXPECT_GT(counter.paints, 0);
}

}  // namespace
