// The main window on the offscreen platform: its components and layout,
// the panel switch, the size probe and field list through fake services,
// and the start action through a fake job runner with scripted boxes.
#include "app/Main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "controls/DesignUnits.h"
#include "controls/Errors.h"
#include "controls/GuiTestUtil.h"
#include "controls/IntEdit.h"
#include "controls/OEBtn.h"
#include "controls/OpenDialog.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "platform/Interrupt.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "ui/MainTexts.h"

using namespace app;
using namespace controls;

namespace {

using platform::ScriptedMessageBoxes;
using platform::ScriptedOpenDialogs;
using testing_util::TypeText;

struct Job {
  engine::TDividerInfo info;
  std::string old_dir;
};

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() : form(Services()) {}

  MainFormServices Services() {
    MainFormServices s;
    s.max_size = [this](const std::string& f) {
      probed.push_back(f);
      if (probe_error) throw engine::EngineError("Nie można odczytać pliku " + f);
      return probe_result;
    };
    s.data_bytes = [this](const std::string&) { return probe_bytes; };
    s.open_text = [this](const std::string& path) { opened.push_back(path); };
    s.field_names = [this](const std::string& dir, const std::string& file) {
      listed.push_back(dir + "|" + file);
      if (fields_error) throw Exception("Nie można otworzyć tabeli " + file);
      return fields;
    };
    s.run_job = [this](const engine::TDividerInfo& info, const std::string& old_dir,
                       std::string& used_old_dir, engine::JobReport& report) {
      jobs.push_back({info, old_dir});
      if (during_job) during_job();
      if (fail_job == jobs.size()) throw engine::EngineError("Błąd zadania");
      if (info.KeepOld)
        used_old_dir = old_dir.empty() ? "/baza/old123/" : old_dir;
      else
        used_old_dir.clear();
      report.ran = true;
      report.counts.dropped = dropped;
      if (dropped) report.dropped_list = "/baza/old123/nieskopiowane-opisy.dbf.txt";
    };
    return s;
  }

  template <class W>
  W* Get(const char* name) {
    return testing_util::FindNamed<W>(form, name);
  }
  void PickRow(int row) {
    auto* div = Get<QComboBox>("DivType");
    div->setCurrentIndex(row);
    emit div->activated(row);
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> t;
    for (const auto& s : boxes.shown) t.push_back(s.text);
    return t;
  }
  void FillUserRow() {
    Get<QLineEdit>("DataFN")->setText("/baza/opisy.dat");
    Get<QLineEdit>("TableFN")->setText("/baza/opisy.dbf");
    Get<QComboBox>("FieldName")->setEditText("OpisTop");
  }

  ScriptedMessageBoxes boxes;
  ScriptedOpenDialogs dialogs;
  std::vector<std::string> probed, listed;
  int32_t probe_result = 0;
  uint64_t probe_bytes = 0;
  uint64_t dropped = 0;
  std::vector<std::string> opened;
  bool probe_error = false, fields_error = false;
  std::vector<std::string> fields;
  std::vector<Job> jobs;
  size_t fail_job = 0;
  std::function<void()> during_job;
  TMainForm form;
};

