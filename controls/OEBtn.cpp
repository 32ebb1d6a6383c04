// The path picker.
#include "controls/OEBtn.h"

#include <QEvent>
#include <QPushButton>
#include <memory>

#include "controls/ErrorDisplay.h"
#include "controls/Jxedit.h"
#include "platform/Path.h"

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

// "Zmień" takes the left half, or the whole picker when "Edytuj" is hidden;
// "Edytuj" fills the rest.
void TOpenEditButton::ArrangeButtons() {
  const int w = width(), h = height();
  edit_button_->setVisible(!no_edit_);
  if (no_edit_) {
    change_button_->setGeometry(0, 0, w, h);
  } else {
    change_button_->setGeometry(0, 0, w / 2, h);
    edit_button_->setGeometry(w / 2, 0, w - w / 2, h);
  }
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
  std::string text = edit_line_->text().toStdString();
  if (select_directory_) {
    if (!text.empty() && text.back() != platform::kPathDelim) text += platform::kPathDelim;
    open_dialog_->SetFileName(text + "*.*");
  } else {
    open_dialog_->SetFileName(text);
  }
  std::string dir = platform::ExtractFileDir(open_dialog_->FileName());
  if (!dir.empty()) open_dialog_->SetInitialDir(dir);
  if (!open_dialog_->Execute()) return;
  // The dialog may have destroyed what it was bound to meanwhile.
  if (!open_dialog_ || !edit_line_) return;
  std::string chosen = open_dialog_->FileName();
  edit_line_->setText(
      QString::fromStdString(select_directory_ ? platform::ExtractFileDir(chosen) : chosen));
  open_dialog_->SetInitialDir(platform::ExtractFileDir(chosen));
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
