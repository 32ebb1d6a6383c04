// The standard boxes and the open dialogs of Windows as the platform's
// services: MessageBoxW, a task dialog for a box with one extra button,
// the open and save dialogs for files and the shell's folder chooser.
#pragma once

#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "platform/SaveDialog.h"

namespace win {

class Win32MessageBoxes : public platform::MessageBoxService {
 public:
  int Show(const std::string& text, const std::string& title, int flags) override;
  // Where the system has no task dialog (common controls before version 6)
  // the standard box is shown without the extra button.
  int ShowWithButton(const std::string& text, const std::string& title, int flags,
                     const std::string& extra) override;
};

class Win32OpenDialogs : public platform::OpenDialogService {
 public:
  bool Execute(platform::OpenDialogRequest& request) override;
};

// The save dialog of the text editor.
class Win32SaveDialogs : public platform::SaveDialogService {
 public:
  bool Execute(platform::SaveDialogRequest& request) override;
};

// The folder chooser's title when the request names none.
inline constexpr char kPickFolderTitle[] = "Wybierz katalog";

}  // namespace win
