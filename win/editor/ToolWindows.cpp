#include "win/editor/ToolWindows.h"

namespace win {

void ShowToolsMenu(HWND owner, HWND button, const std::function<engine::RequestEntries()>& entries,
                   platform::Env* env) {
  (void)owner;
  (void)button;
  (void)entries;
  (void)env;
}

void OfferRecovery(HWND owner, const std::string& folder, platform::Env* env) {
  (void)owner;
  (void)folder;
  (void)env;
}

}  // namespace win
