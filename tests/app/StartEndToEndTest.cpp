// The main window over the real engine, store and table engine on generated
// databases: the start action for a hand-picked job and the presets with
// scripted boxes, and the two automatic fills on real files.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <map>

#include "app/EngineServices.h"
#include "app/Main.h"
#include "app/WindowedProgress.h"
#include "controls/GuiTestUtil.h"
#include "controls/IntEdit.h"
#include "controls/OEBtn.h"
#include "controls/Progress.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "store/jxmemo.h"
#include "tools/demodb/DemoDatabase.h"

using namespace app;
using namespace controls;

namespace {

using platform::ScriptedMessageBoxes;

// Every file below a directory with its bytes, to see that nothing changed.
std::map<QString, QByteArray> Snapshot(const QString& root) {
  std::map<QString, QByteArray> files;
  QDir dir(root);
  for (const QString& name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString path = dir.filePath(name);
    if (QFileInfo(path).isDir()) {
      for (auto& [k, v] : Snapshot(path)) files[name + "/" + k] = v;
    } else {
      QFile f(path);
      EXPECT_TRUE(f.open(QIODevice::ReadOnly));
      files[name] = f.readAll();
    }
  }
  return files;
}

QStringList OldDirs(const QString& root) {
  return QDir(root).entryList({"old*"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

class StartEndToEndTest : public ::testing::Test {
 protected:
  StartEndToEndTest()
      : root(dir.path().toStdString() + "/"),
        form(EngineServices(platform::Env::Default(), &progress)) {
    progress.on_shown = [this](TProgressWnd*) { ++windows_shown; };
  }

  void Generate(const std::string& sub, const std::string& table, const std::string& data,
                const std::string& field, uint32_t rows = 60, double dangling = 0) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + sub)));
    demodb::TableOptions o;
    o.dir = root + sub;
    o.table_name = table;
    o.data_name = data;
    o.address_field = field;
    o.rows = rows;
    o.mean_record = 2000;
    // Only `dangling` makes rows that keep old records: no marker rows.
    o.dangling = dangling;
    o.marker = 0;
    demodb::Generated g;
    platform::Status st = demodb::GenerateTable(o, &g);
    ASSERT_TRUE(st.ok()) << st.message();
  }
  template <class W>
  W* Get(const char* name) {
    return testing_util::FindNamed<W>(form, name);
  }
  void PickRow(int row) {
    Get<QComboBox>("DivType")->setCurrentIndex(row);
    form.DivTypeChange();
  }
  void Start() { QTest::mouseClick(Get<QPushButton>("BitBtn1"), Qt::LeftButton); }

  QTemporaryDir dir;
  std::string root;
  ScriptedMessageBoxes boxes;
  platform::ScriptedOpenDialogs dialogs;
  WindowedProgress progress;
  int windows_shown = 0;
  TMainForm form;
};

TEST_F(StartEndToEndTest, HandPickedJobKeepsOldDataThenDeletesIt) {
  Generate("", "opisy.dbf", "opisy.dat", "OPISTOP");
  Get<QLineEdit>("DataFN")->setText(QString::fromStdString(root + "opisy.dat"));
  Get<QLineEdit>("TableFN")->setText(QString::fromStdString(root + "opisy.dbf"));

  // An empty field name: nothing on disk changes.
  const auto before = Snapshot(dir.path());
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Nie wypełniono wszystkich pól: Nazwa pola");
  EXPECT_EQ(Snapshot(dir.path()), before);

  Get<QComboBox>("FieldName")->setEditText("OpisTop");
  Get<TIntegerEdit>("Size")->SetValue(1);
  Start();
  ASSERT_EQ(boxes.shown.size(), 2u);
  const QStringList old = OldDirs(dir.path());
  ASSERT_EQ(old.size(), 1);
  const std::string backup = root + old[0].toStdString() + "/";
  EXPECT_EQ(boxes.shown[1].text.rfind(
                "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: " +
                    backup + "\r\nPrzepisano adresów: ",
                0),
            0u)
      << boxes.shown[1].text;
  EXPECT_NE(boxes.shown[1].text.find("podzial-cli restore " + backup), std::string::npos);
  EXPECT_EQ(boxes.shown[1].flags, platform::kMbIconInformation | platform::kMbOk);
  EXPECT_EQ(boxes.shown[1].title, "Informacja");
  EXPECT_GT(windows_shown, 0);
  // The old pair went to the backup directory, byte for byte.
  const auto kept = Snapshot(dir.path() + "/" + old[0]);
  EXPECT_EQ(kept.at("opisy.dat"), before.at("opisy.dat"));
  EXPECT_EQ(kept.at("opisy.dbf"), before.at("opisy.dbf"));
  EXPECT_TRUE(QFile::exists(dir.filePath("opisy.dat")));
  EXPECT_NE(Snapshot(dir.path()).at("opisy.dbf"), before.at("opisy.dbf"));

  Get<QCheckBox>("OldToTemp")->setChecked(false);
  boxes.Answer(platform::kIdYes);  // the old data may go
  Start();
  EXPECT_EQ(boxes.shown.back().text.rfind("Operacja została zakończona\r\nPrzepisano adresów: ", 0),
            0u);
  EXPECT_EQ(OldDirs(dir.path()).size(), 1);
}

