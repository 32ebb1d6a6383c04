// TMainForm on Windows: the program's main window with native controls.
// What happens is decided by ui::MainModel, as in the Qt window; this
// window copies its controls into the model's events and draws what they
// return.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/DivisionRequest.h"
#include "platform/Env.h"
#include "ui/MainModel.h"
#include "win/Widgets.h"

namespace win {

// Control ids; the start and exit buttons answer Enter and Esc as the
// standard OK and Cancel.
enum ControlId : int {
  kIdStart = IDOK,
  kIdExit = IDCANCEL,
  kIdDivType = 101,
  kIdUserPanel,
  kIdDataFN,
  kIdPicker1,
  kIdTableFN,
  kIdPicker2,
  kIdFieldName,
  kIdSize,
  kIdCheckID,
  kIdOldToTemp,
  kIdSizeNote,
  kIdTolmowyPanel,
  kIdTolmDir,
  kIdPicker3,
  kIdTolmTmp,
  kIdTolmSize,
  kIdTools,
};

// Caption of the start button.
inline constexpr char kStartCaption[] = "Podziel";

// What the window offers beyond the division: the tools' menu under its
// button, and the offer to repair an interrupted run where a table or a
// database folder was chosen. Null: the window has no tools' button.
struct ToolsHooks {
  std::function<void(HWND owner, HWND button, const std::function<engine::RequestEntries()>&)> menu;
  std::function<void(HWND owner, const std::string& folder)> offer_recovery;
  // Asked before the window closes: the windows it owns put their own
  // questions (unsaved text); false keeps it open.
  std::function<bool(HWND owner)> may_close;
};

class MainWindow {
 public:
  MainWindow(ui::MainServices services, platform::Env* env = platform::Env::Default(),
             ToolsHooks tools = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Makes the window, hidden, centred on the screen.
  HWND Create();
  HWND hwnd() const { return hwnd_; }
  // Closing the window ends the program's message loop.
  void QuitOnClose() { quit_on_close_ = true; }
  // The dialog keys (Tab, Enter, Esc, arrows) of a message for this window.
  bool DialogMessage(MSG* msg);

  // Event handlers. Called directly they let errors pass to the caller;
  // the controls call them through the standard error display.
  void BitBtn2Click();
  void FormCreate();
  void BitBtn1Click();
  void OpenEditButton1Change();
  void OpenEditButton2Change();
  void DivTypeChange();

  // The entries of a request as the controls hold them now. Reads the size
  // box of the chosen row (a "-" there throws) unless a required text is
  // empty.
  engine::RequestEntries Entries() const;
  HWND CurrentPanel() const { return current_panel_; }

  // Components, named as in the window's layout.
  HWND DivType = nullptr;
  HWND UserPanel = nullptr;
  HWND DataFN = nullptr;
  PathPicker OpenEditButton1;
  HWND TableFN = nullptr;
  PathPicker OpenEditButton2;
  HWND FieldName = nullptr;
  IntEdit Size;
  HWND SizeNote = nullptr;  // why the size probe proposed what it did
  HWND CheckID = nullptr;
  HWND OldToTemp = nullptr;
  HWND BitBtn1 = nullptr;
  HWND BitBtn2 = nullptr;
  HWND TolmowyPanel = nullptr;
  HWND TolmDir = nullptr;
  PathPicker OpenEditButton3;
  HWND TolmTmp = nullptr;
  IntEdit TolmSize;
  HWND ToolsButton = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Command(int id, int code, HWND control);
  void CreateComponents();
  void AddTooltip(HWND control, const char* text);

  ui::MainModel model_;
  platform::Env* env_;
  ToolsHooks tools_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND current_panel_ = nullptr;  // not owned
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT small_font_ = nullptr;
  HICON ok_icon_ = nullptr;
  HICON cancel_icon_ = nullptr;
  bool quit_on_close_ = false;
  // A division is running: closing the window asks it to stop at the next
  // row and closes the window once it has ended.
  bool running_ = false;
  bool close_after_run_ = false;
};

}  // namespace win
