// The Win32 main window over the real engine: the layout and tab order,
// the size box through the real edit and its arrows, a hand-picked
// division, a preset and a cancelled preset on generated databases, the
// boxes it shows, and screenshots of its windows (build-win/screenshots).
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/engine/Databases.h"
#include "ui/EngineServices.h"
#include "win/Dialogs.h"
#include "win/MainWindow.h"
#include "win/ProgressWindow.h"

namespace {

using namespace win;
using engine_test::Snap;
using engine_test::Subdirs;
using platform::ScriptedMessageBoxes;

// The window's picture as a BMP in the build's screenshots folder;
// scripts/test-windows makes PNGs of them.
void Screenshot(HWND window, const std::string& name) {
  // The client area: the frame is the window manager's, and Xvfb has none.
  RECT r{};
  GetClientRect(window, &r);
  const int w = r.right, h = r.bottom;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  // The window's own surface, its children included, drawn first.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HDC window_dc = GetDC(window);
  BitBlt(dc, 0, 0, w, h, window_dc, 0, 0, SRCCOPY);
  ReleaseDC(window, window_dc);
  GdiFlush();
  const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u, size = stride * uint32_t(h);
  BITMAPFILEHEADER fh{0x4D42, uint32_t(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) + size,
                      0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  const std::string dir = PODZIAL_BINARY_DIR "/screenshots";
  std::filesystem::create_directories(dir);
  std::ofstream out(dir + "/" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
  out.write(static_cast<const char*>(bits), size);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : window(ui::EngineServices(platform::Env::Default(), &progress, Parts()),
               platform::Env::Default(), Tools()) {
    hwnd = window.Create();
    progress.SetOwner(hwnd);
    dpi = WindowDpi(hwnd);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    Pump();
  }

  // The tools' menu records what the window would show it for.
  ToolsHooks Tools() {
    ToolsHooks tools;
    tools.menu = [this](HWND, HWND button, const std::function<engine::RequestEntries()>& entries) {
      menus.push_back({button, entries().DataFN});
    };
    return tools;
  }
  ui::ToolkitParts Parts() {
    ui::ToolkitParts parts;
    parts.open_text = [this](const std::string& path) { opened.push_back(path); };
    return parts;
  }
  void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (window.DialogMessage(&m)) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  void Click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }
  void PickRow(int row) {
    SendMessageW(window.DivType, CB_SETCURSEL, row, 0);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kIdDivType, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(window.DivType));
    Pump();
  }
  void Start() { Click(window.BitBtn1); }
  void Generate(const std::string& table, const std::string& data, uint32_t rows,
                double dangling = 0) {
    demodb::TableOptions o;
    o.dir = tmp.dir();
    o.table_name = table;
    o.data_name = data;
    o.rows = rows;
    o.mean_record = 2000;
    o.dangling = dangling;
    o.marker = 0;
    engine_test::Make(o);
  }

  testing_util::TempDir tmp;
  ScriptedMessageBoxes boxes;
  platform::ScriptedOpenDialogs dialogs;
  std::vector<std::string> opened;
  std::vector<std::pair<HWND, std::string>> menus;
  ProgressWindow progress;
  MainWindow window;
  HWND hwnd = nullptr;
  int dpi = 96;
};

// Where a control stands in its parent's client area.
RECT Place(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
  RECT client{};
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, Du(372, dpi));
  EXPECT_EQ(client.bottom, Du(290, dpi));
  struct Row {
    const char* name;
    HWND control;
    HWND parent;
    int left, top, width, height;  // height -1: the list's own
  };
  MainWindow& w = window;
  const Row rows[] = {
      {"DivType", w.DivType, hwnd, 5, 10, 196, -1},
      {"UserPanel", w.UserPanel, hwnd, 5, 40, 361, 196},
      {"BitBtn1", w.BitBtn1, hwnd, 10, 250, 86, 31},
      {"BitBtn2", w.BitBtn2, hwnd, 285, 250, 75, 31},
      {"ToolsButton", w.ToolsButton, hwnd, 147, 250, 86, 31},
      {"TolmowyPanel", w.TolmowyPanel, hwnd, 5, 40, 361, 121},
      {"DataFN", w.DataFN, w.UserPanel, 10, 30, 246, 24},
      {"OpenEditButton1", w.OpenEditButton1.button(), w.UserPanel, 265, 30, 86, 25},
      {"TableFN", w.TableFN, w.UserPanel, 10, 80, 246, 24},
      {"OpenEditButton2", w.OpenEditButton2.button(), w.UserPanel, 265, 80, 86, 25},
      {"FieldName", w.FieldName, w.UserPanel, 10, 130, 116, -1},
      {"CheckID", w.CheckID, w.UserPanel, 140, 110, 191, 17},
      {"OldToTemp", w.OldToTemp, w.UserPanel, 140, 130, 166, 17},
      {"TolmDir", w.TolmDir, w.TolmowyPanel, 10, 25, 246, 24},
      {"OpenEditButton3", w.OpenEditButton3.button(), w.TolmowyPanel, 265, 25, 86, 25},
      {"TolmTmp", w.TolmTmp, w.TolmowyPanel, 10, 95, 166, 17},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(GetParent(row.control), row.parent);
    const RECT r = Place(row.control);
    EXPECT_EQ(r.left, Du(row.left, dpi));
    EXPECT_EQ(r.top, Du(row.top, dpi));
    EXPECT_EQ(r.right - r.left, Du(row.width, dpi));
    if (row.height >= 0) {
      EXPECT_EQ(r.bottom - r.top, Du(row.height, dpi));
    }
  }
  // A size box and its arrows together fill the box's place.
  const struct {
    IntEdit* box;
    HWND parent;
    int left, top;
  } sizes[] = {{&w.Size, w.UserPanel, 220, 155}, {&w.TolmSize, w.TolmowyPanel, 220, 60}};
  for (const auto& s : sizes) {
    ASSERT_EQ(GetParent(s.box->edit()), s.parent);
    RECT edit = Place(s.box->edit()), arrows = Place(s.box->up_down()), both{};
    UnionRect(&both, &edit, &arrows);
    EXPECT_EQ(both.left, Du(s.left, dpi));
    EXPECT_EQ(both.top, Du(s.top, dpi));
    EXPECT_EQ(both.right, Du(s.left + 41, dpi));
    EXPECT_EQ(both.bottom, Du(s.top + 24, dpi));
  }
}