TEST_F(MainFormTest, StartStateCaptionsAndScaledLayout) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Podział plików z danymi opisowymi"));
  EXPECT_EQ(form.size(), QSize(Scaled(372), Scaled(290)));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // fixed frame
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);

  auto* div = Get<QComboBox>("DivType");
  EXPECT_EQ(div->currentText(), "wybrane dane");
  EXPECT_EQ(div->count(), 4);
  EXPECT_EQ(div->itemText(1), QString::fromUtf8("dane Banku Tolmów"));
  EXPECT_FALSE(div->isEditable());
  EXPECT_EQ(form.CurrentPanel(), Get<QFrame>("UserPanel"));
  EXPECT_FALSE(Get<QFrame>("UserPanel")->isHidden());
  EXPECT_TRUE(Get<QFrame>("TolmowyPanel")->isHidden());
  for (const char* n : {"Size", "TolmSize"}) {
    auto* e = Get<TIntegerEdit>(n);
    EXPECT_EQ(e->text(), "650") << n;
    EXPECT_EQ(e->LastText(), "650") << n;
    EXPECT_EQ(e->Min(), 0);
    EXPECT_EQ(e->Max(), 2047);
  }
  for (const char* n : {"CheckID", "OldToTemp", "TolmTmp"})
    EXPECT_TRUE(Get<QCheckBox>(n)->isChecked()) << n;
  EXPECT_TRUE(Get<QComboBox>("FieldName")->isEditable());
  EXPECT_EQ(Get<QComboBox>("FieldName")->count(), 0);
  EXPECT_EQ(Get<QLabel>("Label4")->text(), "Max. rozmiar pliku z danymi opis.:");
  EXPECT_EQ(Get<QLabel>("Label6")->text(), QString::fromUtf8("Katalog z bazą:"));
  EXPECT_EQ(Get<QCheckBox>("CheckID")->text(), "Sprawdzaj ID");
  EXPECT_EQ(Get<QPushButton>("BitBtn2")->text(), QString::fromUtf8("Wyjdź"));
  EXPECT_TRUE(Get<QPushButton>("BitBtn1")->isDefault());

  // Positions in design units at 120 pixels per inch, scaled to the screen.
  EXPECT_EQ(Get<QLineEdit>("DataFN")->geometry(), ScaledRect(10, 30, 246, 24));
  EXPECT_EQ(Get<TOpenEditButton>("OpenEditButton2")->geometry(), ScaledRect(265, 80, 86, 25));
  EXPECT_EQ(Get<TIntegerEdit>("TolmSize")->geometry(), ScaledRect(220, 60, 41, 24));
  EXPECT_EQ(Get<QPushButton>("BitBtn2")->geometry(), ScaledRect(285, 250, 75, 31));
  EXPECT_EQ(Get<QLabel>("Label5")->pos(), ScaledRect(270, 165, 0, 0).topLeft());
  EXPECT_EQ(Get<QFrame>("TolmowyPanel")->geometry(), ScaledRect(5, 40, 361, 121));
  // Whatever the font's width, the size labels stay readable beside their box.
  EXPECT_LT(Get<QLabel>("Label4")->geometry().right(), Get<TIntegerEdit>("Size")->x());
  EXPECT_LT(Get<QLabel>("Label7")->geometry().right(), Get<TIntegerEdit>("TolmSize")->x());

  // The pickers show only "Zmień"; the third picks a directory.
  auto* p3 = Get<TOpenEditButton>("OpenEditButton3");
  EXPECT_TRUE(p3->NoEdit());
  EXPECT_TRUE(p3->SelectDirectory());
  EXPECT_EQ(p3->EditLine(), Get<QLineEdit>("TolmDir"));
  EXPECT_FALSE(Get<TOpenEditButton>("OpenEditButton1")->SelectDirectory());
  auto* d1 = Get<TOpenDialog>("OpenDialog1");
  EXPECT_EQ(d1->Filter(), "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*");
  EXPECT_TRUE(d1->Options() & platform::kOfnFileMustExist);
  auto* d3 = Get<TOpenDialog>("OpenDialog3");
  EXPECT_EQ(d3->FileName(), "*.*");
  EXPECT_FALSE(d3->Options() & platform::kOfnFileMustExist);
  EXPECT_TRUE(d3->Options() & platform::kOfnNoValidate);
}

