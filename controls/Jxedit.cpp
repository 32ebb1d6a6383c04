// The text editor window.
#include "controls/Jxedit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/DesignUnits.h"
#include "controls/EditorGlyphs.h"
#include "controls/FindDialog.h"
#include "controls/PlainTextFile.h"
#include "controls/ReplaceDialog.h"
#include "controls/SaveDialog.h"
#include "controls/UpDown.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "ui/TextSearch.h"

namespace controls {

namespace {

// The core searches UTF-8 text by bytes; the editor counts UTF-16 units.
size_t Utf8Offset(const QString& text, qsizetype position) {
  return static_cast<size_t>(text.left(position).toUtf8().size());
}
qsizetype QtPosition(const std::string& utf8, size_t offset) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(offset)).size();
}

TjxeditForm::PrinterMaker& CurrentPrinterMaker() {
  static TjxeditForm::PrinterMaker maker = [] {
    return std::make_unique<QPrinter>(QPrinter::HighResolution);
  };
  return maker;
}

TjxeditForm::HelpHandler& CurrentHelpHandler() {
  static TjxeditForm::HelpHandler handler = [](int) {
    platform::ShowMessage("Pomoc do tego okna nie jest dostępna.", "",
                          platform::kMbOk | platform::kMbIconInformation);
  };
  return handler;
}

}  // namespace

EditorBounds& SavedEditorBounds() {
  static EditorBounds bounds;
  return bounds;
}

TjxeditForm::PrinterMaker TjxeditForm::SetPrinterMaker(PrinterMaker maker) {
  PrinterMaker previous = std::move(CurrentPrinterMaker());
  CurrentPrinterMaker() = std::move(maker);
  return previous;
}

TjxeditForm::HelpHandler TjxeditForm::SetHelpHandler(HelpHandler handler) {
  HelpHandler previous = std::move(CurrentHelpHandler());
  CurrentHelpHandler() = std::move(handler);
  return previous;
}

TjxeditForm::TjxeditForm(const QString& fileName, bool fixedFont, int helpContext, QWidget* owner)
    : QDialog(owner), model_(fileName.toStdString()), help_context_(helpContext) {
  setObjectName(QStringLiteral("jxeditForm"));
  BuildLayout(fixedFont);
  UpdateCaption();
  const EditorBounds& b = SavedEditorBounds();
  move(b.Left, b.Top);
  resize(b.Width, b.Height);
  SpeedButton6->setVisible(help_context_ != 0);
  setWindowFlag(Qt::WindowContextHelpButtonHint, help_context_ != 0);
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  if (!model_.file_name().empty()) LoadFile();
}

TjxeditForm::~TjxeditForm() = default;

