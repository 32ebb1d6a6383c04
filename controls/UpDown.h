// UpDown: a pair of up and down arrows that steps an integer position
// within a range and shows it in an associated edit, as the font size box
// of the text editor needs. No wrap-around: at a limit a click leaves the
// position where it is.
#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace controls {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  explicit UpDown(QWidget* owner = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // The range; the position is brought into it.
  void SetRange(int min, int max);
  void SetIncrement(int v) { increment_ = v > 0 ? v : 1; }
  void SetPosition(int v);
  // The edit that shows the position (not owned), may be none. Its up and
  // down arrow keys step the position like the arrows.
  void SetAssociate(QLineEdit* edit);

  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 public slots:
  void StepUp() { Step(true); }
  void StepDown() { Step(false); }

 signals:
  // After every click of an arrow, also one that stayed at a limit.
  void Click(bool up);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Step(bool up);
  void ShowPosition();

  QToolButton* up_;
  QToolButton* down_;
  QPointer<QLineEdit> associate_;
  // The same edit as a plain object: the event filter still sees it while
  // it is being destroyed, when it is no longer a QLineEdit to cast to.
  QPointer<QObject> watched_;
  int min_ = 0, max_ = 100, increment_ = 1, position_ = 0;
};

}  // namespace controls
