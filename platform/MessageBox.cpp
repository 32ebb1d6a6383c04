// The installed message box service.
#include "platform/MessageBox.h"

namespace platform {
namespace {
MessageBoxService* g_service = nullptr;
}

MessageBoxService* MessageBoxes() {
  return g_service;
}

MessageBoxService* SetMessageBoxes(MessageBoxService* service) {
  MessageBoxService* previous = g_service;
  g_service = service;
  return previous;
}

int ShowMessage(const std::string& text, const std::string& title, int flags) {
  if (g_service) return g_service->Show(text, title, flags);
  return (flags & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

int ShowMessage(const std::string& text, const std::string& title, int flags,
                const std::string& extra) {
  if (g_service) return g_service->ShowWithButton(text, title, flags, extra);
  return (flags & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

}  // namespace platform
