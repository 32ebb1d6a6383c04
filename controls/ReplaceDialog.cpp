// The replace dialog: two more buttons in the find dialog's column.
#include "controls/ReplaceDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace controls {

ReplaceDialog::ReplaceDialog(QWidget* parent) : FindDialog(parent, true) {
  ReplaceButton = new QPushButton(QStringLiteral("Za&mień"), this);
  ReplaceButton->setObjectName(QStringLiteral("Replace"));
  ReplaceAllButton = new QPushButton(QStringLiteral("Zamień &wszystko"), this);
  ReplaceAllButton->setObjectName(QStringLiteral("ReplaceAll"));
  ButtonColumn->insertWidget(1, ReplaceButton);
  ButtonColumn->insertWidget(2, ReplaceAllButton);
  connect(ReplaceButton, &QPushButton::clicked, this, [this] { emit Replace(this, false); });
  connect(ReplaceAllButton, &QPushButton::clicked, this, [this] { emit Replace(this, true); });
  UpdateButtons();
}

QString ReplaceDialog::ReplaceText() const {
  return ReplaceEdit->text();
}

void ReplaceDialog::SetReplaceText(const QString& text) {
  ReplaceEdit->setText(text);
}

void ReplaceDialog::UpdateButtons() {
  FindDialog::UpdateButtons();
  const bool any = !FindEdit->text().isEmpty();
  ReplaceButton->setEnabled(any);
  ReplaceAllButton->setEnabled(any);
}

}  // namespace controls
