// The standard message box service shown with Qt's message box.
#pragma once

#include <memory>
#include <string>

#include "platform/MessageBox.h"

class QMessageBox;
class QWidget;

namespace controls {

// Builds the box for a text, a title and a flag word (16 error, 36 yes/no
// question, 64 information), without showing it.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& title,
                                            int flags, QWidget* parent);
// Turns the Qt button pressed into the box's button code (1 OK, 6 Yes...).
int MessageBoxResult(int qt_button);

class QtMessageBoxes : public platform::MessageBoxService {
 public:
  // Shows the box modally over the active window.
  int Show(const std::string& text, const std::string& title, int flags) override;
};

}  // namespace controls
