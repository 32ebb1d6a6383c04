// The request's progress window: it shows what the model says, stays up
// from the first job to the end of the request, keeps every other window
// from input meanwhile, and "Anuluj", Esc and its close box ask the run to
// stop.
#include "app/WindowedProgress.h"

#include <QApplication>
#include <QPushButton>

#include "controls/GuiTestUtil.h"
#include "controls/Progress.h"
#include "platform/Interrupt.h"

using namespace app;
using namespace controls;

namespace {

bool IsTopLevel(QWidget* w) {
  return QApplication::topLevelWidgets().contains(w);
}

TEST(WindowedProgressTest, OneWindowShowsTheJobsOfARequestUntilItEnds) {
  WindowedProgress factory;
  TProgressWnd* shown = nullptr;
  int shows = 0;
  factory.on_shown = [&](TProgressWnd* w) {
    shown = w;
    ++shows;
  };
  for (int job = 1; job <= 2; ++job) {
    factory.BeginJob(job, 8, "zud/operdok.dbf");
    auto display = factory.Create("Operacje na pliku: /baza/zud/rastry.dan", 25);
    display->Show();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->isModal());
    EXPECT_EQ(shown->windowTitle(), "Operacje na pliku: /baza/zud/rastry.dan");
    EXPECT_EQ(shown->JobLine(), QString("Tabela %1 z 8: zud/operdok.dbf").arg(job));
    EXPECT_EQ(shown->Phase(), "Przepisywanie wierszy: 0 z 25");
    EXPECT_EQ(shown->Bar()->Max(), 25);
    display->SetPhase(engine::kPhaseVerify);
    EXPECT_EQ(shown->Phase(), QString::fromUtf8(engine::kPhaseVerify));
    EXPECT_EQ(shown->Bar()->Position(), 0);
    display->SetPhaseProgress(40, 40);
    EXPECT_EQ(shown->Bar()->Position(), shown->Bar()->Max());
  }
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(IsTopLevel(shown));
  factory.EndRequest();
  EXPECT_FALSE(IsTopLevel(shown));
}

TEST(WindowedProgressTest, LongPathsLoseTheirStartNotTheirMiddle) {
  WindowedProgress factory;
  TProgressWnd* shown = nullptr;
  factory.on_shown = [&](TProgressWnd* w) { shown = w; };
  const std::string deep =
      "/srv/bazy/gminy/powiat-zachodni/ewidencja-2024/archiwum/kopie/robocze/zud/rastry.dan";
  factory.BeginJob(1, 1, deep.substr(0, deep.size() - 10) + "operdok.dbf");
  auto display = factory.Create("Operacje na pliku: " + deep, 10);
  display->Show();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->windowTitle().startsWith(QString::fromUtf8("Operacje na pliku: …/")));
  EXPECT_TRUE(shown->windowTitle().endsWith("/zud/rastry.dan"));
  EXPECT_TRUE(shown->JobLine().startsWith(QString::fromUtf8("Tabela: …/")));
  EXPECT_TRUE(shown->JobLine().endsWith("/zud/operdok.dbf"));
  factory.EndRequest();
}

TEST(WindowedProgressTest, AnulujEscAndCloseBoxAskTheRunToStop) {
  using Way = void (*)(TProgressWnd*);
  const Way ways[] = {
      [](TProgressWnd* w) { QTest::mouseClick(w->CancelButton(), Qt::LeftButton); },
      [](TProgressWnd* w) { QTest::keyClick(w, Qt::Key_Escape); },
      [](TProgressWnd* w) { w->close(); },
  };
  for (Way way : ways) {
    platform::ClearInterrupt();
    WindowedProgress factory;
    TProgressWnd* shown = nullptr;
    factory.on_shown = [&](TProgressWnd* w) { shown = w; };
    factory.BeginJob(1, 3, "opisy.dbf");
    auto display = factory.Create("Operacje na pliku: /baza/opisy.dat", 100);
    display->Show();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->CancelButton()->isEnabled());
    way(shown);
    EXPECT_TRUE(platform::InterruptRequested());
    // The window stays until the run has stopped.
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(shown->CancelButton()->isEnabled());
    EXPECT_EQ(shown->Phase(), QString::fromUtf8(ui::kCancellingLine));
    display.reset();
    factory.EndRequest();
  }
  platform::ClearInterrupt();
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
// the window is drawn at once.
TEST(WindowedProgressTest, ShowingTheWindowDrawsItWhileTheRunHoldsTheLoop) {
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  bool queued_ran = false;
  QMetaObject::invokeMethod(
      qApp, [&] { queued_ran = true; }, Qt::QueuedConnection);
  WindowedProgress factory;
  auto window = factory.Create("x", 100);
  window->Show();
  qApp->removeEventFilter(&counter);
  EXPECT_TRUE(queued_ran);
  EXPECT_GT(counter.paints, 0);
}

}  // namespace
