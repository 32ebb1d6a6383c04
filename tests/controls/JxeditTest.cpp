// The text editor window, driven offscreen with scripted message boxes, save
// dialogs and a PDF file in place of the printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include "controls/FindDialog.h"
#include "controls/GuiTestUtil.h"
#include "controls/Jxedit.h"
#include "controls/QtFiles.h"
#include "controls/ReplaceDialog.h"
#include "controls/SaveDialog.h"
#include "controls/UpDown.h"
#include "platform/MessageBox.h"
#include "platform/SaveDialog.h"

using namespace controls;

namespace {

const std::string kUnsaved = "Plik nie został zapisany. Kontynuować wyjście?";

using testing_util::ReadAll;
using testing_util::WriteAll;

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedEditorBounds() = EditorBounds();
    ASSERT_TRUE(dir.isValid());
  }

  // A shown window on path (may be empty) with text already in the editor.
  std::unique_ptr<TjxeditForm> Open(const QString& path, int helpContext = 0) {
    auto form = std::make_unique<TjxeditForm>(path, true, helpContext);
    form->show();
    return form;
  }
  std::unique_ptr<TjxeditForm> OpenWithText(const QString& text) {
    auto form = Open(QString());
    form->Edit1->setPlainText(text);
    return form;
  }

  static QString Selected(TjxeditForm& f) { return f.Edit1->textCursor().selectedText(); }
  static int SelStart(TjxeditForm& f) { return f.Edit1->textCursor().selectionStart(); }
  static void Place(TjxeditForm& f, int caret) {
    QTextCursor c = f.Edit1->textCursor();
    c.setPosition(caret);
    f.Edit1->setTextCursor(c);
  }
  static void Find(TjxeditForm& f, const QString& what, bool matchCase = false,
                   bool wholeWord = false) {
    f.FindDialog->SetFindText(what);
    f.FindDialog->MatchCaseBox->setChecked(matchCase);
    f.FindDialog->WholeWordBox->setChecked(wholeWord);
    f.FindDialog->FindNextButton->click();
  }
  static void Replace(TjxeditForm& f, const QString& what, const QString& with, bool all) {
    f.ReplaceDialog->SetFindText(what);
    f.ReplaceDialog->SetReplaceText(with);
    (all ? f.ReplaceDialog->ReplaceAllButton : f.ReplaceDialog->ReplaceButton)->click();
  }

  QTemporaryDir dir;
  platform::ScriptedMessageBoxes boxes;
  platform::ScriptedSaveDialogs saves;
};

TEST_F(EditorTest, CreateSetsCaptionHelpButtonFontAndBounds) {
  auto untitled = Open(QString());
  EXPECT_EQ(untitled->windowTitle(), QStringLiteral("Bez nazwy"));
  EXPECT_EQ(untitled->objectName(), QStringLiteral("jxeditForm"));
  EXPECT_TRUE(untitled->SpeedButton6->isHidden());
  EXPECT_EQ(untitled->pos(), QPoint(100, 125));
  EXPECT_EQ(untitled->size(), QSize(560, 320));
  EXPECT_EQ(untitled->Edit2->text(), QStringLiteral("8"));
  EXPECT_EQ(untitled->Edit1->font().pointSize(), 8);
  // The font the editor asked for, not what a machine's fonts make of it:
  // some monospaced faces call themselves proportional.
  EXPECT_TRUE(untitled->Edit1->font().fixedPitch());
  EXPECT_EQ(untitled->Edit1->font().styleHint(), QFont::TypeWriter);
  EXPECT_EQ(untitled->SpeedButton9->toolTip(), QString::fromUtf8("Szukaj i zamień tekst"));
  EXPECT_EQ(untitled->SaveD->Filter(), "tekst (*.txt)|*.txt");

  auto named = Open(dir.filePath("opisy.txt"), 1234);
  EXPECT_EQ(named->windowTitle(), QStringLiteral("opisy.txt"));
  EXPECT_EQ(named->HelpContext(), 1234);
  EXPECT_FALSE(named->SpeedButton6->isHidden());
  int topic = 0;
  auto previous = TjxeditForm::SetHelpHandler([&](int n) { topic = n; });
  named->SpeedButton6->click();
  TjxeditForm::SetHelpHandler(previous);
  EXPECT_EQ(topic, 1234);
}

