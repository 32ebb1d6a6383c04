// The path picker: what the bound dialog is given, what reaches the edit,
// when OnChange fires, and that a destroyed edit or dialog is let go.
#include "controls/OEBtn.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>

#include "controls/GuiTestUtil.h"
#include "controls/OpenDialog.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"

using namespace controls;

namespace {

using platform::ScriptedOpenDialogs;

class OEBtnTest : public ::testing::Test {
 protected:
  OEBtnTest() {
    picker = new TOpenEditButton(&window);
    edit = new QLineEdit(&window);
    dialog = new TOpenDialog(&window);
    picker->SetEditLine(edit);
    picker->SetOpenDialog(dialog);
  }
  ScriptedOpenDialogs dialogs;
  QWidget window;
  TOpenEditButton* picker;
  QLineEdit* edit;
  TOpenDialog* dialog;
};

TEST_F(OEBtnTest, FileModeProposesTheEditsPathAndWritesTheChoice) {
  QSignalSpy changed(picker, &TOpenEditButton::changed);
  edit->setText("/data/opisy.dat");
  EXPECT_EQ(changed.count(), 0);  // typing never fires OnChange
  dialogs.Choose("/other/nowe.dat");
  picker->ChangeButtonClick();
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_EQ(dialogs.seen[0].file_name, "/data/opisy.dat");
  EXPECT_EQ(dialogs.seen[0].initial_dir, "/data");
  EXPECT_EQ(edit->text(), "/other/nowe.dat");
  EXPECT_EQ(dialog->InitialDir(), "/other");
  EXPECT_EQ(changed.count(), 1);

  // The same choice again is written again and fires again.
  dialogs.Choose("/other/nowe.dat");
  picker->ChangeButtonClick();
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(OEBtnTest, CancelLeavesTheEditAndFiresNothing) {
  QSignalSpy changed(picker, &TOpenEditButton::changed);
  edit->setText("/data/opisy.dat");
  dialog->SetInitialDir("/start");
  dialogs.Cancel();
  picker->ChangeButtonClick();
  EXPECT_EQ(edit->text(), "/data/opisy.dat");
  EXPECT_EQ(changed.count(), 0);
  // What was given to the dialog stays with it.
  EXPECT_EQ(dialog->FileName(), "/data/opisy.dat");
  EXPECT_EQ(dialog->InitialDir(), "/data");
}

// The core's rules (tests/ui/PickerRuleTest.cpp) reach the dialog and the
// edit: a folder chooser opened on the edit's folder, the folder chosen
// written back.
TEST_F(OEBtnTest, DirectoryModeOpensAFolderChooserOnTheEditsFolder) {
  picker->SetSelectDirectory(true);
  edit->setText("/baza/");
  dialogs.Choose("/baza/sub");
  picker->ChangeButtonClick();
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_TRUE(dialogs.seen[0].pick_folder);
  EXPECT_EQ(dialogs.seen[0].initial_dir, "/baza");
  EXPECT_EQ(edit->text(), "/baza/sub");
  EXPECT_EQ(dialog->InitialDir(), "/baza/sub");

  picker->SetSelectDirectory(false);
  dialogs.Cancel();
  picker->ChangeButtonClick();
  EXPECT_FALSE(dialogs.seen[1].pick_folder);
}

TEST_F(OEBtnTest, DestroyedEditOrDialogIsNeverUsedAgain) {
  QSignalSpy changed(picker, &TOpenEditButton::changed);
  delete edit;
  EXPECT_EQ(picker->EditLine(), nullptr);
  dialogs.Choose("/a.dat");
  picker->ChangeButtonClick();  // would crash on a dangling edit
  EXPECT_TRUE(dialogs.seen.empty());
  EXPECT_EQ(changed.count(), 0);

  auto other = std::make_unique<QLineEdit>();
  picker->SetEditLine(other.get());
  delete dialog;
  EXPECT_EQ(picker->OpenDialog(), nullptr);
  picker->ChangeButtonClick();
  EXPECT_TRUE(dialogs.seen.empty());
  EXPECT_EQ(other->text(), "");
}

TEST_F(OEBtnTest, ButtonsFollowNoEditSizeAndEnabledState) {
  window.show();  // hidden widgets get their resize events only when shown
  picker->resize(151, 25);
  QPushButton* change = picker->ChangeButton();
  QPushButton* editb = picker->EditButton();
  EXPECT_EQ(change->text(), QString::fromUtf8("Zmień"));
  EXPECT_EQ(editb->text(), "Edytuj");
  EXPECT_EQ(change->geometry(), QRect(0, 0, 75, 25));
  EXPECT_EQ(editb->geometry(), QRect(75, 0, 76, 25));

  picker->SetNoEdit(true);
  EXPECT_TRUE(editb->isHidden());
  EXPECT_EQ(change->geometry(), QRect(0, 0, 151, 25));
  picker->resize(86, 25);
  EXPECT_EQ(change->width(), 86);

  picker->SetNoEdit(false);
  EXPECT_FALSE(editb->isHidden());
  EXPECT_EQ(change->width(), 43);

  picker->setEnabled(false);
  EXPECT_FALSE(change->isEnabled());
  EXPECT_FALSE(editb->isEnabled());
  picker->setEnabled(true);
  EXPECT_TRUE(change->isEnabled());
  EXPECT_TRUE(editb->isEnabled());
}

TEST_F(OEBtnTest, ClickingZmienRunsTheChoiceAndAFailingHandlerIsShown) {
  platform::ScriptedMessageBoxes boxes;
  edit->setText("/a/b.dat");
  QObject::connect(picker, &TOpenEditButton::changed, [] { throw std::runtime_error("Zły plik"); });
  dialogs.Choose("/c/d.dat");
  QTest::mouseClick(picker->ChangeButton(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "/c/d.dat");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Zły plik");
  EXPECT_EQ(boxes.shown[0].flags, 16);
}

}  // namespace
