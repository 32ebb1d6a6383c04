// The Qt side of the toolkit services: message boxes built from a flag
// word, button codes, the open dialog set up from a request, filters, and
// the standard error display at a handler's edge.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextLayout>
#include <new>

#include "controls/ErrorDisplay.h"
#include "controls/Errors.h"
#include "controls/GuiTestUtil.h"
#include "controls/QtMessageBoxes.h"
#include "controls/QtOpenDialogs.h"
#include "controls/QtTranslation.h"
#include "platform/MessageBox.h"

using namespace controls;

namespace {

TEST(QtMessageBoxesTest, FlagWordsGiveIconAndButtons) {
  auto error = MakeMessageBox("Niepoprawna wartość", "", 16, nullptr);
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  EXPECT_EQ(error->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(error->text(), QString::fromUtf8("Niepoprawna wartość"));

  auto question = MakeMessageBox("Kontynuować podział ?", "", 36, nullptr);
  EXPECT_EQ(question->icon(), QMessageBox::Question);
  EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);

  auto info = MakeMessageBox("Operacja została zakończona", "Informacja", 64, nullptr);
  EXPECT_EQ(info->icon(), QMessageBox::Information);
  EXPECT_EQ(info->windowTitle(), "Informacja");
  EXPECT_EQ(info->standardButtons(), QMessageBox::Ok);

  EXPECT_EQ(MessageBoxResult(QMessageBox::Yes), platform::kIdYes);
  EXPECT_EQ(MessageBoxResult(QMessageBox::No), platform::kIdNo);
  EXPECT_EQ(MessageBoxResult(QMessageBox::Ok), platform::kIdOk);
  // A box closed otherwise is no Yes.
  EXPECT_EQ(MessageBoxResult(QMessageBox::Escape), platform::kIdCancel);
}

// A box the caller gave no title shows the program's name; a path is kept
// on one line of its own, never broken at a separator.
TEST(QtMessageBoxesTest, UntitledBoxesAndPaths) {
  auto untitled = MakeMessageBox("Niepoprawna wartość", "", 16, nullptr);
  EXPECT_EQ(untitled->windowTitle(), QString::fromUtf8("Podział plików z danymi opisowymi"));

  auto done = MakeMessageBox(
      "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: "
      "/srv/bazy-gminne/<2024>/old4821",
      "Informacja", 64, nullptr);
  const QString text = done->text();
  EXPECT_EQ(QString(text).remove(QChar(0x2060)),
            QString::fromUtf8("Operacja została zakończona.\nPoprzednie dane zostały zachowane "
                              "w katalogu:\n/srv/bazy-gminne/<2024>/old4821"));
  // Laid out far narrower than the path, as the box's label does: the path
  // stays whole on its line.
  QTextLayout layout(text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1), done->font());
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(40);
  }
  layout.endLayout();
  EXPECT_EQ(layout.lineCount(), 1);
}

// Qt's own words in Polish: the Yes and No of a question, the buttons of
// the open dialog, the context menu of an edit.
TEST(QtTranslationTest, QtsOwnWordsArePolish) {
  ASSERT_TRUE(InstallPolishQtTranslation(qApp));
  auto question = MakeMessageBox("Kontynuować podział ?", "", 36, nullptr);
  EXPECT_EQ(question->button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), "Tak");
  EXPECT_EQ(question->button(QMessageBox::No)->text().remove(QLatin1Char('&')), "Nie");

  QFileDialog files;
  platform::OpenDialogRequest r;
  r.filter = "Dane (*.dat;*.dan)|*.dat;*.dan";
  r.options = platform::kOfnFileMustExist;
  QtOpenDialogs::Prepare(files, r);
  auto* buttons = files.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  ASSERT_NE(buttons->button(QDialogButtonBox::Open), nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text().remove(QLatin1Char('&')),
            QString::fromUtf8("Otwórz"));
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), "Anuluj");

  QLineEdit edit;
  std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
  ASSERT_FALSE(menu->actions().isEmpty());
  EXPECT_EQ(
      menu->actions().front()->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0),
      "Cofnij");
}

TEST(QtMessageBoxesTest, AnsweredBoxReturnsTheButtonCode) {
  QtMessageBoxes service;
  // Answer the box as soon as it is up.
  QMetaObject::invokeMethod(
      qApp,
      [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Yes)->click();
      },
      Qt::QueuedConnection);
  EXPECT_EQ(service.Show("Kontynuować?", "", 36), platform::kIdYes);
}

