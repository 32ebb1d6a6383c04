// The 32-bit progress bar on both of its paths: what reaches the native
// control, the scaling into 0..65535, and the range errors.
#include "controls/NewCtrls.h"

#include <QProgressBar>
#include <climits>
#include <vector>

#include "controls/Errors.h"
#include "controls/GuiTestUtil.h"
#include "controls/Progress.h"
#include "platform/MulDiv.h"

using namespace controls;

namespace {

// Records every message the bar sends to its native control.
class RecordingBar : public TNewProgressBar {
 public:
  explicit RecordingBar(bool has_32bit_range) : TNewProgressBar(nullptr, has_32bit_range) {}
  struct Msg {
    unsigned msg;
    intptr_t wparam, lparam;
    bool operator==(const Msg&) const = default;
  };
  std::vector<Msg> sent;

 protected:
  intptr_t Perform(unsigned msg, intptr_t wparam, intptr_t lparam) const override {
    if (msg != kPbmGetPos && msg != kPbmGetRange)
      const_cast<RecordingBar*>(this)->sent.push_back({msg, wparam, lparam});
    return TNewProgressBar::Perform(msg, wparam, lparam);
  }
};

constexpr intptr_t k16BitRange = intptr_t{65535} << 16;

TEST(MulDivTest, RoundsToNearestAndFailsAsMinusOne) {
  using platform::MulDiv;
  EXPECT_EQ(MulDiv(50000, 65535, 100000), 32768);  // 32767.5
  EXPECT_EQ(MulDiv(1, 1, 3), 0);
  EXPECT_EQ(MulDiv(2, 1, 3), 1);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // halves away from zero
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(5, 7, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 65535, 1), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 65535, 65535), INT32_MAX);
}

TEST(NewProgressBarTest, StoresRangeAndPositionUntilTheNativeControlExists) {
  for (bool wide : {true, false}) {
    RecordingBar bar(wide);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.width(), 150);
    bar.SetMax(100000);
    bar.SetPosition(50000);
    EXPECT_TRUE(bar.sent.empty());
    EXPECT_EQ(bar.Position(), 50000);
    EXPECT_EQ(bar.Max(), 100000);

    bar.HandleNeeded();
    if (wide) {
      EXPECT_EQ(bar.sent, (std::vector<RecordingBar::Msg>{{kPbmSetRange32, 0, 100000},
                                                          {kPbmSetPos, 50000, 0}}));
      EXPECT_EQ(bar.Native()->value(), 50000);
    } else {
      // 65535 * 50000 / 100000 = 32767.5, rounded up.
      EXPECT_EQ(bar.sent, (std::vector<RecordingBar::Msg>{{kPbmSetRange, 0, k16BitRange},
                                                          {kPbmSetPos, 32768, 0}}));
      EXPECT_EQ(bar.Native()->maximum(), 65535);
      EXPECT_EQ(bar.Native()->value(), 32768);
    }
    // The 16-bit bar reports what was set, never the scaled value.
    EXPECT_EQ(bar.Position(), 50000);
    EXPECT_EQ(bar.Max(), 100000);
  }
}