TEST_F(MainWindowTest, StartsAsTheLayoutSaysAndSwitchesPanelsKeepingValues) {
  EXPECT_EQ(Text(window.DivType), "wybrane dane");
  EXPECT_EQ(SendMessageW(window.DivType, CB_GETCOUNT, 0, 0), 4);
  EXPECT_TRUE(IsWindowVisible(window.UserPanel));
  EXPECT_FALSE(IsWindowVisible(window.TolmowyPanel));
  EXPECT_EQ(Text(window.Size.edit()), "650");
  EXPECT_EQ(Text(window.TolmSize.edit()), "650");
  for (HWND c : {window.CheckID, window.OldToTemp, window.TolmTmp})
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Text(window.BitBtn1), kStartCaption);
  EXPECT_EQ(Text(window.BitBtn2), "Wyjdź");
  EXPECT_EQ(Text(window.OpenEditButton1.button()), "Zmień");

  PickRow(2);
  SetText(window.TolmDir, "C:\\bazy");
  SetText(window.TolmSize.edit(), "100");
  SendMessageW(window.TolmTmp, BM_SETCHECK, BST_UNCHECKED, 0);
  PickRow(3);
  EXPECT_EQ(window.CurrentPanel(), window.TolmowyPanel);
  EXPECT_TRUE(IsWindowVisible(window.TolmowyPanel));
  EXPECT_FALSE(IsWindowVisible(window.UserPanel));
  Screenshot(hwnd, "main-presets");
  EXPECT_EQ(Text(window.TolmDir), "C:\\bazy");
  EXPECT_EQ(window.TolmSize.Value(), 100);
  PickRow(0);
  EXPECT_TRUE(IsWindowVisible(window.UserPanel));
  EXPECT_EQ(window.Entries().TolmDir, "C:\\bazy");
  EXPECT_FALSE(window.Entries().TolmTmp);
  EXPECT_TRUE(boxes.shown.empty());
  Screenshot(hwnd, "main-hand-picked");
}

