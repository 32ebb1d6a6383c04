// The main window: its components as laid out in design units, the panel
// switch, the two automatic fills and the start action.
#include "win/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/Interrupt.h"
#include "platform/Path.h"
#include "ui/MainTexts.h"
#include "ui/Tools.h"

namespace win {

namespace {

constexpr wchar_t kMainClass[] = L"PodzialMainWindow";
constexpr wchar_t kPanelClass[] = L"PodzialPanel";
constexpr char kCaption[] = "Podział plików z danymi opisowymi";

constexpr int kOpenOptions = platform::kOfnHideReadOnly | platform::kOfnPathMustExist |
                             platform::kOfnFileMustExist | platform::kOfnEnableSizing;
constexpr int kDirOptions = platform::kOfnHideReadOnly | platform::kOfnNoValidate |
                            platform::kOfnPathMustExist | platform::kOfnEnableSizing;

// A panel draws its raised edge and hands its controls' notifications to
// the main window, which owns every decision.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

void RegisterClasses(WNDPROC main_proc) {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                            ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                            ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpfnWndProc = main_proc;
  wc.lpszClassName = kMainClass;
  // The program's icon, where its resources have one.
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  RegisterClassExW(&wc);
  wc.lpfnWndProc = PanelProc;
  wc.lpszClassName = kPanelClass;
  wc.hIcon = nullptr;
  RegisterClassExW(&wc);
  done = true;
}

HWND MakePanel(HWND parent, int id, int left, int top, int width, int height, int dpi,
               bool visible) {
  // Tab and the arrows go into a panel's controls where it stands.
  HWND p = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                           WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0), Du(left, dpi),
                           Du(top, dpi), Du(width, dpi), Du(height, dpi), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (!p) throw std::runtime_error("Nie można utworzyć okna.");
  return p;
}

HWND MakeCheck(HWND parent, int id, int left, int top, int width, int height, const char* text,
               int dpi, HFONT font) {
  HWND c = MakeControl(parent, L"BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, id, left,
                       top, width, height, dpi, font);
  SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
  return c;
}

HWND MakeEdit(HWND parent, int id, int left, int top, int width, int height, int dpi, HFONT font) {
  return MakeControl(parent, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, id, left, top,
                     width, height, dpi, font, WS_EX_CLIENTEDGE);
}

// The size boxes as the layout loads them: the text first, while there is
// no range yet, then Max, then Value.
void MakeSizeBox(IntEdit& box, HWND parent, int id, int left, int top, int dpi, HFONT font) {
  box.Create(parent, id, left, top, 41, 24, dpi, font);
  SetText(box.edit(), "650");
  box.SetMax(2047);
  box.SetValue(650);
}

bool Checked(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The field names are the table's own bytes in the databases' Windows code
// page; the edit holds them as Unicode.
std::wstring FromCp1250(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(1250, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(1250, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

std::string ToCp1250(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(1250, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(1250, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// The standard glyphs of the two buttons: a green check mark and a red
// cross, drawn for the window's DPI.
HICON MakeGlyph(int dpi, bool check) {
  const int size = Du(20, dpi);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP color = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, color);
  RECT all{0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HPEN pen = CreatePen(PS_SOLID, std::max(2, size / 7), check ? RGB(0, 128, 0) : RGB(192, 0, 0));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  const auto at = [size](int v) { return v * size / 20; };
  if (check) {
    MoveToEx(dc, at(3), at(10), nullptr);
    LineTo(dc, at(8), at(15));
    LineTo(dc, at(17), at(4));
  } else {
    MoveToEx(dc, at(4), at(4), nullptr);
    LineTo(dc, at(16), at(16));
    MoveToEx(dc, at(16), at(4), nullptr);
    LineTo(dc, at(4), at(16));
  }
  SelectObject(dc, old_pen);
  DeleteObject(pen);
  // The mask: opaque where something was drawn.
  SelectObject(dc, mask);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HDC color_dc = CreateCompatibleDC(dc);
  HGDIOBJ old_color = SelectObject(color_dc, color);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (GetPixel(color_dc, x, y) != RGB(0, 0, 0)) SetPixel(dc, x, y, RGB(0, 0, 0));
  SelectObject(color_dc, old_color);
  DeleteDC(color_dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

}  // namespace

MainWindow::MainWindow(ui::MainServices services, platform::Env* env, ToolsHooks tools)
    : model_(std::move(services), env), env_(env), tools_(std::move(tools)) {
  RegisterClasses(Proc);
}

MainWindow::~MainWindow() {
  if (hwnd_) {
    const std::vector<HFONT> fonts = OwnedFonts(hwnd_);
    DestroyWindow(hwnd_);
    for (HFONT f : fonts) DeleteObject(f);
  }
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(small_font_)})
    if (o) DeleteObject(o);
  if (ok_icon_) DestroyIcon(ok_icon_);
  if (cancel_icon_) DestroyIcon(cancel_icon_);
}

HWND MainWindow::Create() {
  // Fixed frame: no resizing, no minimise or maximise box.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  hwnd_ =
      CreateWindowExW(ex, kMainClass, Wide(kCaption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("Nie można utworzyć okna programu.");
  dpi_ = WindowDpi(hwnd_);
  RECT r{0, 0, Du(372, dpi_), Du(290, dpi_)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
               work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  font_ = DialogFont(dpi_);
  small_font_ = DialogFont(dpi_, 11);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  CreateComponents();
  FormCreate();
  return hwnd_;
}

// The controls are made in their tab order, parent by parent: the window
// walks its children in that order, descending into the visible panel
// where it stands.
void MainWindow::CreateComponents() {
  const int dpi = dpi_;
  HFONT f = font_;
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                             0, 0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Du(300, dpi));

  // The list's height includes its drop-down part.
  DivType =
      MakeControl(hwnd_, L"COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                  kIdDivType, 5, 10, 196, 24 + 120, dpi, f);
  for (const std::string& caption : ui::DivTypeCaptions())
    SendMessageW(DivType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(caption).c_str()));

  UserPanel = MakePanel(hwnd_, kIdUserPanel, 5, 40, 361, 196, dpi, true);
  DataFN = MakeEdit(UserPanel, kIdDataFN, 10, 30, 246, 24, dpi, f);
  OpenEditButton1.Create(UserPanel, kIdPicker1, DataFN, 265, 30, 86, 25, dpi, f, false);
  OpenEditButton1.dialog().filter = "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*";
  OpenEditButton1.dialog().options = kOpenOptions;
  TableFN = MakeEdit(UserPanel, kIdTableFN, 10, 80, 246, 24, dpi, f);
  OpenEditButton2.Create(UserPanel, kIdPicker2, TableFN, 265, 80, 86, 25, dpi, f, false);
  OpenEditButton2.dialog().filter = "Tabele (*.dbf)|*.dbf|Wszystkie (*.*)|*.*";
  OpenEditButton2.dialog().options = kOpenOptions;
  FieldName = MakeControl(UserPanel, L"COMBOBOX", "",
                          WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                          kIdFieldName, 10, 130, 116, 24 + 120, dpi, f);
  MakeSizeBox(Size, UserPanel, kIdSize, 220, 155, dpi, f);
  AddTooltip(Size.edit(), ui::kHintSize);
  CheckID = MakeCheck(UserPanel, kIdCheckID, 140, 110, 191, 17, "Sprawdzaj ID", dpi, f);
  AddTooltip(CheckID, ui::kHintCheckID);
  OldToTemp = MakeCheck(UserPanel, kIdOldToTemp, 140, 130, 166, 17, "Stare dane zachowaj", dpi, f);
  MakeLabel(UserPanel, "Plik z danymi opisowymi:", 10, 10, dpi, f);
  MakeLabel(UserPanel, "Tabela:", 10, 60, dpi, f);
  MakeLabel(UserPanel, "Nazwa pola:", 15, 110, dpi, f);
  MakeLabel(UserPanel, "Max. rozmiar pliku z danymi opis.:", 10, 165, dpi, f, 218);
  MakeLabel(UserPanel, "MB", 270, 165, dpi, f);
  // In the panel's free strip under the size box.
  SizeNote = MakeControl(UserPanel, L"STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP, kIdSizeNote, 10,
                         181, 345, 14, dpi, small_font_);

  BitBtn1 = MakeControl(hwnd_, L"BUTTON", kStartCaption, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        kIdStart, 10, 250, 86, 31, dpi, f);
  BitBtn2 = MakeControl(hwnd_, L"BUTTON", "Wyjdź", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kIdExit,
                        285, 250, 75, 31, dpi, f);
  ok_icon_ = MakeGlyph(dpi, true);
  cancel_icon_ = MakeGlyph(dpi, false);
  SendMessageW(BitBtn1, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(ok_icon_));
  SendMessageW(BitBtn2, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(cancel_icon_));

  TolmowyPanel = MakePanel(hwnd_, kIdTolmowyPanel, 5, 40, 361, 121, dpi, false);
  TolmDir = MakeEdit(TolmowyPanel, kIdTolmDir, 10, 25, 246, 24, dpi, f);
  OpenEditButton3.Create(TolmowyPanel, kIdPicker3, TolmDir, 265, 25, 86, 25, dpi, f, true);
  OpenEditButton3.dialog().options = kDirOptions;
  OpenEditButton3.dialog().file_name = "*.*";
  TolmTmp = MakeCheck(TolmowyPanel, kIdTolmTmp, 10, 95, 166, 17, "Stare dane zachowaj", dpi, f);
  MakeSizeBox(TolmSize, TolmowyPanel, kIdTolmSize, 220, 60, dpi, f);
  AddTooltip(TolmSize.edit(), ui::kHintSize);
  MakeLabel(TolmowyPanel, "Katalog z bazą:", 10, 5, dpi, f);
  MakeLabel(TolmowyPanel, "Max. rozmiar plików z danymi opis.:", 10, 70, dpi, f, 218);
  MakeLabel(TolmowyPanel, "MB", 270, 70, dpi, f);

  // The tools' button stands in the free space between the start button
  // and "Wyjdź" and comes last in the tab order, so every other place
  // stays.
  if (tools_.menu) {
    ToolsButton =
        MakeControl(hwnd_, L"BUTTON", ui::kToolsCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                    kIdTools, 147, 250, 86, 31, dpi, f);
  }
}

void MainWindow::AddTooltip(HWND control, const char* text) {
  const std::wstring w = Wide(text);
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = const_cast<wchar_t*>(w.c_str());
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

bool MainWindow::DialogMessage(MSG* msg) {
  return hwnd_ && IsDialogMessageW(hwnd_, msg);
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case DM_GETDEFID:
      // Enter on a control that does not use it itself starts the division.
      return MAKELRESULT(kIdStart, DC_HASDEFID);
    case WM_COMMAND:
      Command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_QUERYENDSESSION:
      // A division is not cut off by the end of the session: the files
      // would be left to the next start's recovery.
      return running_ ? FALSE : TRUE;
    case WM_CLOSE:
      // Closed during a run: the run stops at its next row (never inside
      // the exchange of files), says so, and the window closes after it.
      if (running_) {
        platform::RequestInterrupt();
        close_after_run_ = true;
        return 0;
      }
      if (tools_.may_close && !tools_.may_close(hwnd_)) return 0;
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (quit_on_close_) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

void MainWindow::Command(int id, int code, HWND control) {
  switch (id) {
    case kIdDivType:
      if (code == CBN_SELCHANGE) Guarded([this] { DivTypeChange(); });
      break;
    case kIdPicker1:
      if (code == BN_CLICKED && OpenEditButton1.Clicked())
        Guarded([this] { OpenEditButton1Change(); });
      break;
    case kIdPicker2:
      if (code == BN_CLICKED && OpenEditButton2.Clicked()) {
        Guarded([this] { OpenEditButton2Change(); });
        // A table chosen where an interrupted run left its working folder
        // brings the offer to repair it.
        if (tools_.offer_recovery)
          Guarded(
              [this] { tools_.offer_recovery(hwnd_, platform::ExtractFileDir(Text(TableFN))); });
      }
      break;
    case kIdPicker3:
      if (code == BN_CLICKED && OpenEditButton3.Clicked() && tools_.offer_recovery)
        Guarded([this] { tools_.offer_recovery(hwnd_, Text(TolmDir)); });
      break;
    case kIdSize:
      if (code == EN_CHANGE) Guarded([this] { Size.Changed(); });
      break;
    case kIdTolmSize:
      if (code == EN_CHANGE) Guarded([this] { TolmSize.Changed(); });
      break;
    case kIdStart:
      if (code != BN_CLICKED && control) break;
      Guarded([this] { BitBtn1Click(); });
      if (close_after_run_) {
        close_after_run_ = false;
        if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      }
      break;
    case kIdExit:
      if (code != BN_CLICKED && control) break;
      Guarded([this] { BitBtn2Click(); });
      break;
    case kIdTools:
      if (code == BN_CLICKED && tools_.menu)
        Guarded([this] { tools_.menu(hwnd_, ToolsButton, [this] { return Entries(); }); });
      break;
    default:
      break;
  }
}

void MainWindow::FormCreate() {
  // Selecting the row in code fires no change: the panels already match.
  SendMessageW(DivType, CB_SETCURSEL, 0, 0);
  model_.DivTypeChanged(0);
  current_panel_ = UserPanel;
}

void MainWindow::BitBtn2Click() {
  PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::DivTypeChange() {
  model_.DivTypeChanged(static_cast<int>(SendMessageW(DivType, CB_GETCURSEL, 0, 0)));
  if (current_panel_) ShowWindow(current_panel_, SW_HIDE);
  current_panel_ = model_.CurrentPanel() == ui::MainModel::Panel::kUser ? UserPanel : TolmowyPanel;
  ShowWindow(current_panel_, SW_SHOW);
}

void MainWindow::OpenEditButton1Change() {
  const std::optional<int32_t> size = model_.DataFileChosen(Text(DataFN));
  if (!size) return;
  SetText(SizeNote, model_.SizeNote());
  // The size box checks the value itself: above 2047 it says so and keeps
  // its last text.
  Size.SetValue(*size);
}

void MainWindow::OpenEditButton2Change() {
  if (!model_.TableChosen(Text(TableFN))) return;
  // The typed field name stays, so the user never starts with a field he
  // did not pick.
  std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(FieldName)) + 1, L'\0');
  typed.resize(
      static_cast<size_t>(GetWindowTextW(FieldName, typed.data(), static_cast<int>(typed.size()))));
  SendMessageW(FieldName, CB_RESETCONTENT, 0, 0);
  for (const std::string& n : model_.FieldNames())
    SendMessageW(FieldName, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromCp1250(n).c_str()));
  SetWindowTextW(FieldName, typed.c_str());
}

engine::RequestEntries MainWindow::Entries() const {
  engine::RequestEntries e;
  e.DivType = static_cast<int>(SendMessageW(DivType, CB_GETCURSEL, 0, 0));
  e.DataFN = Text(DataFN);
  e.TableFN = Text(TableFN);
  e.FieldName = ToCp1250(Wide(Text(FieldName)));
  e.CheckID = Checked(CheckID);
  e.OldToTemp = Checked(OldToTemp);
  e.TolmDir = Text(TolmDir);
  e.TolmTmp = Checked(TolmTmp);
  // The size is read after the texts: an empty required text is reported
  // before a size box that holds only "-".
  if (e.DivType == engine::kDivUser) {
    if (!e.DataFN.empty() && !e.TableFN.empty() && !e.FieldName.empty()) e.Size = Size.Value();
  } else if (!e.TolmDir.empty()) {
    e.TolmSize = TolmSize.Value();
  }
  return e;
}

void MainWindow::BitBtn1Click() {
  platform::ClearInterrupt();
  running_ = true;
  struct Ended {
    bool& running;
    // A cancel asked for this run must not reach the next dry run.
    ~Ended() {
      running = false;
      platform::ClearInterrupt();
    }
  } ended{running_};
  model_.Start(Entries());
}

}  // namespace win
