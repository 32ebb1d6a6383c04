// The user dialog over the platform's message box service.
#include "engine/UserDialog.h"

#include "platform/MessageBox.h"

namespace engine {

int MessageBoxDialog::Ask(const std::string& text, const std::string& title, int flags) {
  return platform::ShowMessage(text, title, flags);
}

void MessageBoxDialog::Inform(const std::string& text, const std::string& title, int flags) {
  platform::ShowMessage(text, title, flags);
}

}  // namespace engine