// Tab walks the controls in the layout's order, into the visible panel
// where it stands; Esc closes the window.
TEST_F(MainWindowTest, TabOrderFollowsTheLayoutOnBothPanels) {
  MainWindow& w = window;
  const std::vector<std::pair<int, std::vector<HWND>>> orders = {
      {0,
       {w.DivType, w.DataFN, w.OpenEditButton1.button(), w.TableFN, w.OpenEditButton2.button(),
        w.FieldName, w.Size.edit(), w.CheckID, w.OldToTemp, w.BitBtn1, w.BitBtn2, w.ToolsButton}},
      {1,
       {w.DivType, w.BitBtn1, w.BitBtn2, w.TolmDir, w.OpenEditButton3.button(), w.TolmTmp,
        w.TolmSize.edit(), w.ToolsButton}},
  };
  for (const auto& [row, order] : orders) {
    SCOPED_TRACE(row);
    PickRow(row);
    HWND at = order[0];
    for (size_t i = 1; i <= order.size(); ++i) {
      at = GetNextDlgTabItem(hwnd, at, FALSE);
      EXPECT_EQ(at, order[i % order.size()]) << "step " << i;
    }
  }
  // The tools' button opens the menu under itself for the window's entries.
  PickRow(0);
  SetText(w.DataFN, "C:\\bazy\\opisy.dat");
  Click(w.ToolsButton);
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].first, w.ToolsButton);
  EXPECT_EQ(menus[0].second, "C:\\bazy\\opisy.dat");
  SetFocus(w.DataFN);
  PostMessageW(w.DataFN, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
}

// The size box through the real edit: every text goes through the rule,
// a rejected one is answered and put back; the arrows write numbers the
// rule checks too.
TEST_F(MainWindowTest, SizeBoxChecksEveryTextOfTheRealEdit) {
  HWND edit = window.Size.edit();
  const struct {
    const char* text;
    const char* shown;    // the box's text afterwards
    const char* message;  // the error box, empty: none
  } cases[] = {
      {"700", "700", ""},
      {"2048", "700", "Wartość spoza przedziału 0 - 2047"},
      {"12a", "700", "Niepoprawna wartość"},
      {"99999999999", "700", "Niepoprawna wartość"},
      {"", "", ""},  // still being typed: stands for 0
      {"-5", "0", "Wartość spoza przedziału 0 - 2047"},
      {"-", "-", ""},
      {"2047", "2047", ""},
  };
  size_t boxes_before = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(c.text).c_str()));
    Pump();
    EXPECT_EQ(Text(edit), c.shown);
    if (*c.message) {
      ASSERT_EQ(boxes.shown.size(), boxes_before + 1);
      EXPECT_EQ(boxes.shown.back().text, c.message);
      EXPECT_EQ(boxes.shown.back().flags, platform::kMbIconError);
    } else {
      EXPECT_EQ(boxes.shown.size(), boxes_before);
    }
    boxes_before = boxes.shown.size();
  }
  SetText(edit, "-");
  EXPECT_THROW(window.Size.Value(), std::runtime_error);
  SetText(edit, "");
  EXPECT_EQ(window.Size.Value(), 0);

  SendMessageW(window.Size.up_down(), UDM_SETPOS32, 0, 1000);
  EXPECT_EQ(Text(edit), "1000");
  SendMessageW(edit, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(Text(edit), "1001");
  SendMessageW(window.Size.up_down(), UDM_SETPOS32, 0, 5000);  // the arrows keep to the range
  EXPECT_EQ(Text(edit), "2047");
  EXPECT_EQ(boxes.shown.size(), boxes_before);
}

