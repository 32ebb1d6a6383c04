// The integer edit shows what its rules (tests/ui/IntRuleTest.cpp) decide:
// the message box, the text put back with the caret at its end, the change
// notices, and Value's error for a lone "-".
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

TEST_F(IntEditTest, TypedLettersAreNoNumbers) {
  SizeBox();
  TypeText(&edit, "12x");
  EXPECT_EQ(edit.text(), "12");
  TypeText(&edit, QString::fromUtf8("ó"));
  EXPECT_EQ(edit.text(), "12");
  EXPECT_EQ(Texts(), std::vector<std::string>(2, "Niepoprawna wartość"));
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

}  // namespace