TEST_F(MainFormTest, TabOrderFollowsTheLayoutPanelByPanel) {
  auto next = [](QWidget* w) {
    do w = w->nextInFocusChain();
    // The edit inside the field combo box belongs to the combo box.
    while (!(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QComboBox*>(w->parentWidget()));
    return w;
  };
  std::vector<QWidget*> expected = {Get<QComboBox>("DivType"),
                                    Get<QLineEdit>("DataFN"),
                                    Get<TOpenEditButton>("OpenEditButton1")->ChangeButton(),
                                    Get<QLineEdit>("TableFN"),
                                    Get<TOpenEditButton>("OpenEditButton2")->ChangeButton(),
                                    Get<QComboBox>("FieldName"),
                                    Get<TIntegerEdit>("Size"),
                                    Get<QCheckBox>("CheckID"),
                                    Get<QCheckBox>("OldToTemp"),
                                    Get<QPushButton>("BitBtn1"),
                                    Get<QPushButton>("BitBtn2"),
                                    Get<QLineEdit>("TolmDir"),
                                    Get<TOpenEditButton>("OpenEditButton3")->ChangeButton(),
                                    Get<QCheckBox>("TolmTmp"),
                                    Get<TIntegerEdit>("TolmSize")};
  for (size_t i = 1; i < expected.size(); ++i)
    EXPECT_EQ(next(expected[i - 1]), expected[i]) << expected[i]->objectName().toStdString();
}

TEST_F(MainFormTest, PanelSwitchKeepsTheValuesOfBothPanels) {
  FillUserRow();
  PickRow(2);
  EXPECT_TRUE(Get<QFrame>("UserPanel")->isHidden());
  EXPECT_FALSE(Get<QFrame>("TolmowyPanel")->isHidden());
  Get<QLineEdit>("TolmDir")->setText("/baza");
  Get<TIntegerEdit>("TolmSize")->SetValue(100);
  Get<QCheckBox>("TolmTmp")->setChecked(false);
  PickRow(3);
  EXPECT_EQ(form.CurrentPanel(), Get<QFrame>("TolmowyPanel"));
  EXPECT_FALSE(Get<QFrame>("TolmowyPanel")->isHidden());
  EXPECT_EQ(Get<QLineEdit>("TolmDir")->text(), "/baza");
  EXPECT_EQ(Get<TIntegerEdit>("TolmSize")->Value(), 100);
  EXPECT_FALSE(Get<QCheckBox>("TolmTmp")->isChecked());
  // Keys on the closed list pick rows as the mouse does.
  QTest::keyClick(Get<QComboBox>("DivType"), Qt::Key_Up);
  QTest::keyClick(Get<QComboBox>("DivType"), Qt::Key_Up);
  EXPECT_EQ(Get<QComboBox>("DivType")->currentIndex(), 1);
  EXPECT_FALSE(Get<QFrame>("TolmowyPanel")->isHidden());
  QTest::keyClick(Get<QComboBox>("DivType"), Qt::Key_Up);
  EXPECT_FALSE(Get<QFrame>("UserPanel")->isHidden());
  EXPECT_TRUE(Get<QFrame>("TolmowyPanel")->isHidden());
  EXPECT_EQ(Get<QLineEdit>("DataFN")->text(), "/baza/opisy.dat");
  EXPECT_EQ(Get<QComboBox>("FieldName")->currentText(), "OpisTop");
}

TEST_F(MainFormTest, SizeProbeFillsTheSizeBoxWithinItsRange) {
  // Typing a path runs no probe; only a choice in the dialog does.
  TypeText(Get<QLineEdit>("DataFN"), "/a/b.dat");
  EXPECT_TRUE(probed.empty());
  probe_result = 700;
  dialogs.Choose("/baza/opisy.dat");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton1")->ChangeButton(), Qt::LeftButton);
  EXPECT_EQ(probed, std::vector<std::string>{"/baza/opisy.dat"});
  EXPECT_EQ(Get<TIntegerEdit>("Size")->text(), "700");
  EXPECT_EQ(dialogs.seen.at(0).filter, "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*");

  probe_result = 2048;
  form.OpenEditButton1Change();
  EXPECT_EQ(Shown(), std::vector<std::string>{"Wartość spoza przedziału 0 - 2047"});
  EXPECT_EQ(Get<TIntegerEdit>("Size")->text(), "700");

  // A failing probe is shown and leaves the size alone.
  probe_error = true;
  dialogs.Choose("/baza/zly.dat");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton1")->ChangeButton(), Qt::LeftButton);
  EXPECT_EQ(boxes.shown.back().text, "Nie można odczytać pliku /baza/zly.dat");
  EXPECT_EQ(boxes.shown.back().flags, 16);
  EXPECT_EQ(Get<TIntegerEdit>("Size")->text(), "700");

  // An empty path probes nothing.
  Get<QLineEdit>("DataFN")->clear();
  form.OpenEditButton1Change();
  EXPECT_EQ(probed.size(), 3u);
}

// The size box and its note show what the core decided for a file without
// a limit; the hints say what 0 means.
TEST_F(MainFormTest, SizeZeroIsExplainedAndALargeFileGetsTheDefault) {
  auto* note = Get<QLabel>("SizeNote");
  EXPECT_TRUE(note->text().isEmpty());
  EXPECT_TRUE(Get<TIntegerEdit>("Size")->toolTip().contains("0 = bez ograniczenia"));
  EXPECT_TRUE(Get<TIntegerEdit>("TolmSize")->toolTip().contains("0 = bez ograniczenia"));
  EXPECT_FALSE(Get<QCheckBox>("CheckID")->toolTip().isEmpty());
  const struct {
    uint64_t bytes;
    const char* size;
    const char* note;
  } cases[] = {
      {900ull << 20, "650", "Plik bez ograniczenia ma 900 MB: proponowane 650 MB."},
      {10ull << 20, "0", ui::kSizeNoLimit},
  };
  for (const auto& c : cases) {
    probe_bytes = c.bytes;
    dialogs.Choose("/baza/opisy.dat");
    QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton1")->ChangeButton(), Qt::LeftButton);
    EXPECT_EQ(Get<TIntegerEdit>("Size")->text(), c.size);
    EXPECT_EQ(note->text(), QString::fromUtf8(c.note));
    EXPECT_LE(note->sizeHint().width(), note->width()) << c.note;  // read whole
  }
  // The note stays inside the panel, under the size box.
  EXPECT_LE(note->geometry().bottom(), Get<QFrame>("UserPanel")->height());
  EXPECT_GT(note->y(), Get<TIntegerEdit>("Size")->geometry().bottom());
  probe_result = 700;
  form.OpenEditButton1Change();
  EXPECT_TRUE(note->text().isEmpty());
}

TEST_F(MainFormTest, FieldListIsReplacedByEachChosenTable) {
  auto* names = Get<QComboBox>("FieldName");
  names->setEditText("Adres");
  fields = {"ID", "OpisTop", "Nazwa"};
  dialogs.Choose("/baza/opisy.dbf");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton2")->ChangeButton(), Qt::LeftButton);
  EXPECT_EQ(listed, std::vector<std::string>{"/baza|opisy.dbf"});
  ASSERT_EQ(names->count(), 3);
  EXPECT_EQ(names->itemText(0), "ID");
  EXPECT_EQ(names->itemText(2), "Nazwa");
  EXPECT_EQ(names->currentText(), "Adres");  // not silently the first field

  // Names come as the table's code page 1250 bytes and go back to the
  // engine as the same bytes.
  fields = {"OPIS\xA3\xA5KA"};  // "OPISŁĄKA"
  form.OpenEditButton2Change();
  EXPECT_EQ(names->itemText(0), QString::fromUtf8("OPISŁĄKA"));
  names->setCurrentIndex(0);
  Get<QLineEdit>("DataFN")->setText("/baza/opisy.dat");
  QTest::mouseClick(Get<QPushButton>("BitBtn1"), Qt::LeftButton);
  ASSERT_FALSE(jobs.empty());
  EXPECT_EQ(jobs.back().info.AddressField, "OPIS\xA3\xA5KA");

  fields = {"INNE"};
  Get<QLineEdit>("TableFN")->setText("/inna/mopisy.dbf");
  form.OpenEditButton2Change();
  ASSERT_EQ(names->count(), 1);
  EXPECT_EQ(names->itemText(0), "INNE");

  // A table that cannot be opened leaves the list as it was.
  fields_error = true;
  EXPECT_THROW(form.OpenEditButton2Change(), Exception);
  EXPECT_EQ(names->count(), 1);
  Get<QLineEdit>("TableFN")->clear();
  form.OpenEditButton2Change();
  EXPECT_EQ(listed.size(), 4u);
}

TEST_F(MainFormTest, StartWithAnEmptyFieldRunsNoJob) {
  FillUserRow();
  Get<QComboBox>("FieldName")->setEditText("");
  QTest::mouseClick(Get<QPushButton>("BitBtn1"), Qt::LeftButton);
  EXPECT_TRUE(jobs.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Nie wypełniono wszystkich pól: Nazwa pola");
  EXPECT_EQ(boxes.shown[0].flags, 16);

  // The missing text is reported before a size box holding only "-".
  TypeText(Get<TIntegerEdit>("Size"), QString(QLatin1Char('\b')));
  Get<TIntegerEdit>("Size")->setText("-");
  EXPECT_THROW(form.BitBtn1Click(), engine::EngineError);
  Get<QComboBox>("FieldName")->setEditText(" ");  // blanks count as filled
  EXPECT_THROW(form.BitBtn1Click(), EConvertError);
  EXPECT_TRUE(jobs.empty());
}

TEST_F(MainFormTest, HandPickedJobWithAndWithoutKeepingOldData) {
  FillUserRow();
  Get<TIntegerEdit>("Size")->SetValue(100);
  Get<QCheckBox>("CheckID")->setChecked(false);
  form.BitBtn1Click();
  ASSERT_EQ(jobs.size(), 1u);
  const engine::TDividerInfo& i = jobs[0].info;
  EXPECT_EQ(i.DataFile, "/baza/opisy.dat");
  EXPECT_EQ(i.TableFile, "/baza/opisy.dbf");
  EXPECT_EQ(i.AddressField, "OpisTop");
  EXPECT_EQ(i.MaxSize, 100);
  EXPECT_FALSE(i.CheckID);
  EXPECT_TRUE(i.KeepOld);
  EXPECT_EQ(jobs[0].old_dir, "");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: "
            "/baza/old123/\r\nPrzepisano adresów: 0, zapisano rekordów: 0, nowych plików: 0."
            "\r\nPodział można cofnąć w oknie programu (Narzędzia, Cofnij podział) albo "
            "poleceniem: podzial-cli restore /baza/old123/");
  EXPECT_EQ(boxes.shown[0].title, "Informacja");
  EXPECT_EQ(boxes.shown[0].flags, 64);

  // Polish letters typed into a path reach the job intact.
  Get<QLineEdit>("DataFN")->clear();
  TypeText(Get<QLineEdit>("DataFN"), QString::fromUtf8("/baza/żółć ąę.dat"));
  Get<QCheckBox>("OldToTemp")->setChecked(false);
  Get<TIntegerEdit>("Size")->clear();  // reads as Min, 0
  form.BitBtn1Click();                 // asks before deleting; No runs nothing
  EXPECT_EQ(jobs.size(), 1u);
  EXPECT_EQ(boxes.shown.back().text, engine::kMsgDeleteQuestion);
  EXPECT_EQ(boxes.shown.back().flags, 36);
  boxes.Answer(platform::kIdYes);
  form.BitBtn1Click();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].info.DataFile, "/baza/żółć ąę.dat");
  EXPECT_FALSE(jobs[1].info.KeepOld);
  EXPECT_EQ(jobs[1].info.MaxSize, 0);
  EXPECT_EQ(boxes.shown.back().text,
            "Operacja została zakończona\r\nPrzepisano adresów: 0, zapisano rekordów: 0, "
            "nowych plików: 0.");
}