TEST_F(MainWindowTest, HandPickedDivisionThroughTheWindow) {
  const demodb::TableOptions o = engine_test::SmallTable(tmp.dir());
  const demodb::Generated g = engine_test::Make(o);
  // The two pickers: the size probe and the field list.
  dialogs.Choose(tmp / "opisy.dat");
  Click(window.OpenEditButton1.button());
  EXPECT_EQ(Text(window.DataFN), tmp / "opisy.dat");
  EXPECT_FALSE(dialogs.seen.back().pick_folder);
  EXPECT_EQ(dialogs.seen.back().filter, "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*");
  dialogs.Choose(tmp / "opisy.dbf");
  Click(window.OpenEditButton2.button());
  EXPECT_EQ(Text(window.TableFN), tmp / "opisy.dbf");
  EXPECT_GT(SendMessageW(window.FieldName, CB_GETCOUNT, 0, 0), 1);
  EXPECT_GE(
      SendMessageW(window.FieldName, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"OPISTOP")),
      0);

  // An empty field name: an error box and nothing on disk changes.
  const auto before = Snap(tmp.dir());
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Nie wypełniono wszystkich pól: Nazwa pola");
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconError);
  EXPECT_EQ(Snap(tmp.dir()), before);

  SetText(window.FieldName, "OPISTOP");
  SetText(window.Size.edit(), "1");
  int shown = 0;
  progress.on_shown = [&](HWND w) {
    if (!shown++) Screenshot(w, "progress");
    EXPECT_FALSE(IsWindowEnabled(hwnd));  // no second start meanwhile
  };
  boxes.press_extra = true;
  Start();
  boxes.press_extra = false;
  EXPECT_GT(shown, 0);
  EXPECT_TRUE(IsWindowEnabled(hwnd));
  ASSERT_EQ(boxes.shown.size(), 2u);
  // The table's awkward rows make it a warning whose extra button opens
  // the list of those rows.
  EXPECT_EQ(boxes.shown[1].text.rfind("Operacja została zakończona.", 0), 0u);
  EXPECT_EQ(boxes.shown[1].flags, platform::kMbIconWarning) << boxes.shown[1].text;
  EXPECT_EQ(boxes.shown[1].extra, "Pokaż listę wierszy");
  const auto old = Subdirs(tmp.dir(), "old");
  ASSERT_EQ(old.size(), 1u);
  engine_test::ExpectDivided(tmp.dir(), tmp.dir() + old[0] + "\\", o, g, 1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], tmp.dir() + old[0] + "\\nieskopiowane-opisy.dbf.txt");

  // Without keeping the old data the window asks first; No changes nothing.
  SendMessageW(window.OldToTemp, BM_SETCHECK, BST_UNCHECKED, 0);
  const auto divided = Snap(tmp.dir());
  boxes.Answer(platform::kIdNo);
  Start();
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[2].flags, platform::kMbYesNo | platform::kMbIconQuestion);
  EXPECT_EQ(Snap(tmp.dir()), divided);
}

TEST_F(MainWindowTest, PresetRunsOverTheChosenFolder) {
  for (auto [t, d] : {std::pair{"opisy.dbf", "opisy.dat"}, std::pair{"opisyv.dbf", "opisyv.dat"},
                      std::pair{"dokopisy.dbf", "dokopisy.dat"}})
    Generate(t, d, 40, /*dangling=*/0.1);
  PickRow(1);
  std::string folder = tmp.dir();
  folder.pop_back();
  dialogs.Choose(folder);
  Click(window.OpenEditButton3.button());
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_TRUE(dialogs.seen[0].pick_folder);
  EXPECT_EQ(Text(window.TolmDir), folder);
  const auto before = Snap(tmp.dir());
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  // Rows whose reference could not be copied make it a warning.
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconWarning) << boxes.shown[0].text;
  const auto old = Subdirs(tmp.dir(), "old");
  ASSERT_EQ(old.size(), 1u);
  const auto kept = Snap(tmp.dir() + old[0]);
  for (const auto& [name, bytes] : before) EXPECT_EQ(kept.at(name), bytes) << name;
}