void TjxeditForm::BuildLayout(bool fixedFont) {
  setFont(DialogFont());
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setFixedHeight(Scaled(41));

  struct ButtonLayout {
    QToolButton** button;
    const char* name;
    int left, width;
    const char* hint;
    EditorGlyph glyph;
  };
  const ButtonLayout buttons[] = {
      {&SpeedButton1, "SpeedButton1", 10, 31, "Zachowaj", EditorGlyph::Save},
      {&SpeedButton2, "SpeedButton2", 49, 31, "Anuluj", EditorGlyph::Cancel},
      {&SpeedButton3, "SpeedButton3", 89, 30, "Wytnij", EditorGlyph::Cut},
      {&SpeedButton4, "SpeedButton4", 128, 31, "Kopiuj", EditorGlyph::Copy},
      {&SpeedButton5, "SpeedButton5", 167, 31, "Wklej", EditorGlyph::Paste},
      {&SpeedButton8, "SpeedButton8", 206, 32, "Drukuj", EditorGlyph::Print},
      {&SpeedButton7, "SpeedButton7", 247, 31, "Szukaj tekstu", EditorGlyph::Find},
      {&SpeedButton9, "SpeedButton9", 288, 31, "Szukaj i zamień tekst", EditorGlyph::Replace},
      {&SpeedButton6, "SpeedButton6", 378, 31, "Pomoc", EditorGlyph::Help},
  };
  for (const ButtonLayout& layout : buttons) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QLatin1String(layout.name));
    button->setAutoRaise(true);
    button->setToolTip(QString::fromUtf8(layout.hint));
    button->setIcon(EditorIcon(layout.glyph));
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(Scaled(layout.left), Scaled(5), Scaled(layout.width), Scaled(31));
    *layout.button = button;
  }
  connect(SpeedButton1, &QToolButton::clicked, this, &TjxeditForm::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TjxeditForm::SpeedButton2Click);
  connect(SpeedButton3, &QToolButton::clicked, this, &TjxeditForm::Wytnij1Click);
  connect(SpeedButton4, &QToolButton::clicked, this, &TjxeditForm::Kopiuj1Click);
  connect(SpeedButton5, &QToolButton::clicked, this, &TjxeditForm::Wklej1Click);
  connect(SpeedButton6, &QToolButton::clicked, this, &TjxeditForm::SpeedButton6Click);
  connect(SpeedButton7, &QToolButton::clicked, this, &TjxeditForm::SpeedButton7Click);
  connect(SpeedButton8, &QToolButton::clicked, this, &TjxeditForm::SpeedButton8Click);
  connect(SpeedButton9, &QToolButton::clicked, this, &TjxeditForm::SpeedButton9Click);

  Edit2 = new QLineEdit(Panel1);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setReadOnly(true);
  Edit2->setToolTip(QStringLiteral("Rozmiar czcionki"));
  Edit2->setAlignment(Qt::AlignRight);
  Edit2->setGeometry(Scaled(327), Scaled(8), Scaled(26), Scaled(25));
  UpDown1 = new UpDown(Panel1);
  UpDown1->setObjectName(QStringLiteral("UpDown1"));
  UpDown1->setToolTip(QStringLiteral("Rozmiar czcionki"));
  UpDown1->setGeometry(Scaled(353), Scaled(8), Scaled(19), Scaled(25));
  UpDown1->SetRange(6, 14);
  UpDown1->SetIncrement(2);
  UpDown1->SetPosition(8);
  UpDown1->SetAssociate(Edit2);
  connect(UpDown1, &UpDown::Click, this, &TjxeditForm::UpDown1Click);

  Edit1 = new QPlainTextEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Edit1->setTabChangesFocus(false);
  Edit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Edit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = Edit1->font();
  if (fixedFont) {
    // "Courier New" where it is installed, else the system's fixed-width
    // font; asked for as fixed-pitch either way, so that the font matcher
    // keeps to typewriter faces.
    if (QFontDatabase::hasFamily(QStringLiteral("Courier New")))
      font.setFamily(QStringLiteral("Courier New"));
    else
      font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
  }
  font.setPointSize(UpDown1->Position());
  Edit1->setFont(font);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(Edit1, 1);

  FindDialog = new controls::FindDialog(this);
  connect(FindDialog, &controls::FindDialog::Find, this, &TjxeditForm::FindDialogFind);
  ReplaceDialog = new controls::ReplaceDialog(this);
  connect(ReplaceDialog, &controls::FindDialog::Find, this, &TjxeditForm::FindDialogFind);
  connect(ReplaceDialog, &controls::ReplaceDialog::Replace, this,
          &TjxeditForm::ReplaceDialogReplace);

  SaveD = new SaveDialog(this);
  SaveD->setObjectName(QStringLiteral("SaveD"));
  SaveD->SetFilter(ui::kEditorSaveFilter);
  SaveD->SetOptions(platform::kOfnOverwritePrompt | platform::kOfnHideReadOnly |
                    platform::kOfnPathMustExist | platform::kOfnEnableSizing);
  Edit1->setFocus();
}

void TjxeditForm::UpdateCaption() {
  setWindowTitle(QString::fromStdString(model_.Caption()));
}

void TjxeditForm::LoadFile() {
  QByteArray bytes;
  const ui::LoadOutcome outcome = ReadPlainBytes(FileName(), &bytes);
  Edit1->setPlainText(QString::fromStdString(
      model_.Load(outcome, std::string_view(bytes.constData(), size_t(bytes.size())))));
  Edit1->document()->setModified(false);
}

QString TjxeditForm::EditText() const {
  // The raw text keeps no-break spaces, which the plain text turns into
  // spaces; the block separators become line breaks, one for one.
  QString text = Edit1->document()->toRawText();
  for (QChar& c : text)
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  return text;
}