TEST_F(MainFormTest, TolmPresetThreadsOneBackupDirectory) {
  form.show();
  PickRow(1);
  Get<QLineEdit>("TolmDir")->setText("/baza");
  Get<TIntegerEdit>("TolmSize")->SetValue(300);
  QTest::keyClick(Get<QLineEdit>("TolmDir"), Qt::Key_Return);  // Enter starts
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].info.TableFile, "/baza/opisy.dbf");
  EXPECT_EQ(jobs[2].info.DataFile, "/baza/dokopisy.dat");
  for (const Job& j : jobs) {
    EXPECT_EQ(j.info.AddressField, "OpisTop");
    EXPECT_EQ(j.info.MaxSize, 300);
    EXPECT_TRUE(j.info.CheckID);
  }
  EXPECT_EQ(jobs[0].old_dir, "");
  EXPECT_EQ(jobs[1].old_dir, "/baza/old123/");
  EXPECT_EQ(jobs[2].old_dir, "/baza/old123/");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("/baza/old123/"), std::string::npos);

  // Enter in the other boxes starts too.
  PickRow(0);
  FillUserRow();
  QTest::keyClick(Get<QComboBox>("FieldName")->lineEdit(), Qt::Key_Return);
  QTest::keyClick(Get<TIntegerEdit>("Size"), Qt::Key_Enter);
  EXPECT_EQ(jobs.size(), 5u);

  // An error in the second job stops the preset without a completion box;
  // the error box says what the first job already did.
  PickRow(1);
  jobs.clear();
  fail_job = 2;
  QTest::mouseClick(Get<QPushButton>("BitBtn1"), Qt::LeftButton);
  EXPECT_EQ(jobs.size(), 2u);
  EXPECT_EQ(boxes.shown.back().text,
            "Błąd zadania\nWcześniej podzielono: /baza/opisy.dbf (stare pliki w /baza/old123/)");
  EXPECT_EQ(boxes.shown.size(), 4u);
}

