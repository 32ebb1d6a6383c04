// The request's progress: what the window shows through a preset's jobs,
// their rows, verification and exchange of files; what "Anuluj" does; how a
// path gives way when the line is short.
#include "ui/ProgressModel.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/ProgressDisplay.h"
#include "platform/Interrupt.h"
#include "ui/RequestProgress.h"
#include "ui/Typography.h"

namespace ui {
namespace {

TEST(ProgressModelTest, AJobGoesThroughRowsVerificationAndExchange) {
  ProgressModel m;
  m.BeginJob(2, 8, "zud/operdok.dbf");
  m.BeginRows("Operacje na pliku: /baza/zud/rastry.dan", 25);
  struct Expect {
    int32_t bar_max, bar_position;
    const char* phase_line;
  };
  std::vector<Expect> seen;
  auto note = [&] {
    const ProgressState s = m.State();
    EXPECT_EQ(s.title.prefix, "Operacje na pliku: ");
    EXPECT_EQ(s.title.path, "/baza/zud/rastry.dan");
    EXPECT_EQ(s.job_line.prefix + s.job_line.path, "Tabela 2 z 8: zud/operdok.dbf");
    EXPECT_TRUE(s.cancel_enabled);
    EXPECT_EQ(TypographyFault(s.phase_line), "") << s.phase_line;
    seen.push_back({s.bar_max, s.bar_position, nullptr});
    return s.phase_line;
  };
  EXPECT_EQ(note(), "Przepisywanie wierszy: 0 z 25");
  m.SetRow(20);
  EXPECT_EQ(note(), "Przepisywanie wierszy: 20 z 25");
  // The verification has a bar of its own, empty when it starts.
  m.BeginPhase(engine::kPhaseVerify);
  EXPECT_EQ(note(), engine::kPhaseVerify);
  m.SetPhaseProgress(300, 1200);
  EXPECT_EQ(note(), engine::kPhaseVerify);
  m.BeginPhase(engine::kPhaseCommit);
  EXPECT_EQ(note(), engine::kPhaseCommit);
  const std::vector<std::pair<int32_t, int32_t>> bars = {
      {25, 0}, {25, 20}, {0, 0}, {1200, 300}, {25, 25}};
  ASSERT_EQ(seen.size(), bars.size());
  for (size_t i = 0; i < bars.size(); ++i) {
    EXPECT_EQ(seen[i].bar_max, bars[i].first) << i;
    EXPECT_EQ(seen[i].bar_position, bars[i].second) << i;
  }
}

TEST(ProgressModelTest, BarStaysInItsRange) {
  ProgressModel m;
  m.BeginJob(1, 1, "/dane/opisy.dbf");
  m.BeginRows("Operacje na pliku: /dane/opisy.dat", 0);
  EXPECT_EQ(m.State().job_line.prefix, "Tabela: ");
  EXPECT_EQ(m.State().bar_max, 0);
  m.SetRow(10);
  EXPECT_EQ(m.State().bar_position, 0);
  // Verification totals past 32 bits are scaled to the bar.
  m.BeginPhase(engine::kPhaseVerify);
  m.SetPhaseProgress(uint64_t{3} << 32, uint64_t{6} << 32);
  const ProgressState s = m.State();
  EXPECT_GT(s.bar_max, 0);
  EXPECT_EQ(s.bar_position, s.bar_max / 2);
  m.SetPhaseProgress(7, 5);  // never past the end
  EXPECT_EQ(m.State().bar_position, m.State().bar_max);
}

TEST(ProgressModelTest, CancelAsksOnceAndSaysWhatHappens) {
  struct Case {
    const char* phase;  // null: rows
    const char* line;
  };
  const Case cases[] = {
      {nullptr, kCancellingLine},
      {engine::kPhaseVerify, kCancellingLine},
      {engine::kPhaseCommit, kCancelAfterCommitLine},
  };
  for (const Case& c : cases) {
    ProgressModel m;
    m.BeginJob(1, 3, "opisy.dbf");
    m.BeginRows("Operacje na pliku: opisy.dat", 100);
    if (c.phase) m.BeginPhase(c.phase);
    EXPECT_TRUE(m.Cancel());
    EXPECT_FALSE(m.Cancel());
    EXPECT_EQ(m.State().phase_line, c.line);
    EXPECT_FALSE(m.State().cancel_enabled);
    EXPECT_EQ(TypographyFault(c.line), "");
  }
  // Nothing running, nothing to stop.
  ProgressModel idle;
  EXPECT_FALSE(idle.Cancel());
}

TEST(FitPathStartTest, FoldersGoFromTheStartThenTheNamesStart) {
  const auto chars = [](const std::string& s) {
    int n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  struct Case {
    const char* path;
    int room;
    const char* shown;
  };
  const Case cases[] = {
      {"/baza/zud/rastry.dan", 40, "Plik: /baza/zud/rastry.dan"},
      {"/baza/zud/rastry.dan", 22, "Plik: …/zud/rastry.dan"},
      {"C:\\baza\\zud\\rastry.dan", 22, "Plik: …\\zud\\rastry.dan"},
      {"/baza/zud/rastry.dan", 18, "Plik: …/rastry.dan"},
      {"/baza/zud/rastry.dan", 12, "Plik: …y.dan"},
      {"/baza/zażółć.dan", 12, "Plik: …ć.dan"},
      {"/baza/zud/rastry.dan", 3, "Plik: …"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitPathStart({"Plik: ", c.path}, c.room, chars), c.shown) << c.path << " " << c.room;
}

// Records what the window was told.
struct FakeView : ProgressView {
  void Draw(const ProgressState& s) override {
    ++draws;
    visible = true;
    last = s;
  }
  void Hide() override {
    visible = false;
    ++hides;
  }
  int draws = 0, hides = 0;
  bool visible = false;
  ProgressState last;
};

// A preset's jobs share one window: it comes up with the first job's rows,
// stays between the jobs and goes when the request ends.
TEST(RequestProgressTest, OneWindowForTheWholeRequest) {
  FakeView view;
  RequestProgress progress(&view);
  for (int job = 1; job <= 3; ++job) {
    progress.BeginJob(job, 4, "opisy" + std::to_string(job) + ".dbf");
    auto display = progress.Create("Operacje na pliku: opisy.dat", 1000);
    display->Show();
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.last.job_line.prefix, "Tabela " + std::to_string(job) + " z 4: ");
    const int before = view.draws;
    // Rows come faster than a window is drawn.
    for (int32_t row = 0; row < 1000; row += 10) display->SetPosition(row);
    EXPECT_LT(view.draws - before, 10);
    // Every phase is drawn at once.
    display->SetPhase(engine::kPhaseVerify);
    EXPECT_EQ(view.last.phase_line, engine::kPhaseVerify);
    display->SetPhaseProgress(50, 50);
    EXPECT_EQ(view.last.bar_position, 50);
    display->SetPhase(engine::kPhaseCommit);
    EXPECT_EQ(view.last.phase_line, engine::kPhaseCommit);
  }
  EXPECT_EQ(view.hides, 0);
  // A job that finds nothing to divide is still named.
  progress.BeginJob(4, 4, "brak.dbf");
  EXPECT_EQ(view.last.job_line.path, "brak.dbf");
  EXPECT_EQ(view.last.phase_line, "");
  progress.EndRequest();
  EXPECT_FALSE(view.visible);
  progress.EndRequest();
  EXPECT_EQ(view.hides, 1);

  // A job run on its own takes its window with it.
  {
    auto display = progress.Create("Operacje na pliku: opisy.dat", 10);
    display->Show();
    EXPECT_TRUE(view.visible);
  }
  EXPECT_FALSE(view.visible);
}

TEST(RequestProgressTest, CancelRequestsTheInterruptOnce) {
  platform::ClearInterrupt();
  FakeView view;
  RequestProgress progress(&view);
  progress.Cancel();  // nothing running
  EXPECT_FALSE(platform::InterruptRequested());
  progress.BeginJob(1, 1, "opisy.dbf");
  auto display = progress.Create("Operacje na pliku: opisy.dat", 10);
  display->Show();
  progress.Cancel();
  EXPECT_TRUE(platform::InterruptRequested());
  EXPECT_EQ(view.last.phase_line, kCancellingLine);
  EXPECT_FALSE(view.last.cancel_enabled);
  // The next request starts afresh.
  display.reset();
  progress.EndRequest();
  platform::ClearInterrupt();
  progress.BeginJob(1, 1, "opisy.dbf");
  display = progress.Create("Operacje na pliku: opisy.dat", 10);
  display->Show();
  EXPECT_TRUE(view.last.cancel_enabled);
}

}  // namespace
}  // namespace ui
