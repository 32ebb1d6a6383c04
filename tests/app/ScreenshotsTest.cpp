// Renders the windows to PNG files under the build folder so anyone can look
// at them: the main window with each panel, a message box and the progress
// window in the middle of a run. Each picture is checked to hold a drawn
// window of the expected size, not a blank.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include "app/AppMessageBoxes.h"
#include "app/Main.h"
#include "app/WindowedProgress.h"
#include "controls/DesignUnits.h"
#include "controls/GuiTestUtil.h"
#include "controls/Progress.h"
#include "controls/QtMessageBoxes.h"
#include "controls/QtOpenDialogs.h"
#include "controls/QtTranslation.h"
#include "controls/Screenshot.h"
#include "engine/DivisionRequest.h"
#include "platform/Interrupt.h"
#include "platform/MessageBox.h"
#include "ui/MainTexts.h"

using namespace app;
using namespace controls;

namespace {

// As the program starts: Qt reads the language of its locale data (sizes
// and dates in the file dialog) before the application exists.
[[maybe_unused]] const bool kPolishLocaleData =
    qputenv("LC_MESSAGES", "pl_PL.UTF-8") && qputenv("LC_TIME", "pl_PL.UTF-8");

using testing_util::SaveScreenshot;

TEST(ScreenshotsTest, MainWindowMessageBoxAndProgressMidRun) {
  platform::ScriptedMessageBoxes boxes;
  WindowedProgress progress;
  MainFormServices services;
  services.progress = &progress;
  services.run_job = [&](const engine::TDividerInfo& info, const std::string&,
                         std::string& used_old_dir, engine::JobReport& report) {
    auto wnd = progress.Create("Operacje na pliku: " + info.DataFile, 100000);
    TProgressWnd* shown = nullptr;
    progress.on_shown = [&](TProgressWnd* w) { shown = w; };
    wnd->Show();
    ASSERT_NE(shown, nullptr);
    for (int32_t row = 0; row < 42000; row += 10) wnd->SetPosition(row);
    QTest::qWait(120);  // rows are drawn every 100 ms
    wnd->SetPosition(42000);
    SaveScreenshot(shown, "progress-window.png", QSize(Scaled(426), Scaled(128)));
    used_old_dir = "/baza/old4821/";
    report.ran = true;
  };
  // A description file never divided: no limit, and already large.
  services.max_size = [](const std::string&) { return 0; };
  services.data_bytes = [](const std::string&) { return uint64_t{812} << 20; };
  TMainForm form(services);
  form.show();
  form.findChild<QLineEdit*>("DataFN")->setText("/baza/opisy.dat");
  form.findChild<QLineEdit*>("TableFN")->setText("/baza/opisy.dbf");
  form.findChild<QComboBox*>("FieldName")->setEditText("OpisTop");
  SaveScreenshot(&form, "main-window-user.png", QSize(Scaled(372), Scaled(290)));
  form.OpenEditButton1Change();
  SaveScreenshot(&form, "main-window-size-proposal.png", QSize(Scaled(372), Scaled(290)));

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

// What Qt draws itself, in Polish: the open dialog of the description file
// picker and the Kadmor question; the progress window while the new files
// are verified; a completion box whose path does not break.
TEST(ScreenshotsTest, PolishDialogsAndTheVerificationPhase) {
  ASSERT_TRUE(InstallPolishQtTranslation(qApp));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"opisy.dat", "opisyv.dat", "dokopisy.dat", "opisy.dbf"}) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  platform::OpenDialogRequest r;
  r.filter = "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*";
  r.options = platform::kOfnHideReadOnly | platform::kOfnPathMustExist |
              platform::kOfnFileMustExist | platform::kOfnEnableSizing;
  r.initial_dir = dir.path().toStdString();
  QFileDialog files;
  QtOpenDialogs::Prepare(files, r);
  files.resize(640, 400);
  files.show();
  QTest::qWait(500);  // the folder is listed in the background
  SaveScreenshot(&files, "open-dialog.png", QSize());
  files.hide();

  // The database folder's chooser.
  platform::OpenDialogRequest d;
  d.options = platform::kOfnHideReadOnly | platform::kOfnNoValidate | platform::kOfnPathMustExist |
              platform::kOfnEnableSizing;
  d.pick_folder = true;
  d.initial_dir = dir.path().toStdString();
  QFileDialog folders;
  QtOpenDialogs::Prepare(folders, d);
  folders.resize(640, 400);
  folders.show();
  QTest::qWait(500);
  SaveScreenshot(&folders, "folder-chooser.png", QSize());
  folders.hide();

  auto question = MakeMessageBox(engine::kMsgKadmorQuestion, "", 36, nullptr);
  question->show();
  SaveScreenshot(question.get(), "kadmor-question.png", QSize());
  question->hide();

  WindowedProgress progress;
  TProgressWnd* shown = nullptr;
  progress.on_shown = [&](TProgressWnd* w) { shown = w; };
  progress.BeginJob(7, 8, "zud/operdok.dbf");
  auto wnd = progress.Create(
      "Operacje na pliku: /srv/bazy/gminy/powiat-zachodni/ewidencja-2024/zud/rastry.dan", 100000);
  wnd->Show();
  ASSERT_NE(shown, nullptr);
  for (int32_t row = 0; row < 100000; row += 10) wnd->SetPosition(row);
  wnd->SetPhase(engine::kPhaseVerify);
  QTest::qWait(120);
  wnd->SetPhaseProgress(61000, 160000);
  SaveScreenshot(shown, "progress-verification.png", QSize(Scaled(426), Scaled(128)));
  progress.Cancel();
  SaveScreenshot(shown, "progress-cancelling.png", QSize(Scaled(426), Scaled(128)));
  wnd.reset();
  progress.EndRequest();
  platform::ClearInterrupt();

  auto done = MakeMessageBox(
      "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: "
      "/srv/bazy/gminy/powiat-zachodni/ewidencja-2024/old48213077",
      "Informacja", 64, nullptr);
  done->show();
  SaveScreenshot(done.get(), "completion-long-path.png", QSize());
  done->hide();

  // Completed, but the old files had to stay: the warning icon, and a
  // button that opens the list of rows.
  QAbstractButton* list = nullptr;
  auto kept = app::MakeMessageBoxWithButton(
      "Operacja została zakończona\r\nPrzepisano adresów: 1250, zapisano rekordów: 1180, "
      "nowych plików: 2.\r\nNie skopiowano odwołań: 3 (tabela /baza/opisy.dbf).\r\n"
      "Wiersze ze znacznikiem ID wskazujące stare dane: 2 (tabela /baza/opisy.dbf); ich adresy "
      "zostały bez zmian i odnoszą się do starych plików.\r\nLista tych wierszy: "
      "/baza/old4821/nieskopiowane-opisy.dbf.txt\r\nStare pliki zachowano w katalogu: "
      "/baza/old4821/",
      engine::kTitleWarning, engine::kFlagsWarning, ui::kShowListButton, nullptr, &list);
  ASSERT_NE(list, nullptr);
  kept->show();
  SaveScreenshot(kept.get(), "completion-warnings.png", QSize());
}

}  // namespace
