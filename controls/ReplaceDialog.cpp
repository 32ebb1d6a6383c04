// The replace dialog: two more buttons in the find dialog's column.
#include "controls/ReplaceDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TReplaceDialog::TReplaceDialog(QWidget* parent) : TFindDialog(parent, true) {
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

QString TReplaceDialog::ReplaceText() const {
  return ReplaceEdit->text();
}

void TReplaceDialog::SetReplaceText(const QString& text) {
  ReplaceEdit->setText(text);
}

void TReplaceDialog::UpdateButtons() {
  TFindDialog::UpdateButtons();
  const bool any = !FindEdit->text().isEmpty();
  ReplaceButton->setEnabled(any);
  ReplaceAllButton->setEnabled(any);
}
