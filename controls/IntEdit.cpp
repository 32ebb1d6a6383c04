// The integer edit control over its rules (ui/IntRule.h).
#include "controls/IntEdit.h"

#include "controls/Errors.h"
#include "platform/MessageBox.h"

namespace controls {

TIntegerEdit::TIntegerEdit(QWidget* owner) : QLineEdit(owner) {
  rule_.set_last_text(text().toStdString());
  connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

int32_t TIntegerEdit::Value() const {
  const std::optional<int32_t> v = rule_.Value(text().toStdString());
  if (!v) throw EConvertError(ui::NotANumberMessage(text().toStdString()));
  return *v;
}

void TIntegerEdit::SetValue(int32_t v) {
  setText(QString::number(v));
}

void TIntegerEdit::Change() {
  const ui::IntVerdict verdict = rule_.Check(text().toStdString());
  if (verdict.accepted) {
    emit changed();
  } else {
    Reject(verdict);
  }
}

void TIntegerEdit::Reject(const ui::IntVerdict& verdict) {
  platform::ShowMessage(verdict.message, "", platform::kMbIconError);
  // Putting the text back runs Change once more, which accepts it.
  setText(QString::fromStdString(verdict.restore));
  end(false);
}

}  // namespace controls
