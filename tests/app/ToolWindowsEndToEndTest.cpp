// The tools of the main window over real files: the "Narzędzia" button in
// the layout's free space, last in the tab order; each tool's window shows
// what the tools' core says for the same files; the repair offered when a
// folder with an interrupted run is chosen. Every window is saved as a
// picture under the build folder's screenshots/.
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <fstream>

#include "app/EngineServices.h"
#include "app/Main.h"
#include "app/ToolWindows.h"
#include "app/WindowedProgress.h"
#include "controls/DesignUnits.h"
#include "controls/GuiTestUtil.h"
#include "controls/OEBtn.h"
#include "controls/QtMessageBoxes.h"
#include "controls/QtTranslation.h"
#include "controls/Screenshot.h"
#include "engine/Commit.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "tools/demodb/DemoDatabase.h"

using namespace app;
using namespace controls;
using testing_util::FindNamed;
using testing_util::SaveScreenshot;

namespace {

struct YesDialog : engine::UserDialog {
  int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
  void Inform(const std::string&, const std::string&, int) override {}
};

class ToolWindowsEndToEndTest : public ::testing::Test {
 protected:
  ToolWindowsEndToEndTest()
      : root(dir.path().toStdString() + platform::kPathDelim),
        form(EngineServices(platform::Env::Default(), &progress)) {
    // As the program does: Qt's own words ("Tak", "Nie") in Polish.
    EXPECT_TRUE(InstallPolishQtTranslation(qApp));
    form.show();
  }
  ~ToolWindowsEndToEndTest() override { Choosers() = saved; }

  // The window the menu's tool opened.
  template <class W>
  W* Run(ui::Tool tool) {
    QMenu* menu = FindNamed<QPushButton>(form, "ToolsButton")->menu();
    EXPECT_NE(menu, nullptr);
    if (!menu) return nullptr;
    const auto before = form.findChildren<W*>();
    menu->actions().at(static_cast<int>(tool))->trigger();
    for (W* w : form.findChildren<W*>()) {
      if (!before.contains(w)) return w;
    }
    ADD_FAILURE() << ui::ToolName(tool) << " opened no window";
    return nullptr;
  }

  QTemporaryDir dir;
  std::string root;
  WindowedProgress progress;
  TMainForm form;
  platform::Env* env = platform::Env::Default();
  ToolChoosers saved = Choosers();
};

TEST_F(ToolWindowsEndToEndTest, TheButtonTakesTheFreeSpaceAndComesLastInTheTabOrder) {
  auto* tools = FindNamed<QPushButton>(form, "ToolsButton");
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->geometry(), ScaledRect(147, 250, 86, 31));
  EXPECT_EQ(tools->text(), QString::fromUtf8("Narzędzia"));
  for (const char* other : {"BitBtn1", "BitBtn2"})
    EXPECT_FALSE(tools->geometry().intersects(FindNamed<QWidget>(form, other)->geometry()));
  QStringList names;
  for (const ui::Tool t : ui::kTools) names << QString::fromStdString(ui::ToolName(t));
  QStringList shown;
  for (QAction* a : tools->menu()->actions()) shown << a->text();
  EXPECT_EQ(shown, names);
  // After the last control of TolmowyPanel, the chain goes on to the button.
  QWidget* w = FindNamed<QWidget>(form, "TolmSize");
  while (w->nextInFocusChain()->parentWidget() == w) w = w->nextInFocusChain();
  EXPECT_EQ(w->nextInFocusChain(), tools);
  SaveScreenshot(&form, "main-window-tools.png", QSize(Scaled(372), Scaled(290)));
  tools->menu()->popup(form.mapToGlobal(tools->geometry().bottomLeft()));
  SaveScreenshot(tools->menu(), "tools-menu.png", QSize());
  tools->menu()->hide();
}

