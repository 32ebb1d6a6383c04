// The main window's decisions without a window: the panel switch, what the
// size probe proposes and says, the field list, and the start action's
// questions, errors and completion boxes over scripted message boxes.
#include "ui/MainModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/EngineError.h"
#include "platform/MessageBox.h"
#include "tests/platform/TempDir.h"
#include "ui/MainTexts.h"
#include "ui/Typography.h"

namespace ui {
namespace {

namespace fs = std::filesystem;
using engine::RequestEntries;
using platform::ScriptedMessageBoxes;
using testing_util::TempDir;

constexpr uint64_t kMB = 1048576;

// Fake services that record what the model asked of them.
struct Fakes {
  int32_t limit = 0;
  uint64_t bytes = 0;
  bool probe_fails = false;
  std::vector<std::string> probed, listed, opened;
  std::vector<std::string> fields;
  bool fields_fail = false;
  // Per job: what the fake division did.
  std::vector<engine::TDividerInfo> jobs;
  engine::DivisionCounts counts;
  std::string dropped_list;
  std::string job_error;

  MainServices Services() {
    MainServices s;
    s.max_size = [this](const std::string& f) {
      probed.push_back(f);
      if (probe_fails) throw engine::EngineError("Błąd podczas odczytu");
      return limit;
    };
    s.data_bytes = [this](const std::string&) { return bytes; };
    s.field_names = [this](const std::string& dir, const std::string& file) {
      listed.push_back(dir + "|" + file);
      if (fields_fail) throw std::runtime_error("Nie można otworzyć tabeli");
      return fields;
    };
    s.run_job = [this](const engine::TDividerInfo& info, const std::string& old_dir,
                       std::string& used_old_dir, engine::JobReport& report) {
      jobs.push_back(info);
      if (!job_error.empty()) throw engine::EngineError(job_error);
      report.ran = true;
      report.counts = counts;
      report.dropped_list = dropped_list;
      used_old_dir = info.KeepOld ? (old_dir.empty() ? "/baza/old7/" : old_dir) : "";
    };
    s.open_text = [this](const std::string& path) { opened.push_back(path); };
    return s;
  }
};

TEST(MainModelTest, PanelFollowsTheRowAndSwitchesOnlyBetweenKinds) {
  Fakes f;
  MainModel model(f.Services());
  EXPECT_EQ(model.CurrentPanel(), MainModel::Panel::kUser);
  const struct {
    int row;
    bool switches;
    MainModel::Panel panel;
  } steps[] = {
      {0, false, MainModel::Panel::kUser},    {2, true, MainModel::Panel::kPresets},
      {3, false, MainModel::Panel::kPresets}, {1, false, MainModel::Panel::kPresets},
      {0, true, MainModel::Panel::kUser},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(model.DivTypeChanged(s.row), s.switches) << s.row;
    EXPECT_EQ(model.CurrentPanel(), s.panel) << s.row;
    EXPECT_EQ(model.Row(), s.row);
  }
  EXPECT_EQ(DivTypeCaptions().at(1), "dane Banku Tolmów");
  EXPECT_EQ(DivTypeCaptions().size(), 4u);
}

// A limit of 0 makes one file of any size: a file that is already larger
// than the default is proposed the default, and the window says why.
TEST(MainModelTest, SizeProbeProposesTheDefaultForALargeFileWithoutLimit) {
  const struct {
    int32_t limit;
    uint64_t bytes;
    int32_t size;
    std::string note;
  } cases[] = {
      {700, 900 * kMB, 700, ""},
      {0, 100 * kMB, 0, kSizeNoLimit},
      {0, 650 * kMB, 0, kSizeNoLimit},
      {0, 650 * kMB + 1, 650, "Plik bez ograniczenia ma 650 MB: proponowane 650 MB."},
      {0, 3000 * kMB, 650, "Plik bez ograniczenia ma 3000 MB: proponowane 650 MB."},
      {2048, 0, 2048, ""},  // the size box refuses it itself
  };
  for (const auto& c : cases) {
    Fakes f;
    f.limit = c.limit;
    f.bytes = c.bytes;
    MainModel model(f.Services());
    EXPECT_EQ(model.DataFileChosen("/baza/opisy.dat"), std::optional<int32_t>(c.size)) << c.bytes;
    EXPECT_EQ(model.SizeNote(), c.note);
    EXPECT_EQ(TypographyFault(model.SizeNote()), "");
  }
  // An empty path probes nothing; a failing probe keeps the note.
  Fakes f;
  MainModel model(f.Services());
  EXPECT_EQ(model.DataFileChosen(""), std::nullopt);
  EXPECT_TRUE(f.probed.empty());
  ASSERT_EQ(model.DataFileChosen("/a.dat"), 0);
  f.probe_fails = true;
  EXPECT_THROW(model.DataFileChosen("/b.dat"), engine::EngineError);
  EXPECT_EQ(model.SizeNote(), kSizeNoLimit);
  // Without a way to learn the file's size nothing is proposed.
  MainServices s = f.Services();
  s.data_bytes = nullptr;
  f.probe_fails = false;
  f.bytes = 5000 * kMB;
  EXPECT_EQ(MainModel(s).DataFileChosen("/c.dat"), 0);
}

TEST(MainModelTest, FieldListIsReplacedOnlyByATableThatOpens) {
  Fakes f;
  MainModel model(f.Services());
  EXPECT_FALSE(model.TableChosen(""));
  f.fields = {"ID", "OpisTop", "Nazwa"};
  EXPECT_TRUE(model.TableChosen("/baza/opisy.dbf"));
  EXPECT_EQ(f.listed, std::vector<std::string>{"/baza|opisy.dbf"});
  EXPECT_EQ(model.FieldNames(), f.fields);
  f.fields_fail = true;
  EXPECT_THROW(model.TableChosen("/inna/zla.dbf"), std::runtime_error);
  EXPECT_EQ(model.FieldNames().size(), 3u);
}

// A database directory holding the tables of the Kadmor preset, with or
// without the version file.
void MakeKadmor(const TempDir& t, bool tables, const char* ini) {
  if (tables) {
    fs::create_directories(t / "kerg");
    std::ofstream(t / "kerg/operdok.dbf") << "x";
  }
  if (ini) {
    fs::create_directories(t / "Admin");
    std::ofstream(t / "Admin/kadmor.ini") << ini;
  }
}

struct Box {
  std::string text;
  int flags;
};

// Which boxes a start shows, in order, and how many jobs it runs. Every
// text shown follows Polish typography.
TEST(MainModelTest, StartAsksBeforeDeletingAndChecksTheFolderBeforeAsking) {
  const std::string kadmor_q = engine::kMsgKadmorQuestion;
  const std::string delete_q = engine::kMsgDeleteQuestion;
  const struct Case {
    const char* name;
    int row;
    bool keep;
    bool tables;
    const char* ini;
    std::vector<int> answers;
    std::vector<std::string> asked;  // Yes/No questions, in order
    size_t jobs;
    std::string error;  // start of the error, "" for none
  } cases[] = {
      {"kept, no question", 0, true, true, nullptr, {}, {}, 1, ""},
      {"deleting asks, No", 0, false, true, nullptr, {7}, {delete_q}, 0, ""},
      {"deleting asks, Yes", 0, false, true, nullptr, {6}, {delete_q}, 1, ""},
      {"old Kadmor, both questions", 3, false, true, nullptr, {6, 6}, {kadmor_q, delete_q}, 8, ""},
      {"old Kadmor, No", 3, true, true, nullptr, {7}, {kadmor_q}, 0, ""},
      {"new Kadmor, no question", 3, true, true, "[WersjaInne]\nVer1=1\nVer2=10\n", {}, {}, 8, ""},
      {"Kadmor folder without tables", 3, true, false, nullptr, {}, {}, 0, "W katalogu "},
      {"Tolm deleting, no tables", 1, false, false, nullptr, {}, {}, 0, "W katalogu "},
  };
  for (const Case& c : cases) {
    TempDir t;
    MakeKadmor(t, c.tables, c.ini);
    Fakes f;
    f.counts.converted = 12;
    f.counts.records_written = 10;
    f.counts.new_files = 2;
    MainModel model(f.Services());
    ScriptedMessageBoxes boxes;
    for (int a : c.answers) boxes.Answer(a);
    RequestEntries e;
    e.DivType = c.row;
    e.DataFN = t / "opisy.dat";
    e.TableFN = t / "opisy.dbf";
    e.FieldName = "OPISTOP";
    e.OldToTemp = e.TolmTmp = c.keep;
    e.TolmDir = t.dir();
    std::string error;
    try {
      model.Start(e);
    } catch (const engine::EngineError& err) {
      error = err.what();
    }
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    EXPECT_EQ(error.empty(), c.error.empty()) << c.name;
    std::vector<std::string> asked;
    for (const auto& b : boxes.shown) {
      if (b.flags == 36) asked.push_back(b.text);
      EXPECT_EQ(TypographyFault(b.text), "") << c.name;
    }
    EXPECT_EQ(asked, c.asked) << c.name;
    EXPECT_EQ(f.jobs.size(), c.jobs) << c.name;
    EXPECT_EQ(TypographyFault(error), "") << c.name;
    // Every completed start ends with one notice giving the counts.
    if (c.jobs > 0) {
      ASSERT_EQ(boxes.shown.size(), asked.size() + 1) << c.name;
      const std::string& done = boxes.shown.back().text;
      EXPECT_NE(done.find("Przepisano adresów: " + std::to_string(12 * c.jobs)), std::string::npos)
          << done;
      EXPECT_EQ(done.find("podzial-cli restore ") != std::string::npos, c.keep) << done;
    }
  }
}

TEST(MainModelTest, EmptyEntriesAreNamedAndAPresetFieldHintsAtTheKind) {
  Fakes f;
  MainModel model(f.Services());
  ScriptedMessageBoxes boxes;
  const struct {
    RequestEntries e;
    std::string message;
  } cases[] = {
      {{}, "Nie wypełniono wszystkich pól: Plik z danymi opisowymi, Tabela, Nazwa pola"},
      {[] {
         RequestEntries e;
         e.DataFN = "/a.dat";
         return e;
       }(),
       "Nie wypełniono wszystkich pól: Tabela, Nazwa pola"},
      {[] {
         RequestEntries e;
         e.DivType = engine::kDivWertal;
         return e;
       }(),
       "Nie wypełniono wszystkich pól: Katalog z bazą"},
  };
  for (const auto& c : cases) {
    try {
      model.Start(c.e);
      ADD_FAILURE() << c.message;
    } catch (const engine::EngineError& err) {
      EXPECT_EQ(err.what(), c.message);
    }
  }
  EXPECT_TRUE(f.jobs.empty());

  TempDir t;
  f.job_error = engine::MsgNoField("Inne", t / "opisy.dbf");
  RequestEntries e;
  e.DivType = engine::kDivWertal;
  e.TolmDir = t.dir();
  try {
    model.Start(e);
    ADD_FAILURE();
  } catch (const engine::EngineError& err) {
    EXPECT_EQ(err.what(), "Brak pola: Inne (tabela " + (t / "opisy.dbf") +
                              "). Czy katalog na pewno zawiera dane programu Wertal?");
    EXPECT_EQ(TypographyFault(err.what()), "");
  }
}

// Rows left to look at make the completion a warning with a button that
// opens their list; other warnings have no list to open.
TEST(MainModelTest, WarningCompletionOffersTheListOfRows) {
  const struct {
    uint64_t dropped;
    const char* list;
    bool press;
    std::string extra;
    std::vector<std::string> opened;
  } cases[] = {
      {0, "", false, "", {}},
      {3, "/baza/old7/nieskopiowane-opisy.dbf.txt", false, kShowListButton, {}},
      {3,
       "/baza/old7/nieskopiowane-opisy.dbf.txt",
       true,
       kShowListButton,
       {"/baza/old7/nieskopiowane-opisy.dbf.txt"}},
  };
  for (const auto& c : cases) {
    Fakes f;
    f.counts.dropped = c.dropped;
    f.dropped_list = c.list;
    MainModel model(f.Services());
    ScriptedMessageBoxes boxes;
    boxes.press_extra = c.press;
    RequestEntries e;
    e.DataFN = "/baza/opisy.dat";
    e.TableFN = "/baza/opisy.dbf";
    e.FieldName = "OPISTOP";
    model.Start(e);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].extra, c.extra);
    EXPECT_EQ(boxes.shown[0].flags, c.dropped ? 48 : 64);
    EXPECT_EQ(f.opened, c.opened);
  }
}

}  // namespace
}  // namespace ui
