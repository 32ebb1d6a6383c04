// The save dialog over Qt: set up from a request, a typed name comes back,
// a name in a folder that does not exist is refused with a message.
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "controls/GuiTestUtil.h"
#include "controls/QtSaveDialogs.h"
#include "platform/MessageBox.h"

using namespace controls;

namespace {

// Types each name into the save dialog in turn, once it is up, and confirms
// it; a dialog still up after the last name is cancelled.
void AnswerDialogWith(QStringList names, int* rounds) {
  QMetaObject::invokeMethod(
      qApp,
      [names, rounds] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ++*rounds;
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(names.front());
        // The dialog comes up again after a refused name.
        if (names.size() > 1) AnswerDialogWith(names.mid(1), rounds);
        QMetaObject::invokeMethod(dialog, "accept");
        if (names.size() == 1 && dialog->isVisible()) dialog->reject();
      },
      Qt::QueuedConnection);
}

TEST(QtSaveDialogsTest, RequestSetsUpQtsOwnDialog) {
  platform::SaveDialogRequest r;
  r.filter = "tekst (*.txt)|*.txt";
  r.options = platform::kOfnOverwritePrompt | platform::kOfnPathMustExist;
  QFileDialog asking;
  QtSaveDialogs::Prepare(asking, r);
  EXPECT_EQ(asking.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(asking.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(asking.nameFilters(), QStringList({"tekst (*.txt)"}));
  EXPECT_TRUE(asking.defaultSuffix().isEmpty());

  r.options = 0;
  r.default_ext = "txt";
  QFileDialog silent;
  QtSaveDialogs::Prepare(silent, r);
  EXPECT_TRUE(silent.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(silent.defaultSuffix(), QStringLiteral("txt"));
}

TEST(QtSaveDialogsTest, MissingFolderIsRefusedThenATypedNameComesBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  platform::ScriptedMessageBoxes boxes;
  QtSaveDialogs service;
  platform::SaveDialogRequest r;
  r.options = platform::kOfnPathMustExist;
  r.initial_dir = dir.path().toStdString();
  int rounds = 0;
  AnswerDialogWith({dir.filePath("brak/nowy.txt"), "nowy.txt"}, &rounds);
  ASSERT_TRUE(service.Execute(r));
  EXPECT_EQ(rounds, 2);
  EXPECT_EQ(QFileInfo(QString::fromStdString(r.file_name)).absoluteFilePath(),
            QFileInfo(dir.filePath("nowy.txt")).absoluteFilePath());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Katalog " + QFileInfo(dir.filePath("brak")).absoluteFilePath().toStdString() +
                " nie istnieje.");
}

}  // namespace