// "Anuluj" in the second job of a preset stops it: the first job stays
// divided, the second's and the third's files are as they were.
TEST_F(MainWindowTest, AnulujStopsAPresetAfterItsFirstJob) {
  for (auto [t, d] : {std::pair{"opisy.dbf", "opisy.dat"}, std::pair{"opisyv.dbf", "opisyv.dat"},
                      std::pair{"dokopisy.dbf", "dokopisy.dat"}})
    Generate(t, d, 200);
  PickRow(1);
  SetText(window.TolmDir, tmp.dir());
  const auto before = Snap(tmp.dir());
  std::vector<std::string> jobs;
  progress.on_drawn = [&](HWND w) {
    const std::string job = Text(GetDlgItem(w, kIdJobLine));
    if (jobs.empty() || jobs.back() != job) jobs.push_back(job);
    HWND cancel = GetDlgItem(w, IDCANCEL);
    if (job.rfind("Tabela 2 z 3", 0) == 0 && IsWindowEnabled(cancel))
      SendMessageW(cancel, BM_CLICK, 0, 0);
  };
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind("Podział został przerwany na żądanie użytkownika", 0), 0u)
      << boxes.shown[0].text;
  EXPECT_EQ(jobs,
            (std::vector<std::string>{"Tabela 1 z 3: opisy.dbf", "Tabela 2 z 3: opisyv.dbf"}));
  const auto after = Snap(tmp.dir());
  for (const char* f : {"opisyv.dbf", "opisyv.dat", "dokopisy.dbf", "dokopisy.dat"})
    EXPECT_EQ(after.at(f), before.at(f)) << f;
  EXPECT_NE(after.at("opisy.dbf"), before.at("opisy.dbf"));
  EXPECT_TRUE(Subdirs(tmp.dir(), "tmp").empty());
  EXPECT_TRUE(IsWindowEnabled(hwnd));
}

// The real boxes: a watcher presses a button of the box it finds by its
// title, after taking its picture.
class BoxPresser {
 public:
  BoxPresser(const wchar_t* title, int button, const char* screenshot)
      : thread_([=, this] {
          for (int i = 0; i < 500 && !done_; ++i) {
            HWND box = FindWindowW(L"#32770", title);
            if (box && IsWindowVisible(box)) {
              Sleep(200);  // drawn
              if (screenshot) Screenshot(box, screenshot);
              PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
              found = true;
              return;
            }
            Sleep(20);
          }
        }) {}
  ~BoxPresser() {
    done_ = true;
    thread_.join();
  }
  std::atomic<bool> found{false};

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(Win32MessageBoxesTest, ShowsTheStandardBoxAndTheExtraButton) {
  Win32MessageBoxes boxes;
  {
    BoxPresser presser(L"Pytanie testowe", IDNO, "message-box");
    EXPECT_EQ(boxes.Show("Czy usunąć poprzednie dane?", "Pytanie testowe",
                         platform::kMbYesNo | platform::kMbIconQuestion),
              platform::kIdNo);
  }
  {
    BoxPresser presser(L"Ostrzeżenie testowe", platform::kIdExtra, "message-box-extra");
    EXPECT_EQ(boxes.ShowWithButton("Nie skopiowano odwołań: 3", "Ostrzeżenie testowe",
                                   platform::kMbIconWarning, "Pokaż listę wierszy"),
              platform::kIdExtra);
  }
}

}  // namespace
