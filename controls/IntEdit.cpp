// The integer edit control.
#include "controls/IntEdit.h"

#include "controls/Errors.h"
#include "platform/MessageBox.h"

namespace controls {

std::optional<int32_t> StrToInt32(const QString& text) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == QLatin1Char('-')) {
    negative = true;
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    v = v * 10 + (c - u'0');
    if (v > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

TIntegerEdit::TIntegerEdit(QWidget* owner) : QLineEdit(owner), last_text_(text()) {
  connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

int32_t TIntegerEdit::Value() const {
  if (text().isEmpty()) return min_;
  std::optional<int32_t> v = StrToInt32(text());
  if (!v) throw EConvertError("'" + text().toStdString() + "' nie jest poprawną liczbą całkowitą");
  return *v;
}

void TIntegerEdit::SetValue(int32_t v) {
  setText(QString::number(v));
}

void TIntegerEdit::Change() {
  QString s = text();
  // Still being typed: check what the empty box stands for.
  if (s.isEmpty() || s == QLatin1String("-"))
    s = (min_ > 0 || max_ < 0) ? QString::number(min_) : QStringLiteral("0");
  std::optional<int32_t> v = StrToInt32(s);
  if (!v) {
    Reject("Niepoprawna wartość");
    return;
  }
  if (max_ == min_ || (min_ <= *v && *v <= max_)) {
    last_text_ = s;
    emit changed();
    return;
  }
  Reject(QStringLiteral("Wartość spoza przedziału %1 - %2").arg(min_).arg(max_).toStdString());
}

void TIntegerEdit::Reject(const std::string& message) {
  platform::ShowMessage(message, "", platform::kMbIconError);
  // Putting the text back runs Change once more, which accepts it.
  setText(last_text_);
  end(false);
}

}  // namespace controls