void TjxeditForm::SpeedButton1Click() {
  if (model_.NeedsFileName()) {
    if (!SaveD->Execute()) return;
    model_.SetFileName(SaveD->FileName());
    UpdateCaption();
  }
  const ui::EditorModel::SavePlan plan = model_.PlanSave(EditText().toStdString());
  for (const std::string& question : plan.questions) {
    if (platform::ShowMessage(question, ui::kConfirmTitle,
                              platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
      return;
  }
  QString error;
  if (!WritePlainText(FileName(), QByteArray::fromStdString(plan.bytes), &error)) {
    // The window stays open with the text still marked as changed.
    platform::ShowMessage(error.toStdString(), "Błąd", platform::kMbOk | platform::kMbIconError);
    return;
  }
  model_.Saved();
  Edit1->document()->setModified(false);
  done(kSaved);
}

void TjxeditForm::SpeedButton2Click() {
  done(kCancelled);
}

void TjxeditForm::done(int result) {
  if (!FormClose()) return;
  // The search dialogs belong to this window and go with it.
  FindDialog->hide();
  ReplaceDialog->hide();
  QDialog::done(result);
}

bool TjxeditForm::FormClose() {
  // The document keeps the record of the user's edits (and their undoing).
  model_.SetModified(Edit1->document()->isModified());
  const std::optional<std::string> question = model_.CloseQuestion();
  if (question &&
      platform::ShowMessage(*question, ui::kConfirmTitle, platform::kMbYesNo) != platform::kIdYes)
    return false;
  SavedEditorBounds() = {x(), y(), width(), height()};
  return true;
}

void TjxeditForm::Wytnij1Click() {
  Edit1->cut();
}

void TjxeditForm::Kopiuj1Click() {
  Edit1->copy();
}

void TjxeditForm::Wklej1Click() {
  Edit1->paste();
}

void TjxeditForm::UpDown1Click() {
  QFont font = Edit1->font();
  font.setPointSize(UpDown1->Position());
  Edit1->setFont(font);
}

void TjxeditForm::SpeedButton6Click() {
  if (CurrentHelpHandler()) CurrentHelpHandler()(help_context_);
}

void TjxeditForm::SpeedButton8Click() {
  std::unique_ptr<QPrinter> printer = CurrentPrinterMaker() ? CurrentPrinterMaker()() : nullptr;
  // Without a printer Qt falls back to a PDF file that has no name.
  const bool none = !printer || (printer->outputFormat() == QPrinter::NativeFormat
                                     ? printer->printerName().isEmpty()
                                     : printer->outputFileName().isEmpty());
  if (none) {
    platform::ShowMessage(ui::kNoPrinter, "Błąd", platform::kMbOk | platform::kMbIconError);
    return;
  }
  printer->setDocName(QString::fromStdString(ui::PrintTitle(model_.file_name())));
  Edit1->print(printer.get());
}

void TjxeditForm::ShowSearchDialog(controls::FindDialog* dialog) {
  // The editing area's right edge and top, taken as screen coordinates.
  dialog->Execute(QPoint(Edit1->x() + Edit1->width(), Edit1->y()));
}

void TjxeditForm::SpeedButton7Click() {
  ShowSearchDialog(FindDialog);
}

void TjxeditForm::SpeedButton9Click() {
  ShowSearchDialog(ReplaceDialog);
}

qsizetype TjxeditForm::SearchStart() const {
  const QTextCursor cursor = Edit1->textCursor();
  return cursor.hasSelection() ? cursor.selectionEnd() : 0;
}

bool TjxeditForm::SearchStep(controls::FindDialog* dialog) {
  const QString text = EditText();
  const std::string utf8 = text.toStdString();
  const std::string what = dialog->FindText().toStdString();
  const size_t p = ui::FindForward(utf8, Utf8Offset(text, SearchStart()), what,
                                   {dialog->MatchCase(), dialog->WholeWord()});
  if (p == ui::kNotFound) return false;
  Edit1->setFocus();
  QTextCursor cursor = Edit1->textCursor();
  const qsizetype at = QtPosition(utf8, p);
  cursor.setPosition(static_cast<int>(at));
  // A match is as many characters long as what was looked for.
  cursor.setPosition(static_cast<int>(at + dialog->FindText().size()), QTextCursor::KeepAnchor);
  Edit1->setTextCursor(cursor);
  return true;
}

void TjxeditForm::FindDialogFind(controls::FindDialog* dialog) {
  SearchStep(dialog);
}

void TjxeditForm::ReplaceDialogReplace(controls::ReplaceDialog* dialog, bool all) {
  const QString with = dialog->ReplaceText();
  bool replaced = false;
  if (!all) {
    if (SearchStep(dialog)) {
      QTextCursor cursor = Edit1->textCursor();
      cursor.insertText(with);
      Edit1->setTextCursor(cursor);
      replaced = true;
    }
  } else {
    // Each search goes on after the text just put in, so a replacement that
    // contains the find text cannot make the run endless.
    const QString text = EditText();
    const std::string utf8 = text.toStdString();
    const ui::ReplaceResult r =
        ui::ReplaceAll(utf8, Utf8Offset(text, SearchStart()), dialog->FindText().toStdString(),
                       with.toStdString(), {dialog->MatchCase(), dialog->WholeWord()});
    if (r.count > 0) {
      Edit1->setFocus();
      QTextCursor cursor = Edit1->textCursor();
      cursor.setPosition(static_cast<int>(QtPosition(utf8, r.from)));
      cursor.setPosition(static_cast<int>(QtPosition(utf8, r.to)), QTextCursor::KeepAnchor);
      cursor.insertText(QString::fromStdString(r.replacement));
      Edit1->setTextCursor(cursor);
      replaced = true;
    }
  }
  if (!replaced)
    platform::ShowMessage(ui::EditorModel::NotFound(dialog->FindText().toStdString()), "",
                          platform::kMbOk | platform::kMbIconInformation);
}

}  // namespace controls