TEST_F(StartEndToEndTest, TolmPresetPutsAllOldFilesInOneBackupDirectory) {
  for (auto [t, d] : {std::pair{"opisy.dbf", "opisy.dat"}, std::pair{"opisyv.dbf", "opisyv.dat"},
                      std::pair{"dokopisy.dbf", "dokopisy.dat"}})
    Generate("", t, d, "OPISTOP", 40, /*dangling=*/0.1);
  PickRow(1);
  Get<QLineEdit>("TolmDir")->setText(dir.path());  // without a trailing separator
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text;
  const QStringList old = OldDirs(dir.path());
  ASSERT_EQ(old.size(), 1);
  const auto kept = Snapshot(dir.path() + "/" + old[0]);
  for (const char* f : {"opisy.dbf", "opisyv.dat", "dokopisy.dbf"})
    EXPECT_EQ(kept.count(f), 1u) << f;
  EXPECT_NE(boxes.shown[0].text.find(old[0].toStdString()), std::string::npos);
  // Rows whose reference could not be copied are counted and listed, in a
  // warning box.
  EXPECT_NE(boxes.shown[0].text.find("Nie skopiowano odwołań: "), std::string::npos);
  EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconWarning | platform::kMbOk);
  EXPECT_EQ(boxes.shown[0].title, "Ostrzeżenie");
  EXPECT_EQ(kept.count("nieskopiowane-opisy.dbf.txt"), 1u);
}

