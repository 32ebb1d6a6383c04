// The small modeless find dialog of the text editor, also the base of the
// replace dialog. The search always runs forward, so there is no direction
// choice; match case and whole word are offered. The dialogs only collect
// the texts and options and announce the user's request; the window they
// belong to does the search.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace controls {

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(QWidget* parent);

  QString FindText() const;
  void SetFindText(const QString& text);
  bool MatchCase() const;
  bool WholeWord() const;
  // Shows the dialog modeless at the given top-left point, in front, with the
  // find text ready for typing.
  void Execute(const QPoint& position);

  QLineEdit* FindEdit;
  QCheckBox* MatchCaseBox;
  QCheckBox* WholeWordBox;
  QPushButton* FindNextButton;
  QPushButton* CancelButton;

 signals:
  // Find next.
  void Find(FindDialog* sender);

 protected:
  FindDialog(QWidget* parent, bool withReplace);
  virtual void UpdateButtons();

  QLineEdit* ReplaceEdit = nullptr;
  QVBoxLayout* ButtonColumn = nullptr;
};

}  // namespace controls
