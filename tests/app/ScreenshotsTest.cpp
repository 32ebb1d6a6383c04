// Renders the windows to PNG files under the build folder so anyone can look
// at them: the main window with each panel, a message box and the progress
// window in the middle of a run. Each picture is checked to hold a drawn
// window of the expected size, not a blank.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>

#include "app/Main.h"
#include "app/ProgressWindows.h"
#include "controls/DesignUnits.h"
#include "controls/GuiTestUtil.h"
#include "controls/Progress.h"
#include "controls/QtMessageBoxes.h"
#include "controls/Screenshot.h"
#include "platform/MessageBox.h"

namespace {

using testing_util::SaveScreenshot;

TEST(ScreenshotsTest, MainWindowMessageBoxAndProgressMidRun) {
  platform::ScriptedMessageBoxes boxes;
  TProgressWindows progress;
  MainFormServices services;
  services.run_job = [&](const engine::TDividerInfo& info, const std::string&,
                         std::string& used_old_dir, engine::JobReport& report) {
    auto wnd = progress.Create("Operacje na pliku: " + info.DataFile, 100000);
    TProgressWnd* shown = nullptr;
    progress.on_shown = [&](TProgressWnd* w) { shown = w; };
    wnd->Show();
    ASSERT_NE(shown, nullptr);
    for (int32_t row = 0; row <= 42000; row += 10) wnd->SetPosition(row);
    SaveScreenshot(shown, "progress-window.png", QSize(Scaled(426), Scaled(65)));
    used_old_dir = "/baza/old4821/";
    report.ran = true;
  };
  TMainForm form(services);
  form.show();
  form.findChild<QLineEdit*>("DataFN")->setText("/baza/opisy.dat");
  form.findChild<QLineEdit*>("TableFN")->setText("/baza/opisy.dbf");
  form.findChild<QComboBox*>("FieldName")->setEditText("OpisTop");
  SaveScreenshot(&form, "main-window-user.png", QSize(Scaled(372), Scaled(290)));

  form.BitBtn1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);  // the completion notice
  auto box = MakeMessageBox(boxes.shown[0].text, boxes.shown[0].title, boxes.shown[0].flags, &form);
  box->show();
  SaveScreenshot(box.get(), "message-box.png", QSize());
  box->close();

  auto* div = form.findChild<QComboBox*>("DivType");
  div->setCurrentIndex(1);
  form.DivTypeChange();
  form.findChild<QLineEdit*>("TolmDir")->setText("/baza");
  SaveScreenshot(&form, "main-window-presets.png", QSize(Scaled(372), Scaled(290)));
}

}  // namespace
