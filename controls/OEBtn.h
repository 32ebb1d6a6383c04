// TOpenEditButton: the path picker that sits beside a one-line edit. "Zmień"
// chooses a file (or, with SelectDirectory, a directory) through the bound
// open dialog and writes it into the edit; "Edytuj" opens the file in the
// text editor window. The picker owns neither the edit nor the dialog: a
// bound one that is destroyed is dropped and never used again.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPointer>

#include "controls/OpenDialog.h"

class QPushButton;

namespace controls {

class TOpenEditButton : public QFrame {
  Q_OBJECT
 public:
  explicit TOpenEditButton(QWidget* owner = nullptr);

  QLineEdit* EditLine() const { return edit_line_; }
  void SetEditLine(QLineEdit* edit) { edit_line_ = edit; }
  TOpenDialog* OpenDialog() const { return open_dialog_; }
  void SetOpenDialog(TOpenDialog* dialog) { open_dialog_ = dialog; }
  // True: only "Zmień" shows, filling the picker.
  bool NoEdit() const { return no_edit_; }
  void SetNoEdit(bool v);
  bool SelectDirectory() const { return select_directory_; }
  void SetSelectDirectory(bool v) { select_directory_ = v; }
  // The help topic passed on to the text editor window; 0: none.
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int v) { help_context_ = v; }

  QPushButton* ChangeButton() const { return change_button_; }
  QPushButton* EditButton() const { return edit_button_; }

 public slots:
  // Chooses a path into the edit; fires changed() after a confirmed choice.
  void ChangeButtonClick();
  // Edits the file named in the edit line in a modal text editor window;
  // fires afterEdit() when the window ended with a save.
  void EditButtonClick();

 signals:
  // OnChange: a choice was written into the edit.
  void changed();
  // AfterEdit: the text editor window ended with a save.
  void afterEdit();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ArrangeButtons();

  QPushButton* change_button_;
  QPushButton* edit_button_;
  QPointer<QLineEdit> edit_line_;
  QPointer<TOpenDialog> open_dialog_;
  bool no_edit_ = false;
  bool select_directory_ = false;
  int help_context_ = 0;
};

}  // namespace controls