TEST_F(ToolWindowsEndToEndTest, PreviewCheckBackupsAndRepairShowWhatTheCoreSays) {
  platform::ScriptedMessageBoxes boxes;
  ASSERT_TRUE(demodb::GenerateTolm(root, 1, 3).ok());
  const std::string data = root + "opisy.dat";

  // Preview of the hand-picked job, before anything is made.
  form.findChild<QLineEdit*>("DataFN")->setText(QString::fromStdString(data));
  form.findChild<QLineEdit*>("TableFN")->setText(QString::fromStdString(root + "opisy.dbf"));
  form.findChild<QComboBox*>("FieldName")->setEditText("OPISTOP");
  YesDialog yes;
  const ui::ToolReport preview = ui::PreviewDivision(env, &yes, form.Entries());
  ASSERT_TRUE(preview.ok) << preview.text;
  auto* report = Run<ReportWindow>(ui::Tool::kPreview);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Text().toStdString(), preview.text);
  EXPECT_EQ(report->windowTitle(), QString::fromUtf8("Podgląd podziału"));
  SaveScreenshot(report, "tool-preview.png", QSize());
  report->close();

  // The check, on the file the chooser gives; "Kopiuj" copies its text.
  Choosers().file = [&](QWidget*, const std::string& title, const std::string&) {
    EXPECT_EQ(title, kChooseCheckFile);
    return data;
  };
  report = Run<ReportWindow>(ui::Tool::kCheck);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Text().toStdString(), ui::CheckDescriptionFile(env, data).text);
  FindNamed<QPushButton>(*report, "CopyButton")->click();
  EXPECT_EQ(QApplication::clipboard()->text(), report->Text());
  SaveScreenshot(report, "tool-check.png", QSize());
  report->close();

  // A division of the preset keeps a backup; its window lists it as the
  // core does and restores it after the question.
  engine::RequestEntries tolm;
  tolm.DivType = engine::kDivTolm;
  tolm.TolmDir = root;
  tolm.TolmSize = 1;
  engine::DivisionRequest request(&yes, engine::DividerJobRunner());
  ASSERT_TRUE(request.Run(tolm).completed);
  auto* div = form.findChild<QComboBox*>("DivType");
  div->setCurrentIndex(1);
  form.DivTypeChange();
  form.findChild<QLineEdit*>("TolmDir")->setText(QString::fromStdString(root));
  auto* backups = Run<BackupsWindow>(ui::Tool::kBackups);
  ASSERT_NE(backups, nullptr);
  const ui::BackupList list = ui::ListBackupsOf(env, root);
  ASSERT_EQ(list.rows.size(), 1u);
  auto* table = FindNamed<QTableWidget>(*backups, "BackupsTable");
  ASSERT_EQ(table->rowCount(), 1);
  const ui::BackupRow& row = list.rows[0];
  const std::string cells[] = {row.date, row.name, row.jobs, row.size, row.state};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(table->item(0, c)->text().toStdString(), cells[c]) << c;
  SaveScreenshot(backups, "tool-backups.png", QSize());
  boxes.Answer(platform::kIdNo);
  backups->RestoreRow(0);
  ASSERT_EQ(boxes.shown.size(), 1u);
  std::string refused;
  EXPECT_EQ(boxes.shown[0].text, ui::RestoreQuestion(env, list.entries[0], &refused));
  auto question =
      MakeMessageBox(boxes.shown[0].text, boxes.shown[0].title, boxes.shown[0].flags, backups);
  question->show();
  SaveScreenshot(question.get(), "tool-restore-question.png", QSize());
  question->close();
  EXPECT_EQ(table->item(0, 4)->text().toStdString(), "do przywrócenia");
  boxes.Answer(platform::kIdYes);
  backups->RestoreRow(0);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[2].text.rfind("Przywrócono dane z katalogu: ", 0), 0u)
      << boxes.shown[2].text;
  EXPECT_EQ(table->item(0, 4)->text().toStdString(), "przywrócona");
  // A restored backup: the restore's refusal instead of a question.
  backups->RestoreRow(0);
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_EQ(boxes.shown[3].flags, platform::kMbIconError);
  std::string why;
  EXPECT_EQ(ui::RestoreQuestion(env, ui::ListBackupsOf(env, root).entries[0], &why), "");
  EXPECT_EQ(boxes.shown[3].text, why);
  backups->close();

  // An interrupted run where the database folder is chosen: the repair is
  // offered, and its report shown.
  const std::string work = root + "tmp815.tmp";
  QDir().mkpath(QString::fromStdString(work));
  std::ofstream(work + platform::kPathDelim + engine::kWorkLockName) << engine::kLockMark;
  const std::vector<std::string> runs = ui::InterruptedRuns(env, root);
  ASSERT_EQ(runs.size(), 1u);
  boxes.shown.clear();
  boxes.Answer(platform::kIdYes);
  const auto before = form.findChildren<ReportWindow*>();
  emit FindNamed<TOpenEditButton>(form, "OpenEditButton3")->changed();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, ui::RecoverOffer(root, runs));
  ReportWindow* repaired = nullptr;
  for (ReportWindow* w : form.findChildren<ReportWindow*>())
    if (!before.contains(w)) repaired = w;
  ASSERT_NE(repaired, nullptr);
  EXPECT_FALSE(QDir(QString::fromStdString(work)).exists());
  SaveScreenshot(repaired, "tool-recover.png", QSize());
  repaired->close();

  // The repair tool on a folder the chooser gives: nothing left to do.
  Choosers().folder = [&](QWidget*, const std::string& title, const std::string&) {
    EXPECT_EQ(title, kChooseRecoverFolder);
    return root;
  };
  report = Run<ReportWindow>(ui::Tool::kRecover);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Text().toStdString(), ui::RecoverFolder(env, root).text);
}

}  // namespace
