// TIntegerEdit: a one-line edit that holds a whole number, optionally kept
// within Min..Max. Every change of its text is checked at once; a text that
// is no number or lies outside the range is answered with a message box and
// the last accepted text comes back.
#pragma once

#include <QLineEdit>
#include <cstdint>
#include <optional>
#include <string>

namespace controls {

class TIntegerEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TIntegerEdit(QWidget* owner = nullptr);

  // With Min equal to Max there is no range. Writing either only stores it.
  int32_t Min() const { return min_; }
  void SetMin(int32_t v) { min_ = v; }
  int32_t Max() const { return max_; }
  void SetMax(int32_t v) { max_ = v; }

  // An empty text reads as Min; "-" throws EConvertError.
  int32_t Value() const;
  // Writes the decimal text; the change check then runs on it.
  void SetValue(int32_t v);

  const QString& LastText() const { return last_text_; }

 signals:
  // Fired for every text the control accepts (the edit's OnChange).
  void changed();

 protected:
  // Runs on every change of the text.
  virtual void Change();

 private:
  void Reject(const std::string& message);

  QString last_text_;
  int32_t min_ = 0;
  int32_t max_ = 0;
};

// The decimal text of a signed 32-bit number: an optional "-" and digits,
// nothing else; nullopt when the text is not one.
std::optional<int32_t> StrToInt32(const QString& text);

}  // namespace controls
