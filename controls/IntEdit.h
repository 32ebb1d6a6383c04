// TIntegerEdit: a one-line edit that holds a whole number, optionally kept
// within Min..Max. Every change of its text is checked at once; a text that
// is no number or lies outside the range is answered with a message box and
// the last accepted text comes back.
#pragma once

#include <QLineEdit>
#include <cstdint>
#include <string>

#include "ui/IntRule.h"

namespace controls {

class TIntegerEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TIntegerEdit(QWidget* owner = nullptr);

  // With Min equal to Max there is no range. Writing either only stores it.
  int32_t Min() const { return rule_.min; }
  void SetMin(int32_t v) { rule_.min = v; }
  int32_t Max() const { return rule_.max; }
  void SetMax(int32_t v) { rule_.max = v; }

  // An empty text reads as Min; "-" throws EConvertError.
  int32_t Value() const;
  // Writes the decimal text; the change check then runs on it.
  void SetValue(int32_t v);

  QString LastText() const { return QString::fromStdString(rule_.last_text()); }

 signals:
  // Fired for every text the control accepts (the edit's OnChange).
  void changed();

 protected:
  // Runs on every change of the text.
  virtual void Change();

 private:
  void Reject(const ui::IntVerdict& verdict);

  ui::IntRule rule_;
};

}  // namespace controls