TEST(QtOpenDialogsTest, FiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters("Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*"),
            QStringList({"Dane (*.dat *.dan)", "Wszystkie (*)"}));
  EXPECT_EQ(QtNameFilters("Tabele (*.dbf)|*.dbf"), QStringList({"Tabele (*.dbf)"}));
  EXPECT_TRUE(QtNameFilters("").isEmpty());
  // A description without patterns is dropped, not turned into a filter
  // that shows nothing.
  EXPECT_TRUE(QtNameFilters("Dane|").isEmpty());
}

TEST(QtOpenDialogsTest, RequestSetsUpQtsOwnDialog) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  platform::OpenDialogRequest r;
  r.filter = "Tabele (*.dbf)|*.dbf|Wszystkie (*.*)|*.*";
  r.options = platform::kOfnFileMustExist | platform::kOfnPathMustExist;
  r.initial_dir = dir.path().toStdString();
  r.file_name = dir.path().toStdString() + "/opisy.dbf";
  QFileDialog files;
  QtOpenDialogs::Prepare(files, r);
  EXPECT_TRUE(files.testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(files.nameFilters(), QStringList({"Tabele (*.dbf)", "Wszystkie (*)"}));
  EXPECT_EQ(files.directory().absolutePath(), QDir(dir.path()).absolutePath());

  // A folder chooser shows folders only, under a title of its own.
  platform::OpenDialogRequest d;
  d.options = platform::kOfnNoValidate | platform::kOfnPathMustExist;
  d.pick_folder = true;
  d.initial_dir = dir.path().toStdString();
  QFileDialog folders;
  QtOpenDialogs::Prepare(folders, d);
  EXPECT_EQ(folders.fileMode(), QFileDialog::Directory);
  EXPECT_TRUE(folders.testOption(QFileDialog::ShowDirsOnly));
  EXPECT_EQ(folders.windowTitle(), QString::fromUtf8("Wybierz katalog"));
  EXPECT_EQ(folders.directory().absolutePath(), QDir(dir.path()).absolutePath());
  d.title = "Katalog z bazą";
  QFileDialog titled;
  QtOpenDialogs::Prepare(titled, d);
  EXPECT_EQ(titled.windowTitle(), QString::fromUtf8("Katalog z bazą"));
}

TEST(ErrorDisplayTest, AnErrorLeavingAHandlerIsShownAndTheProgramGoesOn) {
  platform::ScriptedMessageBoxes boxes;
  bool after = false;
  Guarded([] { throw EInvalidOperation("Właściwość poza zakresem"); });
  Guarded([] { throw std::bad_alloc(); });
  Guarded([] { throw 42; });
  Guarded([&] { after = true; });
  EXPECT_TRUE(after);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].text, "Właściwość poza zakresem");
  EXPECT_EQ(boxes.shown[0].flags, 16);
  EXPECT_EQ(boxes.shown[1].text, "Brak pamięci");
  EXPECT_EQ(boxes.shown[2].text, "Nieznany błąd");
}

}  // namespace

namespace {

// Types a name into the open dialog as soon as it is up and confirms it;
// a dialog still up afterwards is cancelled.
void AnswerDialogWith(const QString& name, int* rounds) {
  QMetaObject::invokeMethod(
      qApp,
      [name, rounds] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ++*rounds;
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) dialog->reject();
      },
      Qt::QueuedConnection);
}

TEST(QtOpenDialogsTest, ExecuteReturnsTheTypedChoice) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile f(dir.filePath("opisy.dbf"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QtOpenDialogs service;
  platform::OpenDialogRequest r;
  r.options = platform::kOfnFileMustExist | platform::kOfnPathMustExist;
  r.initial_dir = dir.path().toStdString();
  int rounds = 0;
  AnswerDialogWith("opisy.dbf", &rounds);
  ASSERT_TRUE(service.Execute(r));
  EXPECT_EQ(QFileInfo(QString::fromStdString(r.file_name)).canonicalFilePath(),
            QFileInfo(f).canonicalFilePath());

  // A folder chooser gives the folder itself.
  ASSERT_TRUE(QDir(dir.path()).mkdir("baza"));
  platform::OpenDialogRequest d;
  d.options = platform::kOfnNoValidate | platform::kOfnPathMustExist;
  d.pick_folder = true;
  d.initial_dir = dir.path().toStdString();
  AnswerDialogWith("baza", &rounds);
  ASSERT_TRUE(service.Execute(d));
  EXPECT_EQ(QFileInfo(QString::fromStdString(d.file_name)).canonicalFilePath(),
            QFileInfo(dir.filePath("baza")).canonicalFilePath());
  EXPECT_EQ(rounds, 2);
}

}  // namespace