TEST(NewProgressBarTest, SixteenBitPathClampsAndRefusesNegatives) {
  RecordingBar bar(false);
  bar.HandleNeeded();
  bar.SetRange(10, 20);
  bar.sent.clear();
  bar.SetPosition(25);  // above the maximum: full
  bar.SetPosition(5);   // below the minimum: empty
  EXPECT_EQ(bar.sent, (std::vector<RecordingBar::Msg>{{kPbmSetPos, 65535, 0}, {kPbmSetPos, 0, 0}}));

  // A scaled value beyond 32 bits comes back as -1 and shows empty.
  bar.SetRange(0, 1);
  bar.sent.clear();
  bar.SetPosition(INT32_MAX);
  EXPECT_EQ(bar.sent.back(), (RecordingBar::Msg{kPbmSetPos, 0, 0}));

  // An equal range is no error; every position shows empty.
  bar.SetRange(7, 7);
  bar.sent.clear();
  bar.SetPosition(7);
  EXPECT_EQ(bar.sent.back(), (RecordingBar::Msg{kPbmSetPos, 0, 0}));

  bar.sent.clear();
  EXPECT_THROW(bar.SetPosition(-1), Exception);
  EXPECT_THROW(bar.SetMin(-1), Exception);
  EXPECT_THROW(bar.SetRange(-5, -1), Exception);
  try {
    bar.SetPosition(-1);
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("2147483647"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(bar.sent.empty());
  EXPECT_EQ(bar.Position(), 7);
  EXPECT_EQ(bar.Min(), 7);
  EXPECT_EQ(bar.Max(), 7);
}

TEST(NewProgressBarTest, RangeErrorsAndRepeatedRangeChangeNothing) {
  for (bool wide : {true, false}) {
    RecordingBar bar(wide);
    bar.HandleNeeded();
    bar.sent.clear();
    // Raising both bounds needs the maximum first.
    try {
      bar.SetMin(200);
      ADD_FAILURE() << "a minimum above the maximum was taken";
    } catch (const EInvalidOperation& e) {
      EXPECT_STREQ(e.what(), "Właściwość klasy TNewProgressBar poza zakresem");
    }
    EXPECT_THROW(bar.SetRange(5, 4), EInvalidOperation);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    bar.SetMax(300);
    bar.SetMin(200);
    EXPECT_EQ(bar.Min(), 200);
    EXPECT_EQ(bar.Max(), 300);
    bar.sent.clear();
    bar.SetRange(200, 300);
    bar.SetMin(200);
    EXPECT_TRUE(bar.sent.empty());
  }
  // On the 32-bit path negative bounds are fine.
  RecordingBar wide(true);
  wide.SetRange(INT32_MIN, -1);
  wide.SetPosition(-7);
  EXPECT_EQ(wide.Position(), -7);
}

TEST(NewProgressBarTest, LoweringTheMinimumMovesTheShownPositionButNotTheStoredOne) {
  RecordingBar wide(true);
  wide.SetRange(50, 100);
  wide.SetPosition(80);
  wide.HandleNeeded();
  wide.sent.clear();
  wide.SetMin(10);
  EXPECT_EQ(wide.sent,
            (std::vector<RecordingBar::Msg>{{kPbmSetRange32, 10, 100}, {kPbmSetPos, 10, 0}}));
  EXPECT_EQ(wide.Position(), 10);  // asks the native control

  RecordingBar narrow(false);
  narrow.SetRange(50, 100);
  narrow.SetPosition(80);
  narrow.HandleNeeded();
  narrow.sent.clear();
  narrow.SetMin(10);
  EXPECT_EQ(narrow.sent,
            (std::vector<RecordingBar::Msg>{{kPbmSetRange, 0, k16BitRange}, {kPbmSetPos, 0, 0}}));
  EXPECT_EQ(narrow.Position(), 80);
  // Raising the minimum sends no position.
  narrow.sent.clear();
  narrow.SetMin(20);
  EXPECT_EQ(narrow.sent.size(), 1u);
}

TEST(ProgressWndTest, CaptionLayoutAndRange) {
  TProgressWnd wnd(nullptr, "Operacje na pliku: /baza/opisy.dat", 100000);
  EXPECT_EQ(wnd.windowTitle(), "Operacje na pliku: /baza/opisy.dat");
  EXPECT_TRUE(wnd.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(wnd.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(wnd.Bar()->objectName(), "Bar");
  EXPECT_EQ(wnd.Bar()->Min(), 0);
  EXPECT_EQ(wnd.Bar()->Max(), 100000);
  wnd.show();
  EXPECT_TRUE(wnd.Bar()->HandleAllocated());
  wnd.Bar()->SetPosition(20);
  EXPECT_EQ(wnd.Bar()->Native()->value(), 20);

  TProgressWnd empty(nullptr, "x", 0);  // a table of no rows
  EXPECT_EQ(empty.Bar()->Max(), 0);
  EXPECT_THROW(TProgressWnd(nullptr, "x", -1), EInvalidOperation);
}

}  // namespace