TEST_F(EditorTest, BoundsCarryToTheNextWindowButFontSizeStartsAtEight) {
  {
    auto first = Open(QString());
    first->move(210, 220);
    first->resize(400, 300);
    first->UpDown1->StepUp();
    EXPECT_EQ(first->Edit1->font().pointSize(), 10);
    first->SpeedButton2->click();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->result(), TjxeditForm::kCancelled);
  }
  auto second = Open(QString());
  EXPECT_EQ(second->pos(), QPoint(210, 220));
  EXPECT_EQ(second->size(), QSize(400, 300));
  EXPECT_EQ(second->Edit2->text(), QStringLiteral("8"));
  EXPECT_EQ(second->Edit1->font().pointSize(), 8);
}

TEST_F(EditorTest, FontSizeStepsByTwoBetweenSixAndFourteen) {
  auto f = Open(QString());
  QList<int> seen;
  for (int i = 0; i < 5; ++i) {
    f->UpDown1->UpButton()->click();
    seen << f->Edit1->font().pointSize();
  }
  EXPECT_EQ(seen, (QList<int>{10, 12, 14, 14, 14}));
  EXPECT_EQ(f->Edit2->text(), QStringLiteral("14"));
  seen.clear();
  for (int i = 0; i < 6; ++i) {
    f->UpDown1->DownButton()->click();
    seen << f->Edit1->font().pointSize();
  }
  EXPECT_EQ(seen, (QList<int>{12, 10, 8, 6, 6, 6}));
  EXPECT_EQ(f->Edit2->text(), QStringLiteral("6"));
  EXPECT_TRUE(f->Edit2->isReadOnly());
  // The arrow keys in the size box step it too.
  QTest::keyClick(f->Edit2, Qt::Key_Up);
  EXPECT_EQ(f->Edit1->font().pointSize(), 8);
  EXPECT_EQ(f->Edit2->text(), QStringLiteral("8"));
}

TEST_F(EditorTest, PolishTextRoundTripIsByteIdentical) {
  const QString path = dir.filePath("opis.txt");
  // CRLF lines, a tab, a no-break space (A0), bytes without a character
  // (81, 98) and no break at the end.
  const QByteArray bytes(
      "Zaj\xEA\x63ie\tnr 1\r\n\xAF\xF3\xB3w\xA0\x9F\x72\xF3\x64\xB3o\r\n\x81\x98\r\n\r\nkoniec");
  WriteAll(path, bytes);
  auto f = Open(path);
  EXPECT_TRUE(f->Edit1->toPlainText().startsWith(QString::fromUtf8("Zajęcie\tnr 1\nŻółw")));
  EXPECT_FALSE(f->Edit1->document()->isModified());
  f->SpeedButton1->click();
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_TRUE(boxes.shown.empty());

  // Every other byte, control characters and NUL included, comes back too.
  QByteArray all;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') all.append(static_cast<char>(b));
  WriteAll(path, all);
  auto g = Open(path);
  g->SpeedButton1->click();
  EXPECT_EQ(g->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), all);
}

TEST_F(EditorTest, SavingUnmodifiedTextStillWritesAndClosesWithOk) {
  const QString path = dir.filePath("a.txt");
  WriteAll(path, "pierwotny\r\n");
  auto f = Open(path);
  WriteAll(path, "zmieniony przez kogoś innego");
  f->SpeedButton1->click();
  EXPECT_FALSE(f->isVisible());
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), QByteArray("pierwotny\r\n"));
}

TEST_F(EditorTest, MissingFileOpensEmptyAndSaveCreatesIt) {
  const QString path = dir.filePath("nowy.txt");
  auto f = Open(path);
  EXPECT_TRUE(f->Edit1->toPlainText().isEmpty());
  EXPECT_EQ(f->windowTitle(), QStringLiteral("nowy.txt"));
  EXPECT_TRUE(boxes.shown.empty());
  QTest::keyClicks(f->Edit1, "abc");
  QTest::keyClick(f->Edit1, Qt::Key_Return);
  QTest::keyClick(f->Edit1, Qt::Key_Tab);
  f->SpeedButton1->click();
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), QByteArray("abc\r\n\t"));
  EXPECT_TRUE(saves.seen.empty());
}

