// Message boxes with an extra button through Qt.
#include "app/AppMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace app {

std::unique_ptr<QMessageBox> MakeMessageBoxWithButton(const std::string& text,
                                                      const std::string& title, int flags,
                                                      const std::string& extra, QWidget* parent,
                                                      QAbstractButton** button) {
  auto box = controls::MakeMessageBox(text, title, flags, parent);
  *button = box->addButton(QString::fromStdString(extra), QMessageBox::ActionRole);
  return box;
}

int AppMessageBoxes::ShowWithButton(const std::string& text, const std::string& title, int flags,
                                    const std::string& extra) {
  QAbstractButton* extra_button = nullptr;
  auto box = MakeMessageBoxWithButton(text, title, flags, extra, QApplication::activeWindow(),
                                      &extra_button);
  const int result = box->exec();
  if (box->clickedButton() == extra_button) return platform::kIdExtra;
  return controls::MessageBoxResult(result);
}

}  // namespace app
