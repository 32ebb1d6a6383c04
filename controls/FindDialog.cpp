// Find and replace dialogs: a grid of texts and options beside a column of
// buttons, as the system's own dialogs look.
#include "controls/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace controls {

FindDialog::FindDialog(QWidget* parent) : FindDialog(parent, false) {}

FindDialog::FindDialog(QWidget* parent, bool withReplace) : QDialog(parent) {
  setObjectName(withReplace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
  setWindowTitle(withReplace ? QStringLiteral("Zamienianie") : QStringLiteral("Znajdowanie"));
  setModal(false);

  auto* fields = new QGridLayout;
  FindEdit = new QLineEdit(this);
  FindEdit->setObjectName(QStringLiteral("FindText"));
  auto* findLabel = new QLabel(QStringLiteral("&Znajdź:"), this);
  findLabel->setBuddy(FindEdit);
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(FindEdit, 0, 1);
  int row = 1;
  if (withReplace) {
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName(QStringLiteral("ReplaceText"));
    auto* replaceLabel = new QLabel(QStringLiteral("Zamień &na:"), this);
    replaceLabel->setBuddy(ReplaceEdit);
    fields->addWidget(replaceLabel, row, 0);
    fields->addWidget(ReplaceEdit, row, 1);
    ++row;
  }
  WholeWordBox = new QCheckBox(QStringLiteral("Tylko całe wy&razy"), this);
  WholeWordBox->setObjectName(QStringLiteral("WholeWord"));
  MatchCaseBox = new QCheckBox(QStringLiteral("&Uwzględniaj wielkość liter"), this);
  MatchCaseBox->setObjectName(QStringLiteral("MatchCase"));
  fields->addWidget(WholeWordBox, row++, 0, 1, 2);
  fields->addWidget(MatchCaseBox, row++, 0, 1, 2);
  fields->setRowStretch(row, 1);

  auto* buttons = new QVBoxLayout;
  FindNextButton = new QPushButton(QStringLiteral("Znajdź &następny"), this);
  FindNextButton->setObjectName(QStringLiteral("FindNext"));
  FindNextButton->setDefault(true);
  buttons->addWidget(FindNextButton);
  connect(FindNextButton, &QPushButton::clicked, this, [this] { emit Find(this); });
  CancelButton = new QPushButton(QStringLiteral("Anuluj"), this);
  CancelButton->setObjectName(QStringLiteral("Cancel"));
  buttons->addWidget(CancelButton);
  buttons->addStretch(1);
  ButtonColumn = buttons;
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FindEdit, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
}

QString FindDialog::FindText() const {
  return FindEdit->text();
}

void FindDialog::SetFindText(const QString& text) {
  FindEdit->setText(text);
}

bool FindDialog::MatchCase() const {
  return MatchCaseBox->isChecked();
}

bool FindDialog::WholeWord() const {
  return WholeWordBox->isChecked();
}

void FindDialog::UpdateButtons() {
  // Nothing to look for without a find text.
  FindNextButton->setEnabled(!FindEdit->text().isEmpty());
}

void FindDialog::Execute(const QPoint& position) {
  UpdateButtons();
  move(position);
  show();
  raise();
  activateWindow();
  FindEdit->setFocus();
  FindEdit->selectAll();
}

}  // namespace controls