TEST_F(EditorTest, UntitledTextAsksForANameAndCancelChangesNothing) {
  auto f = OpenWithText(QString::fromUtf8("łódź"));
  saves.Cancel();
  f->SpeedButton1->click();
  EXPECT_TRUE(f->isVisible());
  EXPECT_TRUE(f->FileName().isEmpty());
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Bez nazwy"));
  ASSERT_EQ(saves.seen.size(), 1u);
  EXPECT_EQ(saves.seen[0].filter, "tekst (*.txt)|*.txt");
  EXPECT_TRUE(saves.seen[0].default_ext.empty());
  EXPECT_EQ(saves.seen[0].options, platform::kOfnOverwritePrompt | platform::kOfnHideReadOnly |
                                       platform::kOfnPathMustExist | platform::kOfnEnableSizing);

  const QString path = dir.filePath("wybrany");
  saves.Choose(path.toStdString());
  f->SpeedButton1->click();
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(f->FileName(), path);
  EXPECT_EQ(f->windowTitle(), QStringLiteral("wybrany"));
  EXPECT_EQ(ReadAll(path), QByteArray("\xB3\xF3\x64\x9F"));
}

TEST_F(EditorTest, UnwritableFileKeepsWindowOpenAndTextModified) {
  const QString path = dir.filePath("brak/plik.txt");
  auto f = Open(path);
  QTest::keyClicks(f->Edit1, "tekst");
  f->SpeedButton1->click();
  EXPECT_TRUE(f->isVisible());
  EXPECT_TRUE(f->Edit1->document()->isModified());
  EXPECT_EQ(f->Edit1->toPlainText(), QStringLiteral("tekst"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Nie można zapisać pliku: " + path.toStdString());
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconError);
  // Once the folder exists the same window saves.
  ASSERT_TRUE(QDir(dir.path()).mkdir("brak"));
  f->SpeedButton1->click();
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), QByteArray("tekst"));
}

TEST_F(EditorTest, FileThatCouldNotBeReadIsNotOverwrittenUnasked) {
  const QString path = dir.filePath("duzy.txt");
  {
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(65 * 1024 * 1024));
  }
  auto f = Open(path);
  EXPECT_TRUE(f->Edit1->toPlainText().isEmpty());
  EXPECT_TRUE(boxes.shown.empty());
  boxes.Answer(platform::kIdNo);
  f->SpeedButton1->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Potwierdzenie");
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(QFileInfo(path).size(), 65 * 1024 * 1024);
}

TEST_F(EditorTest, CharactersOutsideTheCodePageAreWrittenOnlyAfterConsent) {
  const QString path = dir.filePath("znaki.txt");
  auto f = Open(path);
  f->Edit1->setPlainText(QString::fromUtf8("a→b"));
  boxes.Answer(platform::kIdNo);
  f->SpeedButton1->click();
  EXPECT_TRUE(f->isVisible());
  EXPECT_FALSE(QFileInfo::exists(path));
  boxes.Answer(platform::kIdYes);
  f->SpeedButton1->click();
  EXPECT_EQ(f->result(), TjxeditForm::kSaved);
  EXPECT_EQ(ReadAll(path), QByteArray("a?b"));
}

TEST_F(EditorTest, ClosingWithUnsavedChangesAsksFirst) {
  auto f = Open(dir.filePath("x.txt"));
  QTest::keyClicks(f->Edit1, "zmiana");
  f->SpeedButton2->click();  // No: stays
  EXPECT_TRUE(f->isVisible());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kUnsaved);
  EXPECT_EQ(boxes.shown[0].title, "Potwierdzenie");
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbYesNo);
  f->close();  // the close box, No again
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(boxes.shown.size(), 2u);
  f->move(300, 310);
  boxes.Answer(platform::kIdYes);
  f->close();
  EXPECT_FALSE(f->isVisible());
  EXPECT_NE(f->result(), TjxeditForm::kSaved);
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.txt")));
  EXPECT_EQ(SavedEditorBounds().Left, 300);
  EXPECT_EQ(SavedEditorBounds().Top, 310);
}

