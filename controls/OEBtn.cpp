// The path picker.
#include "controls/OEBtn.h"

#include <QEvent>
#include <QPushButton>
#include <memory>

#include "controls/ErrorDisplay.h"
#include "controls/Jxedit.h"
#include "ui/PickerRule.h"

namespace controls {

TOpenEditButton::TOpenEditButton(QWidget* owner)
    : QFrame(owner),
      change_button_(new QPushButton(QStringLiteral("Zmień"), this)),
      edit_button_(new QPushButton(QStringLiteral("Edytuj"), this)) {
  change_button_->setObjectName(QStringLiteral("ChangeButton"));
  edit_button_->setObjectName(QStringLiteral("EditButton"));
  resize(150, 25);
  ArrangeButtons();
  connect(change_button_, &QPushButton::clicked, this,
          [this] { Guarded([this] { ChangeButtonClick(); }); });
  connect(edit_button_, &QPushButton::clicked, this,
          [this] { Guarded([this] { EditButtonClick(); }); });
}

void TOpenEditButton::SetNoEdit(bool v) {
  no_edit_ = v;
  ArrangeButtons();
}

void TOpenEditButton::ArrangeButtons() {
  const ui::PickerButtons b = ui::ArrangePicker(width(), height(), no_edit_);
  edit_button_->setVisible(b.edit_visible);
  change_button_->setGeometry(b.change.left, b.change.top, b.change.width, b.change.height);
  if (b.edit_visible)
    edit_button_->setGeometry(b.edit.left, b.edit.top, b.edit.width, b.edit.height);
}

void TOpenEditButton::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ArrangeButtons();
}

void TOpenEditButton::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    change_button_->setEnabled(isEnabled());
    edit_button_->setEnabled(isEnabled());
  }
}

void TOpenEditButton::ChangeButtonClick() {
  if (!open_dialog_ || !edit_line_) return;
  const ui::PickerAsk ask = ui::AskFor(edit_line_->text().toStdString(), select_directory_);
  open_dialog_->SetPickFolder(ask.pick_folder);
  open_dialog_->SetFileName(ask.file_name);
  if (!ask.initial_dir.empty()) open_dialog_->SetInitialDir(ask.initial_dir);
  if (!open_dialog_->Execute()) return;
  // The dialog may have destroyed what it was bound to meanwhile.
  if (!open_dialog_ || !edit_line_) return;
  const ui::PickerChoice choice = ui::Chosen(open_dialog_->FileName(), select_directory_);
  edit_line_->setText(QString::fromStdString(choice.edit_text));
  open_dialog_->SetInitialDir(choice.next_initial_dir);
  emit changed();
}

// "Edytuj": the file of the edit line in a modal text editor window;
// afterEdit() only when the window ended with a save.
void TOpenEditButton::EditButtonClick() {
  if (!edit_line_ || edit_line_->text().isEmpty()) return;
  // Freed on every way out, also when an error leaves the display or the
  // handler of afterEdit.
  const auto editor = std::make_unique<TjxeditForm>(edit_line_->text(), true, help_context_);
  const QPointer<TOpenEditButton> self(this);
  const int result = editor->exec();
  if (self && result == TjxeditForm::kSaved) emit afterEdit();
}

}  // namespace controls