TEST_F(MainFormTest, KadmorVersionQuestionNoChangesNothingYesRunsEightJobs) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  PickRow(3);
  ASSERT_TRUE(QDir(dir.path()).mkpath("kerg"));  // one table of the preset
  QFile table(dir.filePath("kerg/operdok.dbf"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.close();
  Get<QLineEdit>("TolmDir")->setText(dir.path());  // no ini file: version 1.0
  boxes.Answer(platform::kIdNo);
  form.BitBtn1Click();
  EXPECT_TRUE(jobs.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].flags, 36);
  EXPECT_EQ(boxes.shown[0].title, "");
  EXPECT_NE(boxes.shown[0].text.find("1.10"), std::string::npos);

  boxes.Answer(platform::kIdYes);
  boxes.Answer(platform::kIdYes);  // and the old data may go
  Get<QCheckBox>("TolmTmp")->setChecked(false);
  form.BitBtn1Click();
  ASSERT_EQ(jobs.size(), 8u);
  EXPECT_EQ(jobs[0].info.AddressField, "Adres");
  EXPECT_FALSE(jobs[0].info.CheckID);
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_EQ(boxes.shown[2].text, engine::kMsgDeleteQuestion);
  EXPECT_EQ(boxes.shown.back().text.rfind("Operacja została zakończona\r\n", 0), 0u);
  Get<QCheckBox>("TolmTmp")->setChecked(true);

  // A new enough database asks nothing.
  ASSERT_TRUE(QDir(dir.path()).mkpath("Admin"));
  QFile ini(dir.filePath("Admin/kadmor.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[WersjaInne]\nVer1=1\nVer2=10\n");
  ini.close();
  const size_t shown = boxes.shown.size();
  form.BitBtn1Click();
  EXPECT_EQ(jobs.size(), 16u);
  EXPECT_EQ(boxes.shown.size(), shown + 1);
  EXPECT_EQ(boxes.shown.back().flags, 64);
}

// Rows left to look at: a warning box whose extra button opens their list.
TEST_F(MainFormTest, WarningCompletionOpensTheListOfRows) {
  FillUserRow();
  dropped = 2;
  boxes.press_extra = true;
  form.BitBtn1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconWarning);
  EXPECT_EQ(boxes.shown[0].extra, ui::kShowListButton);
  EXPECT_EQ(opened, std::vector<std::string>{"/baza/old123/nieskopiowane-opisy.dbf.txt"});
}

