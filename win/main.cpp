// The program's entry on Windows: the native services in place of the
// scripted ones, then the main window until it is closed.
#include <windows.h>

#include <objbase.h>

#include "platform/Env.h"
#include "ui/EngineServices.h"
#include "win/Dialogs.h"
#include "win/MainWindow.h"
#include "win/ProgressWindow.h"
#include "win/editor/EditorWindow.h"
#include "win/editor/ToolWindows.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  using namespace win;
  // The folder chooser is a shell object of this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  Win32MessageBoxes boxes;
  Win32OpenDialogs dialogs;
  Win32SaveDialogs save_dialogs;
  platform::SetMessageBoxes(&boxes);
  platform::SetOpenDialogs(&dialogs);
  platform::SetSaveDialogs(&save_dialogs);
  platform::Env* env = platform::Env::Default();
  ProgressWindow progress;
  HWND main_window = nullptr;

  ui::ToolkitParts parts;
  parts.lock_wait_window = [] { return std::make_unique<LockWaitWindow>(); };
  ToolsHooks tools;
  // The list of rows opens in the program's own text editor beside the
  // main window.
  parts.open_text = [&main_window](const std::string& path) {
    OpenTextEditor(main_window, path, true);
  };
  tools.menu = [env](HWND owner, HWND button,
                     const std::function<engine::RequestEntries()>& entries) {
    ShowToolsMenu(owner, button, entries, env);
  };
  tools.offer_recovery = [env](HWND owner, const std::string& folder) {
    OfferRecovery(owner, folder, env);
  };
  tools.may_close = [](HWND owner) { return CloseTextEditors(owner); };

  int rc = 1;
  Guarded([&] {
    MainWindow window(ui::EngineServices(env, &progress, std::move(parts)), env, std::move(tools));
    main_window = window.Create();
    progress.SetOwner(main_window);
    window.QuitOnClose();
    ShowWindow(main_window, show);
    UpdateWindow(main_window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsEditorDialogMessage(&msg) || IsToolDialogMessage(&msg) || window.DialogMessage(&msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    rc = static_cast<int>(msg.wParam);
  });
  platform::SetSaveDialogs(nullptr);
  platform::SetOpenDialogs(nullptr);
  platform::SetMessageBoxes(nullptr);
  if (SUCCEEDED(com)) CoUninitialize();
  return rc;
}