QStringList WorkDirs(const QString& root) {
  return QDir(root).entryList({"tmp*.tmp"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

// "Anuluj" in the second job of a preset stops it at its next row: the
// first job stays divided and is named, the second's working folder goes,
// its files and the third's are as they were.
TEST_F(StartEndToEndTest, AnulujStopsAPresetAfterItsFirstJob) {
  for (auto [t, d] : {std::pair{"opisy.dbf", "opisy.dat"}, std::pair{"opisyv.dbf", "opisyv.dat"},
                      std::pair{"dokopisy.dbf", "dokopisy.dat"}})
    Generate("", t, d, "OPISTOP", 200);
  PickRow(1);
  Get<QLineEdit>("TolmDir")->setText(dir.path());
  const auto before = Snapshot(dir.path());
  QStringList jobs_seen;
  progress.on_drawn = [&](TProgressWnd* w) {
    if (!jobs_seen.contains(w->JobLine())) jobs_seen << w->JobLine();
    if (w->JobLine().startsWith("Tabela 2 z 3") && w->CancelButton()->isEnabled())
      QTest::mouseClick(w->CancelButton(), Qt::LeftButton);
  };
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::string& text = boxes.shown[0].text;
  EXPECT_EQ(text.rfind("Podział został przerwany na żądanie użytkownika", 0), 0u) << text;
  EXPECT_NE(text.find("Wcześniej podzielono: " + root + "opisy.dbf"), std::string::npos) << text;
  EXPECT_EQ(text.find("opisyv.dbf"), std::string::npos) << text;
  EXPECT_EQ(jobs_seen, QStringList({"Tabela 1 z 3: opisy.dbf", "Tabela 2 z 3: opisyv.dbf"}));
  const auto after = Snapshot(dir.path());
  for (const char* f : {"opisyv.dbf", "opisyv.dat", "dokopisy.dbf", "dokopisy.dat"})
    EXPECT_EQ(after.at(f), before.at(f)) << f;
  EXPECT_NE(after.at("opisy.dbf"), before.at("opisy.dbf"));
  EXPECT_TRUE(WorkDirs(dir.path()).isEmpty());
  // The window went before the box, and the next start is not stopped.
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  progress.on_drawn = nullptr;
  Start();
  EXPECT_EQ(boxes.shown.back().flags, platform::kMbIconInformation | platform::kMbOk)
      << boxes.shown.back().text;
}

// Esc on the window of a hand-picked job: nothing on disk changes.
TEST_F(StartEndToEndTest, EscStopsAHandPickedJobLeavingEverythingAsItWas) {
  Generate("", "opisy.dbf", "opisy.dat", "OPISTOP", 200);
  Get<QLineEdit>("DataFN")->setText(QString::fromStdString(root + "opisy.dat"));
  Get<QLineEdit>("TableFN")->setText(QString::fromStdString(root + "opisy.dbf"));
  Get<QComboBox>("FieldName")->setEditText("OpisTop");
  const auto before = Snapshot(dir.path());
  progress.on_shown = [](TProgressWnd* w) { QTest::keyClick(w, Qt::Key_Escape); };
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind("Podział został przerwany", 0), 0u) << boxes.shown[0].text;
  EXPECT_EQ(boxes.shown[0].flags, 16);
  EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST_F(StartEndToEndTest, KadmorVersionQuestionNoChangesNothingYesDivides) {
  Generate("oper_bu", "operdok.dbf", "rastry.dan", "ADRES", 30);
  Generate("zud", "zud.dbf", "opinia.dan", "ADRES", 30);
  PickRow(3);
  Get<QLineEdit>("TolmDir")->setText(QString::fromStdString(root));
  const auto before = Snapshot(dir.path());
  boxes.Answer(platform::kIdNo);
  Start();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].flags, 36);
  EXPECT_EQ(Snapshot(dir.path()), before);

  boxes.Answer(platform::kIdYes);
  Start();
  ASSERT_EQ(boxes.shown.size(), 3u) << boxes.shown.back().text;
  const QStringList old = OldDirs(dir.path());
  ASSERT_EQ(old.size(), 1);
  // The backup root is shown without a trailing separator; each pair's old
  // files lie in the subdirectory named after the pair's folder.
  EXPECT_EQ(boxes.shown[2].text.rfind(
                "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: " +
                    root + old[0].toStdString() + "\r\nPrzepisano adresów: ",
                0),
            0u);
  EXPECT_NE(boxes.shown[2].text.find("\r\nPominięto (brak tabeli lub pliku opisów): "),
            std::string::npos);
  const auto kept = Snapshot(dir.path() + "/" + old[0]);
  EXPECT_EQ(kept.at("oper_bu/rastry.dan"), before.at("oper_bu/rastry.dan"));
  EXPECT_EQ(kept.at("zud/zud.dbf"), before.at("zud/zud.dbf"));
}

TEST_F(StartEndToEndTest, PickersFillTheSizeAndTheFieldListFromRealFiles) {
  Generate("", "opisy.dbf", "opisy.dat", "OPISTOP");
  {
    store::tjxmemo memo;
    ASSERT_TRUE(memo.Open(root + "opisy.dat"));
    ASSERT_GE(memo.SetMaxSize(700 * 1048576, root + "opisy.dat"), 0);
  }
  dialogs.Choose(root + "opisy.dat");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton1")->ChangeButton(), Qt::LeftButton);
  EXPECT_EQ(Get<TIntegerEdit>("Size")->text(), "700");

  dialogs.Choose(root + "opisy.dbf");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton2")->ChangeButton(), Qt::LeftButton);
  auto* names = Get<QComboBox>("FieldName");
  ASSERT_GE(names->count(), 2);
  EXPECT_EQ(names->itemText(0), "ID");
  EXPECT_EQ(names->findText("OPISTOP"), 1);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;

  // A table that is not there: the engine's message, the list unchanged.
  dialogs.Choose(root + "brak.dbf");
  QTest::mouseClick(Get<TOpenEditButton>("OpenEditButton2")->ChangeButton(), Qt::LeftButton);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].flags, 16);
  EXPECT_GE(names->count(), 2);
}

}  // namespace
