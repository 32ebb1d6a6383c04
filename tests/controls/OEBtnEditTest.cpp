// The path picker's "Edytuj": the text editor window opens modally on the
// edit's text, afterEdit fires only after a save, and the window is freed
// on every way out.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <stdexcept>

#include "controls/GuiTestUtil.h"
#include "controls/Jxedit.h"
#include "controls/OEBtn.h"
#include "controls/QtFiles.h"
#include "platform/MessageBox.h"

using namespace controls;

namespace {

class OEBtnEditTest : public ::testing::Test {
 protected:
  OEBtnEditTest() {
    picker = new TOpenEditButton(&window);
    edit = new QLineEdit(&window);
    picker->SetEditLine(edit);
    SavedEditorBounds() = EditorBounds();
  }

  // Runs act on the editor window once it is shown modally; records it.
  void WhenEditorShows(std::function<void(TjxeditForm&)> act) {
    QTimer::singleShot(0, &window, [this, act] {
      auto* editor = qobject_cast<TjxeditForm*>(QApplication::activeModalWidget());
      if (!editor) return;
      shown = editor;
      shownFileName = editor->FileName();
      shownHelp = editor->HelpContext();
      act(*editor);
    });
  }

  QTemporaryDir dir;
  platform::ScriptedMessageBoxes boxes;
  QWidget window;
  TOpenEditButton* picker;
  QLineEdit* edit;
  QPointer<TjxeditForm> shown;
  QString shownFileName;
  int shownHelp = -1;
};

TEST_F(OEBtnEditTest, SaveFiresAfterEditAndFreesTheWindow) {
  QSignalSpy afterEdit(picker, &TOpenEditButton::afterEdit);
  const QString path = dir.filePath("opis.txt");
  edit->setText(path);
  picker->SetHelpContext(77);
  WhenEditorShows([](TjxeditForm& e) {
    EXPECT_TRUE(e.isModal());
    EXPECT_EQ(e.Edit1->font().pointSize(), 8);
    QTest::keyClicks(e.Edit1, "nowy opis");
    e.SpeedButton1->click();
  });
  picker->EditButton()->click();
  EXPECT_EQ(shownFileName, path);
  EXPECT_EQ(shownHelp, 77);
  EXPECT_EQ(afterEdit.count(), 1);
  EXPECT_TRUE(shown.isNull());  // freed
  EXPECT_EQ(testing_util::ReadAll(path), QByteArray("nowy opis"));
  EXPECT_EQ(edit->text(), path);  // the edit is not touched
}

TEST_F(OEBtnEditTest, CancelAndCloseBoxDoNotFireAfterEdit) {
  QSignalSpy afterEdit(picker, &TOpenEditButton::afterEdit);
  edit->setText(dir.filePath("a.txt"));
  WhenEditorShows([](TjxeditForm& e) { e.SpeedButton2->click(); });
  picker->EditButtonClick();
  ASSERT_FALSE(shownFileName.isEmpty());
  EXPECT_TRUE(shown.isNull());

  shownFileName.clear();
  WhenEditorShows([this](TjxeditForm& e) {
    QTest::keyClicks(e.Edit1, "zmiana");
    boxes.Answer(platform::kIdYes);  // leave without saving
    e.close();
  });
  picker->EditButtonClick();
  ASSERT_FALSE(shownFileName.isEmpty());
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(afterEdit.count(), 0);
  EXPECT_FALSE(QFile::exists(dir.filePath("a.txt")));
  EXPECT_TRUE(shown.isNull());
}

TEST_F(OEBtnEditTest, NothingOpensWithoutAPath) {
  QSignalSpy afterEdit(picker, &TOpenEditButton::afterEdit);
  // A window that opened wrongly is closed again so the test cannot hang.
  WhenEditorShows([](TjxeditForm& e) { e.SpeedButton2->click(); });
  picker->EditButtonClick();  // empty edit
  delete edit;
  WhenEditorShows([](TjxeditForm& e) { e.SpeedButton2->click(); });
  picker->EditButtonClick();  // no edit at all
  EXPECT_TRUE(shownFileName.isEmpty());
  EXPECT_EQ(shownHelp, -1);
  EXPECT_EQ(afterEdit.count(), 0);
}

TEST_F(OEBtnEditTest, ErrorFromAfterEditPassesAndTheWindowIsStillFreed) {
  edit->setText(dir.filePath("b.txt"));
  QObject::connect(picker, &TOpenEditButton::afterEdit, picker,
                   [] { throw std::runtime_error("błąd obsługi"); });
  WhenEditorShows([](TjxeditForm& e) { e.SpeedButton1->click(); });
  EXPECT_THROW(picker->EditButtonClick(), std::runtime_error);
  ASSERT_FALSE(shownFileName.isEmpty());
  EXPECT_TRUE(shown.isNull());
  EXPECT_TRUE(QFile::exists(dir.filePath("b.txt")));
}

}  // namespace
