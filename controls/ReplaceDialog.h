// The replace dialog of the text editor: the find dialog with a replace
// text and the buttons "Zamień" and "Zamień wszystko". Modeless; the window
// it belongs to does the replacing.
#pragma once

#include "controls/FindDialog.h"

namespace controls {

class ReplaceDialog : public FindDialog {
  Q_OBJECT
 public:
  explicit ReplaceDialog(QWidget* parent);

  QString ReplaceText() const;
  void SetReplaceText(const QString& text);

  QPushButton* ReplaceButton;
  QPushButton* ReplaceAllButton;

 signals:
  // Replace one occurrence (all false) or every one (all true).
  void Replace(ReplaceDialog* sender, bool all);

 protected:
  void UpdateButtons() override;
};

}  // namespace controls
