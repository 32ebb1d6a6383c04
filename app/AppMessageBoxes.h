// The program's message boxes: Qt's standard ones, and a box with one more
// button (a warning's "Pokaż listę wierszy").
#pragma once

#include <memory>
#include <string>

#include "controls/QtMessageBoxes.h"

class QAbstractButton;

namespace app {

// The standard box for text, title and flags with an extra button captioned
// `extra` (returned in `button`), not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBoxWithButton(const std::string& text,
                                                      const std::string& title, int flags,
                                                      const std::string& extra, QWidget* parent,
                                                      QAbstractButton** button);

class AppMessageBoxes : public controls::QtMessageBoxes {
 public:
  int ShowWithButton(const std::string& text, const std::string& title, int flags,
                     const std::string& extra) override;
};

}  // namespace app