TEST_F(EditorTest, ModalDisplayEndsWithTheButtonsResult) {
  const QString path = dir.filePath("m.txt");
  for (const bool save : {true, false}) {
    TjxeditForm f(path, true, 0);
    QTimer::singleShot(0, &f, [&] {
      QTest::keyClicks(f.Edit1, "x");
      if (!save) boxes.Answer(platform::kIdYes);
      (save ? f.SpeedButton1 : f.SpeedButton2)->click();
    });
    EXPECT_EQ(f.exec(), save ? TjxeditForm::kSaved : TjxeditForm::kCancelled);
  }
  EXPECT_EQ(ReadAll(path), QByteArray("x"));
}

TEST_F(EditorTest, FindNextStartsAtTheBeginningAndDoesNotWrap) {
  auto f = OpenWithText(QStringLiteral("abc xabc\nabc"));
  Place(*f, 6);  // caret inside, nothing selected
  Find(*f, "abc");
  EXPECT_EQ(SelStart(*f), 0);
  EXPECT_EQ(Selected(*f), QStringLiteral("abc"));
  Find(*f, "abc");
  EXPECT_EQ(SelStart(*f), 5);
  Find(*f, "abc");
  EXPECT_EQ(SelStart(*f), 9);
  Find(*f, "abc");  // after the last one: nothing happens
  EXPECT_EQ(SelStart(*f), 9);
  EXPECT_EQ(Selected(*f), QStringLiteral("abc"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(f->Edit1->document()->isModified());
}

TEST_F(EditorTest, FindHonoursMatchCaseAndWholeWord) {
  auto f = OpenWithText(QStringLiteral("abcd ABC abc"));
  Find(*f, "abc");
  EXPECT_EQ(SelStart(*f), 0);
  Place(*f, 0);
  Find(*f, "abc", false, true);
  EXPECT_EQ(SelStart(*f), 5);
  EXPECT_EQ(Selected(*f), QStringLiteral("ABC"));
  Place(*f, 0);
  Find(*f, "abc", true, true);
  EXPECT_EQ(SelStart(*f), 9);
}

TEST_F(EditorTest, SearchDialogsOpenBesideTheEditingArea) {
  auto f = Open(QString());
  f->SpeedButton7->click();
  EXPECT_TRUE(f->FindDialog->isVisible());
  EXPECT_FALSE(f->FindDialog->isModal());
  const QPoint corner(f->Edit1->x() + f->Edit1->width(), f->Edit1->y());
  EXPECT_EQ(f->FindDialog->pos(), corner);
  f->SpeedButton9->click();
  EXPECT_TRUE(f->ReplaceDialog->isVisible());
  EXPECT_EQ(f->ReplaceDialog->pos(), corner);
  // Without a find text there is nothing to start.
  f->ReplaceDialog->SetFindText(QString());
  EXPECT_FALSE(f->ReplaceDialog->ReplaceAllButton->isEnabled());
}

TEST_F(EditorTest, ReplaceTakesTheNextMatchAfterTheSelection) {
  auto f = OpenWithText(QStringLiteral("kot kot kot"));
  f->ReplaceDialog->SetFindText("kot");
  f->ReplaceDialog->FindNextButton->click();  // selects the first
  EXPECT_EQ(SelStart(*f), 0);
  Replace(*f, "kot", "pies", false);
  EXPECT_EQ(f->Edit1->toPlainText(), QStringLiteral("kot pies kot"));
  EXPECT_FALSE(f->Edit1->textCursor().hasSelection());
  EXPECT_EQ(f->Edit1->textCursor().position(), 8);
  EXPECT_TRUE(f->Edit1->document()->isModified());
  // Nothing selected: from the beginning again.
  Replace(*f, "kot", "lis", false);
  EXPECT_EQ(f->Edit1->toPlainText(), QStringLiteral("lis pies kot"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EditorTest, ReplaceAllReplacesEveryOccurrenceOrSaysNotFound) {
  auto f = OpenWithText(QStringLiteral("a-a\na"));
  Replace(*f, "a", "aa", true);  // the replacement contains the find text
  EXPECT_EQ(f->Edit1->toPlainText(), QStringLiteral("aa-aa\naa"));
  EXPECT_TRUE(boxes.shown.empty());
  Replace(*f, "zzz", "y", true);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Nie znaleziono tekstu \"zzz\"");
  EXPECT_EQ(boxes.shown[0].title, "");
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconInformation);
  // A single replace that finds nothing says so too.
  Place(*f, 0);
  Replace(*f, "b", "c", false);
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, "Nie znaleziono tekstu \"b\"");
  // Whole word and match case apply to replacing as well.
  f->Edit1->setPlainText(QStringLiteral("Kot kot kotek"));
  f->ReplaceDialog->MatchCaseBox->setChecked(true);
  f->ReplaceDialog->WholeWordBox->setChecked(true);
  Replace(*f, "kot", "pies", true);
  EXPECT_EQ(f->Edit1->toPlainText(), QStringLiteral("Kot pies kotek"));
}

TEST_F(EditorTest, ReplacedTextIsWhatGetsSaved) {
  const QString path = dir.filePath("r.txt");
  WriteAll(path, "jeden\r\ndwa\r\n");
  auto f = Open(path);
  Replace(*f, "dwa", QString::fromUtf8("trzy\u00a0"), true);
  f->SpeedButton1->click();
  EXPECT_EQ(ReadAll(path), QByteArray("jeden\r\ntrzy\xA0\r\n"));
}

class PdfPrinter {
 public:
  explicit PdfPrinter(const QString& file) {
    previous_ = TjxeditForm::SetPrinterMaker([this, file] {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(file);
      ++made;
      return printer;
    });
  }
  ~PdfPrinter() { TjxeditForm::SetPrinterMaker(previous_); }
  int made = 0;

 private:
  TjxeditForm::PrinterMaker previous_;
};

// The PDF's title as the printer writes it: UTF-16 with a byte order mark.
QByteArray PdfTitle(const QString& title) {
  QByteArray utf16("\xFE\xFF");
  for (QChar c : title) {
    utf16.append(static_cast<char>(c.unicode() >> 8));
    utf16.append(static_cast<char>(c.unicode() & 0xFF));
  }
  return "/Title (" + utf16 + ")";
}

TEST_F(EditorTest, PrintsOneJobTitledWithTheFullPath) {
  const QString pdf = dir.filePath("wydruk.pdf");
  const QString path = dir.filePath("opis.txt");
  WriteAll(path, "Ala ma kota\r\n");
  PdfPrinter printer(pdf);
  auto f = Open(path);
  f->SpeedButton8->click();
  EXPECT_EQ(printer.made, 1);
  const QByteArray out = ReadAll(pdf);
  EXPECT_TRUE(out.startsWith("%PDF"));
  EXPECT_TRUE(out.contains(PdfTitle("Plik: " + path)));
  EXPECT_TRUE(f->isVisible());

  // The whole text, not only what the window shows: many lines, many pages.
  QString lines;
  for (int i = 0; i < 400; ++i) lines += QStringLiteral("wiersz %1\n").arg(i);
  f->Edit1->setPlainText(lines);
  QFile::remove(pdf);
  f->SpeedButton8->click();
  const QByteArray many = ReadAll(pdf);
  const QRegularExpressionMatch pages =
      QRegularExpression("/Count (\\d+)").match(QString::fromLatin1(many));
  ASSERT_TRUE(pages.hasMatch());
  EXPECT_GT(pages.captured(1).toInt(), 2);

  auto untitled = OpenWithText("x");
  QFile::remove(pdf);
  untitled->SpeedButton8->click();
  EXPECT_TRUE(ReadAll(pdf).contains(PdfTitle("Plik: Bez nazwy")));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EditorTest, PrintingWithoutAPrinterSaysSo) {
  auto previous = TjxeditForm::SetPrinterMaker([] {
    auto printer = std::make_unique<QPrinter>();
    printer->setOutputFormat(QPrinter::PdfFormat);  // what Qt falls back to
    return printer;
  });
  auto f = OpenWithText("x");
  f->SpeedButton8->click();
  TjxeditForm::SetPrinterMaker(previous);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconError);
}

}  // namespace
