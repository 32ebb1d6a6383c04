// Message boxes and open dialogs through the Windows API.
#include "win/Dialogs.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <commdlg.h>
#include <shobjidl.h>

#include <vector>

#include "win/Widgets.h"

namespace win {

namespace {

// The box belongs to the window the user works in, so it stays on top of it.
HWND Owner() {
  HWND active = GetActiveWindow();
  return active;
}

}  // namespace

int Win32MessageBoxes::Show(const std::string& text, const std::string& title, int flags) {
  return MessageBoxW(Owner(), Wide(text).c_str(), Wide(title).c_str(),
                     static_cast<UINT>(flags) | MB_TASKMODAL);
}

int Win32MessageBoxes::ShowWithButton(const std::string& text, const std::string& title, int flags,
                                      const std::string& extra) {
  // Only version 6 of the common controls has it; looked up rather than
  // imported so the program starts on any.
  using TaskDialogFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  HMODULE comctl = GetModuleHandleW(L"comctl32");
  const auto task_dialog = comctl ? reinterpret_cast<TaskDialogFn>(reinterpret_cast<void*>(
                                        GetProcAddress(comctl, "TaskDialogIndirect")))
                                  : nullptr;
  if (!task_dialog) return Show(text, title, flags);

  const std::wstring w_text = Wide(text), w_title = Wide(title), w_extra = Wide(extra);
  TASKDIALOG_BUTTON button{platform::kIdExtra, w_extra.c_str()};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = Owner();
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = w_title.c_str();
  config.pszContent = w_text.c_str();
  config.dwCommonButtons =
      (flags & 0xF) == platform::kMbYesNo ? TDCBF_YES_BUTTON | TDCBF_NO_BUTTON : TDCBF_OK_BUTTON;
  switch (flags & 0xF0) {
    case platform::kMbIconError:
      config.pszMainIcon = TD_ERROR_ICON;
      break;
    case platform::kMbIconWarning:
      config.pszMainIcon = TD_WARNING_ICON;
      break;
    case platform::kMbIconInformation:
      config.pszMainIcon = TD_INFORMATION_ICON;
      break;
    default:
      break;
  }
  config.cButtons = 1;
  config.pButtons = &button;
  int pressed = 0;
  if (FAILED(task_dialog(&config, &pressed, nullptr, nullptr))) return Show(text, title, flags);
  // Closing a Yes/No box by Esc is its No.
  if (pressed == IDCANCEL && (flags & 0xF) == platform::kMbYesNo) return platform::kIdNo;
  return pressed;
}

namespace {

// "Opis|*.a;*.b|..." as the dialog takes it: NUL-separated, two NULs at the
// end.
std::wstring FilterList(const std::string& filter) {
  std::wstring w = Wide(filter);
  for (wchar_t& c : w)
    if (c == L'|') c = L'\0';
  w.push_back(L'\0');
  w.push_back(L'\0');
  return w;
}

std::wstring WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return Wide(path);
}

bool PickFolder(platform::OpenDialogRequest& request) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool chosen = false;
  IFileOpenDialog* dialog = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&dialog)))) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(Wide(request.title.empty() ? kPickFolderTitle : request.title).c_str());
    if (!request.initial_dir.empty()) {
      IShellItem* folder = nullptr;
      if (SUCCEEDED(SHCreateItemFromParsingName(WindowsPath(request.initial_dir).c_str(), nullptr,
                                                IID_PPV_ARGS(&folder)))) {
        dialog->SetFolder(folder);
        folder->Release();
      }
    }
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(Owner())) && SUCCEEDED(dialog->GetResult(&item))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        request.file_name = Utf8(path);
        CoTaskMemFree(path);
        chosen = true;
      }
      item->Release();
    }
    dialog->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return chosen;
}

}  // namespace

namespace {

// The classic file dialog both services run; `save` picks which.
template <class Request>
bool RunFileDialog(Request& request, bool save, const std::string& default_ext) {
  std::vector<wchar_t> name(32768, L'\0');
  std::wstring proposed = WindowsPath(request.file_name);
  // A bare wildcard only asks for a folder; it is not a name to propose.
  if (proposed.find_first_of(L"*?") != std::wstring::npos) proposed.clear();
  if (proposed.size() < name.size()) std::copy(proposed.begin(), proposed.end(), name.begin());
  const std::wstring filter = FilterList(request.filter);
  const std::wstring initial_dir = WindowsPath(request.initial_dir);
  const std::wstring title = Wide(request.title);
  const std::wstring ext = Wide(default_ext);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = Owner();
  ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = initial_dir.empty() ? nullptr : initial_dir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  // The option bits are the dialog's own.
  ofn.Flags = static_cast<DWORD>(request.options) | OFN_EXPLORER;
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
  request.file_name = Utf8(name.data());
  return true;
}

}  // namespace

bool Win32OpenDialogs::Execute(platform::OpenDialogRequest& request) {
  if (request.pick_folder) return PickFolder(request);
  return RunFileDialog(request, false, "");
}

bool Win32SaveDialogs::Execute(platform::SaveDialogRequest& request) {
  return RunFileDialog(request, true, request.default_ext);
}

}  // namespace win
