// Message boxes through Qt.
#include "controls/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& title,
                                            int flags, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setText(QString::fromStdString(text));
  box->setWindowTitle(QString::fromStdString(title));
  switch (flags & 0xF0) {
    case platform::kMbIconError:
      box->setIcon(QMessageBox::Critical);
      break;
    case platform::kMbIconQuestion:
      box->setIcon(QMessageBox::Question);
      break;
    case platform::kMbIconInformation:
      box->setIcon(QMessageBox::Information);
      break;
    default:
      box->setIcon(QMessageBox::NoIcon);
  }
  if ((flags & 0xF) == platform::kMbYesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  return box;
}

int MessageBoxResult(int qt_button) {
  switch (qt_button) {
    case QMessageBox::Yes:
      return platform::kIdYes;
    case QMessageBox::No:
      return platform::kIdNo;
    case QMessageBox::Ok:
      return platform::kIdOk;
    default:
      return platform::kIdCancel;
  }
}

int QtMessageBoxes::Show(const std::string& text, const std::string& title, int flags) {
  auto box = MakeMessageBox(text, title, flags, QApplication::activeWindow());
  return MessageBoxResult(box->exec());
}
