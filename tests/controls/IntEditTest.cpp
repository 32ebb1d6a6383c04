// The integer edit: what each typed or assigned text leaves in the box,
// which message it draws, and what Value reads.
#include "controls/IntEdit.h"

#include <QSignalSpy>

#include "controls/Errors.h"
#include "controls/GuiTestUtil.h"
#include "platform/MessageBox.h"

using namespace controls;

namespace {

using platform::ScriptedMessageBoxes;
using testing_util::TypeText;

class IntEditTest : public ::testing::Test {
 protected:
  // The main window's boxes: Min 0, Max 2047.
  void SizeBox() { edit.SetMax(2047); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& s : boxes.shown) t.push_back(s.text);
    return t;
  }
  ScriptedMessageBoxes boxes;
  TIntegerEdit edit;
};

TEST_F(IntEditTest, TypingPastTheMaximumBringsBackTheLastNumberWithCaretAtEnd) {
  SizeBox();
  QSignalSpy changed(&edit, &TIntegerEdit::changed);
  TypeText(&edit, "204");
  EXPECT_EQ(edit.text(), "204");
  EXPECT_TRUE(boxes.shown.empty());
  TypeText(&edit, "8");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Wartość spoza przedziału 0 - 2047");
  EXPECT_EQ(boxes.shown[0].title, "");
  EXPECT_EQ(boxes.shown[0].flags, 16);
  EXPECT_EQ(edit.text(), "204");
  EXPECT_EQ(edit.cursorPosition(), 3);
  EXPECT_EQ(edit.LastText(), "204");
  // "2", "20", "204", then "204" once more when it came back; never "2048".
  EXPECT_EQ(changed.count(), 4);
  EXPECT_EQ(edit.Value(), 204);
}

TEST_F(IntEditTest, LettersAndNumbersBeyond32BitsAreNoNumbers) {
  SizeBox();
  TypeText(&edit, "12x");
  EXPECT_EQ(edit.text(), "12");
  TypeText(&edit, QString::fromUtf8("ó"));
  EXPECT_EQ(edit.text(), "12");
  EXPECT_EQ(Texts(), std::vector<std::string>(2, "Niepoprawna wartość"));

  TIntegerEdit any;  // Min = Max = 0: every 32-bit integer
  any.setText("-2147483648");
  any.setText("2147483647");
  EXPECT_EQ(any.Value(), 2147483647);
  any.setText("2147483648");
  EXPECT_EQ(any.text(), "2147483647");
  any.setText("-2147483649");
  any.setText("99999999999999999999");
  any.setText(" 5");
  any.setText("+5");
  EXPECT_EQ(any.text(), "2147483647");
  EXPECT_EQ(boxes.shown.size(), 7u);
  EXPECT_EQ(boxes.shown.back().text, "Niepoprawna wartość");
}

TEST_F(IntEditTest, EmptyBoxIsAcceptedAndReadsAsMin) {
  SizeBox();
  TypeText(&edit, "12");
  QTest::keyClick(&edit, Qt::Key_Backspace);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "");
  EXPECT_EQ(edit.LastText(), "0");
  EXPECT_EQ(edit.Value(), 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(IntEditTest, MinusAloneIsAcceptedButMinusFiveFallsBackToZero) {
  SizeBox();
  TypeText(&edit, "-");
  EXPECT_EQ(edit.text(), "-");
  EXPECT_EQ(edit.LastText(), "0");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_THROW(edit.Value(), EConvertError);
  TypeText(&edit, "5");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Wartość spoza przedziału 0 - 2047");
  EXPECT_EQ(edit.text(), "0");
}

TEST_F(IntEditTest, SetValueIsCheckedLikeTyping) {
  SizeBox();
  edit.SetValue(650);
  EXPECT_EQ(edit.text(), "650");
  edit.SetValue(2048);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Wartość spoza przedziału 0 - 2047");
  EXPECT_EQ(edit.text(), "650");
  edit.SetValue(-1);
  EXPECT_EQ(edit.text(), "650");
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(IntEditTest, LayoutOrderOfTextMaxValueLeaves650Accepted) {
  edit.setText("650");  // accepted while there is no range yet
  edit.SetMax(2047);
  edit.SetValue(650);
  EXPECT_EQ(edit.LastText(), "650");
  EXPECT_EQ(edit.Value(), 650);
  EXPECT_TRUE(boxes.shown.empty());
  // Writing a bound does not test the text again.
  edit.SetMax(100);
  EXPECT_EQ(edit.text(), "650");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(IntEditTest, NoRangeAcceptsNegativesAndEmptyReadsZero) {
  edit.setText("-123");
  EXPECT_EQ(edit.Value(), -123);
  edit.clear();
  EXPECT_EQ(edit.Value(), 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(IntEditTest, RangeFiveToTen) {
  edit.SetMin(5);
  edit.SetMax(10);
  edit.setText("7");
  edit.clear();
  EXPECT_EQ(edit.LastText(), "5");
  EXPECT_EQ(edit.Value(), 5);
  EXPECT_TRUE(boxes.shown.empty());
  edit.setText("4");
  EXPECT_EQ(edit.text(), "5");  // the substitute of the empty box comes back
  edit.setText("11");
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, "Wartość spoza przedziału 5 - 10");
  // "10" cannot be typed: its first key gives "1".
  edit.clear();
  TypeText(&edit, "1");
  EXPECT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(edit.text(), "5");
}

TEST_F(IntEditTest, NegativeRangeSubstitutesMinAndAcceptsEveryStep) {
  edit.SetMin(-10);
  edit.SetMax(-1);
  edit.setText("-3");
  edit.clear();
  EXPECT_EQ(edit.LastText(), "-10");
  EXPECT_EQ(edit.Value(), -10);
  TypeText(&edit, "-10");
  EXPECT_EQ(edit.text(), "-10");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(StrToInt32Test, OnlyMinusAndDigits) {
  EXPECT_EQ(StrToInt32("0"), 0);
  EXPECT_EQ(StrToInt32("-0"), 0);
  EXPECT_EQ(StrToInt32("007"), 7);
  EXPECT_EQ(StrToInt32("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "-", "--1", "1-", "1 ", "0x10", "1e3", "2147483648"})
    EXPECT_FALSE(StrToInt32(bad).has_value()) << bad;
}

}  // namespace
