// TjxeditForm (form name jxeditForm): the small plain-text editor that the
// path picker's "Edytuj" opens modally on a file. It loads and saves code
// page 1250 text, offers the clipboard, find and replace, font size, help
// and printing, and leaves with "Zachowaj" (result 1 after a save) or
// "Anuluj" (result 2), asking first when the text was changed. All editor
// windows of a run share one position and size.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "ui/EditorModel.h"

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QToolButton;

namespace controls {

class FindDialog;
class ReplaceDialog;
class SaveDialog;
class UpDown;

// Left, top, width and height shared by all editor windows of the process.
struct EditorBounds {
  int Left = 100;
  int Top = 125;
  int Width = 560;
  int Height = 320;
};
EditorBounds& SavedEditorBounds();

class TjxeditForm : public QDialog {
  Q_OBJECT
 public:
  // Modal results.
  static constexpr int kSaved = 1;
  static constexpr int kCancelled = 2;

  // Create: builds the window, takes EditorBounds and loads the file. A file
  // that cannot be read opens as an empty text, without a message.
  TjxeditForm(const QString& fileName, bool fixedFont, int helpContext, QWidget* owner = nullptr);
  ~TjxeditForm() override;

  QString FileName() const { return QString::fromStdString(model_.file_name()); }
  int HelpContext() const { return help_context_; }
  // Caption: the file name part of FileName, or "Bez nazwy".
  void UpdateCaption();

  // Where printing goes: a maker of the printer for one job, by default the
  // system's default printer. Returns the previous maker.
  using PrinterMaker = std::function<std::unique_ptr<QPrinter>()>;
  static PrinterMaker SetPrinterMaker(PrinterMaker maker);
  // Who shows help topics; by default a notice that there is no help.
  using HelpHandler = std::function<void(int helpContext)>;
  static HelpHandler SetHelpHandler(HelpHandler handler);

  QFrame* Panel1;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QToolButton* SpeedButton3;
  QToolButton* SpeedButton4;
  QToolButton* SpeedButton5;
  QToolButton* SpeedButton6;
  QToolButton* SpeedButton7;
  QToolButton* SpeedButton8;
  QToolButton* SpeedButton9;
  QLineEdit* Edit2;
  UpDown* UpDown1;
  QPlainTextEdit* Edit1;
  controls::FindDialog* FindDialog;
  controls::ReplaceDialog* ReplaceDialog;
  SaveDialog* SaveD;

 public slots:
  void SpeedButton1Click();  // "Zachowaj"
  void SpeedButton2Click();  // "Anuluj"
  void Wytnij1Click();
  void Kopiuj1Click();
  void Wklej1Click();
  void SpeedButton6Click();  // help
  void SpeedButton7Click();  // open the find dialog
  void SpeedButton8Click();  // print
  void SpeedButton9Click();  // open the replace dialog
  void UpDown1Click();
  // Find next, for either dialog.
  void FindDialogFind(controls::FindDialog* dialog);
  void ReplaceDialogReplace(controls::ReplaceDialog* dialog, bool all);

  // Every way of closing ends here; refused while the user wants to stay
  // with unsaved changes.
  void done(int result) override;

 protected:
  // The close event: false keeps the window open.
  bool FormClose();

 private:
  void BuildLayout(bool fixedFont);
  void LoadFile();
  // The text with "\n" between lines, one character per editor position.
  QString EditText() const;
  // One search step: selects the next match of the dialog's text.
  bool SearchStep(controls::FindDialog* dialog);
  qsizetype SearchStart() const;
  void ShowSearchDialog(controls::FindDialog* dialog);

  ui::EditorModel model_;
  int help_context_ = 0;
};

}  // namespace controls