TEST_F(MainFormTest, EscapeAndWyjdzCloseTheWindow) {
  form.show();
  ASSERT_TRUE(form.isVisible());
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  form.show();
  QTest::mouseClick(Get<QPushButton>("BitBtn2"), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(jobs.empty());
}

// A focused push button takes Enter itself: on "Wyjdź" it closes the
// window and must not start a division.
TEST_F(MainFormTest, EnterOnTheFocusedExitButtonClosesWithoutStarting) {
  FillUserRow();
  form.show();
  auto* exit = Get<QPushButton>("BitBtn2");
  QTest::keyClick(exit, Qt::Key_Return);
  EXPECT_TRUE(jobs.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(form.isVisible());
  form.show();
  QTest::keyClick(Get<QLineEdit>("DataFN"), Qt::Key_Return);  // Enter elsewhere still starts
  EXPECT_EQ(jobs.size(), 1u);
}

}  // namespace

// Closing the window during a run asks the run to stop (the engine looks
// at the request between rows) and closes the window once the run has
// ended and said so.
TEST_F(MainFormTest, ClosingTheWindowDuringARunStopsItThenCloses) {
  form.show();
  FillUserRow();
  bool asked = false;
  during_job = [&] {
    EXPECT_FALSE(form.close());  // refused while running
    asked = platform::InterruptRequested();
    if (asked) throw engine::EngineError(engine::kMsgInterrupted);
  };
  QTest::mouseClick(Get<QPushButton>("BitBtn1"), Qt::LeftButton);
  EXPECT_TRUE(asked);
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.back().text, engine::kMsgInterrupted);
  EXPECT_FALSE(form.isVisible());
  platform::ClearInterrupt();
}
