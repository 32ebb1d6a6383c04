// The start action without its window, over a recording job runner: which
// jobs a request makes, how the backup directory travels from job to job,
// the Kadmor version question and the completion messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "engine/Common.h"
#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "platform/Path.h"
#include "tests/platform/TempDir.h"

namespace fs = std::filesystem;
using engine::EngineError;
using engine::RequestEntries;
using testing_util::TempDir;

namespace {

// The paths below, written the POSIX way, in this system's spelling.
std::string N(const char* path) {
  return platform::NativeSeparators(path);
}

// Answers questions from a script and records every box.
class ScriptedDialog : public engine::UserDialog {
 public:
  struct Box {
    std::string text, title;
    int flags;
  };
  int answer = engine::kAnswerYes;
  std::vector<Box> asked, informed;
  int Ask(const std::string& text, const std::string& title, int flags) override {
    asked.push_back({text, title, flags});
    return answer;
  }
  void Inform(const std::string& text, const std::string& title, int flags) override {
    informed.push_back({text, title, flags});
  }
};

// Records each job and behaves as the engine does towards the request:
// a job whose table is listed as missing is skipped; otherwise the backup
// directory used is OldDir, or a new one beside the table.
struct FakeJobs {
  std::vector<engine::TDividerInfo> infos;
  std::vector<std::string> old_dirs;
  std::set<std::string> missing;
  std::string fail_table;  // this job raises an error
  std::string note_table;  // this job reports `note`, as a repair it made
  std::string note;
  int made = 0;

  engine::JobRunner Runner() {
    return [this](const engine::TDividerInfo& info, const std::string& OldDir,
                  std::string& UsedOldDir, engine::JobReport& report) {
      infos.push_back(info);
      old_dirs.push_back(OldDir);
      if (info.TableFile == note_table) report.notes.push_back(note);
      if (info.TableFile == fail_table) throw EngineError("Błąd podczas zapisu danych");
      if (missing.count(info.TableFile)) return;
      report.ran = true;
      report.counts.rows = report.counts.converted = 1;
      report.counts.records_written = report.counts.new_files = 1;
      if (!info.KeepOld) {
        UsedOldDir.clear();
      } else if (OldDir.empty()) {
        UsedOldDir = platform::ExtractFilePath(info.TableFile) + "old" + std::to_string(++made) +
                     platform::kPathDelim;
      } else {
        UsedOldDir = engine::IncludeBackslash(OldDir);
      }
    };
  }
};

// The lines every completion adds: the counts, and how to undo.
std::string Counts(int n) {
  const std::string s = std::to_string(n);
  return "\r\nPrzepisano adresów: " + s + ", zapisano rekordów: " + s + ", nowych plików: " + s +
         ".";
}
std::string Undo(const std::string& dir) {
  return "\r\nPodział można cofnąć w oknie programu (Narzędzia, Cofnij podział) albo poleceniem: "
         "podzial-cli restore " +
         dir;
}

RequestEntries Preset(int row, const std::string& dir, bool keep) {
  RequestEntries e;
  e.DivType = row;
  e.TolmDir = dir;
  e.TolmSize = 5;
  e.TolmTmp = keep;
  return e;
}

TEST(DivisionRequestTest, HandPickedJobNeedsAllThreeTextsButBlanksCount) {
  for (int empty = 0; empty < 3; ++empty) {
    RequestEntries e;
    e.DataFN = empty == 0 ? "" : N("/d/a.dat");
    e.TableFN = empty == 1 ? "" : N("/d/a.dbf");
    e.FieldName = empty == 2 ? "" : "ADRES";
    FakeJobs jobs;
    ScriptedDialog dialog;
    engine::DivisionRequest request(&dialog, jobs.Runner());
    try {
      request.Run(e);
      FAIL() << "no error for empty text " << empty;
    } catch (const EngineError& err) {
      const char* names[] = {"Plik z danymi opisowymi", "Tabela", "Nazwa pola"};
      EXPECT_EQ(err.what(), std::string("Nie wypełniono wszystkich pól: ") + names[empty]);
    }
    EXPECT_TRUE(jobs.infos.empty());
    EXPECT_TRUE(dialog.informed.empty());
  }
  RequestEntries e;
  e.DataFN = " ";
  e.TableFN = " ";
  e.FieldName = " ";
  e.Size = 0;
  e.CheckID = false;
  e.OldToTemp = false;
  FakeJobs jobs;
  ScriptedDialog dialog;
  engine::DivisionRequest(&dialog, jobs.Runner()).Run(e);
  ASSERT_EQ(jobs.infos.size(), 1u);
  EXPECT_EQ(jobs.infos[0].TableFile, " ");
  EXPECT_EQ(jobs.infos[0].MaxSize, 0);
  EXPECT_FALSE(jobs.infos[0].CheckID);
  EXPECT_EQ(jobs.old_dirs[0], "");
  ASSERT_EQ(dialog.informed.size(), 1u);
  EXPECT_EQ(dialog.informed[0].text, "Operacja została zakończona" + Counts(1));
  EXPECT_EQ(dialog.informed[0].title, "Informacja");
  EXPECT_EQ(dialog.informed[0].flags, 64);
}

// A job that found nothing to divide is no success: the hand-picked job
// names the missing file, a preset the directory where it found nothing.
TEST(DivisionRequestTest, NothingFoundToDivideIsAnError) {
  struct Case {
    RequestEntries entries;
    std::set<std::string> missing;
    std::string message;
  } cases[] = {
      {{}, {N("/d/a.dbf")}, "Nie znaleziono pliku: " + N("/d/a.dbf")},
      {Preset(2, N("/db"), true),
       {N("/db/opisy.dbf"), N("/db/mopisy.dbf")},
       "W katalogu " + N("/db") + " nie znaleziono żadnej tabeli z plikiem opisów"},
  };
  cases[0].entries.DataFN = N("/d/a.dat");
  cases[0].entries.TableFN = N("/d/a.dbf");
  cases[0].entries.FieldName = "ADRES";
  for (const Case& c : cases) {
    FakeJobs jobs;
    jobs.missing = c.missing;
    ScriptedDialog dialog;
    try {
      engine::DivisionRequest(&dialog, jobs.Runner()).Run(c.entries);
      ADD_FAILURE() << "no error: " << c.message;
    } catch (const EngineError& err) {
      EXPECT_EQ(err.what(), c.message);
    }
    EXPECT_TRUE(dialog.informed.empty());
  }
}

// A job repairs what an earlier run cut short in its directory before it
// looks for its files: the repair is reported also when the files are then
// missing, or when a later job of the preset fails.
TEST(DivisionRequestTest, ARepairIsReportedAlsoForAJobThatFoundNothing) {
  const std::string note = "Dokończono przerwany podział w /db/";
  RequestEntries picked;
  picked.DataFN = N("/db/a.dat");
  picked.TableFN = N("/db/a.dbf");
  picked.FieldName = "ADRES";
  const struct {
    RequestEntries entries;
    std::set<std::string> missing;
    std::string fail;
  } cases[] = {
      {picked, {N("/db/a.dbf")}, ""},
      {Preset(2, N("/db"), true), {N("/db/opisy.dbf"), N("/db/mopisy.dbf")}, ""},
      {Preset(2, N("/db"), true), {N("/db/opisy.dbf")}, ""},
      {Preset(2, N("/db"), true), {N("/db/opisy.dbf")}, N("/db/mopisy.dbf")},
      {Preset(2, N("/db"), true), {}, N("/db/mopisy.dbf")},
  };
  for (const auto& c : cases) {
    FakeJobs jobs;
    jobs.missing = c.missing;
    jobs.fail_table = c.fail;
    jobs.note_table = N(c.entries.DivType == engine::kDivUser ? "/db/a.dbf" : "/db/opisy.dbf");
    jobs.note = note;
    ScriptedDialog dialog;
    std::string text;
    try {
      text = engine::DivisionRequest(&dialog, jobs.Runner()).Run(c.entries).message;
    } catch (const EngineError& err) {
      text = err.what();
    }
    EXPECT_NE(text.find(note), std::string::npos) << text;
  }
}

TEST(DivisionRequestTest, PresetJobsFieldsAndOneSharedBackupDirectory) {
  for (const std::string& dir : {N("/db"), N("/db/")}) {
    FakeJobs jobs;
    ScriptedDialog dialog;
    auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(1, dir, true));
    ASSERT_EQ(jobs.infos.size(), 3u);
    const std::string tables[] = {N("/db/opisy.dbf"), N("/db/opisyv.dbf"), N("/db/dokopisy.dbf")};
    const std::string datas[] = {N("/db/opisy.dat"), N("/db/opisyv.dat"), N("/db/dokopisy.dat")};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(jobs.infos[i].TableFile, tables[i]);
      EXPECT_EQ(jobs.infos[i].DataFile, datas[i]);
      EXPECT_EQ(jobs.infos[i].AddressField, "OpisTop");
      EXPECT_TRUE(jobs.infos[i].CheckID);
      EXPECT_TRUE(jobs.infos[i].KeepOld);
      EXPECT_EQ(jobs.infos[i].MaxSize, 5);
    }
    // The first job makes the backup directory, the others reuse it.
    EXPECT_EQ(jobs.old_dirs, (std::vector<std::string>{"", N("/db/old1/"), N("/db/old1/")}));
    EXPECT_EQ(jobs.made, 1);
    EXPECT_EQ(result.message,
              "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: " +
                  N("/db/old1/") + Counts(3) + Undo(N("/db/old1/")));
  }
}

TEST(DivisionRequestTest, WertalSkipsMissingPairsAndKeepsThePath) {
  FakeJobs jobs;
  jobs.missing.insert(N("/db/opisy.dbf"));
  ScriptedDialog dialog;
  auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(2, N("/db"), true));
  ASSERT_EQ(jobs.infos.size(), 2u);
  EXPECT_EQ(jobs.infos[1].TableFile, N("/db/mopisy.dbf"));
  EXPECT_EQ(jobs.infos[1].AddressField, "Inne");
  EXPECT_EQ(jobs.old_dirs[1], "");  // the skipped first job reported nothing
  EXPECT_EQ(result.backup_path, N("/db/old1/"));
  EXPECT_EQ(result.jobs.size(), 2u);
  EXPECT_FALSE(result.jobs[0].ran);
  EXPECT_EQ(result.total.rows, 1u);
  EXPECT_EQ(result.message,
            "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: " +
                N("/db/old1/") + Counts(1) + Undo(N("/db/old1/")) +
                "\r\nPominięto (brak tabeli lub pliku opisów): " + N("/db/opisy.dbf"));
}

TEST(DivisionRequestTest, KeepOldOffLeavesThePathEmptyThroughout) {
  FakeJobs jobs;
  ScriptedDialog dialog;
  auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(1, N("/db"), false));
  EXPECT_EQ(jobs.old_dirs, (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(result.message, "Operacja została zakończona" + Counts(3));
}

TEST(DivisionRequestTest, AnErrorInTheSecondJobEndsTheRequest) {
  FakeJobs jobs;
  jobs.fail_table = N("/db/opisyv.dbf");
  ScriptedDialog dialog;
  engine::DivisionRequest request(&dialog, jobs.Runner());
  int done = 0;
  request.SetOnJobDone([&](const engine::JobReport&) { ++done; });
  // The error says which job was already divided and where its old files
  // are.
  try {
    request.Run(Preset(1, N("/db"), true));
    ADD_FAILURE() << "no error";
  } catch (const engine::RequestError& err) {
    EXPECT_EQ(err.what(), "Błąd podczas zapisu danych\nWcześniej podzielono: " +
                              N("/db/opisy.dbf") + " (stare pliki w " + N("/db/old1/") + ")");
    ASSERT_EQ(err.committed().size(), 1u);
    EXPECT_EQ(err.committed()[0].info.TableFile, N("/db/opisy.dbf"));
  }
  EXPECT_EQ(jobs.infos.size(), 2u);
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(dialog.informed.empty());
}

// Records what a request tells its window, and when.
struct RequestWindow : engine::ProgressDisplayFactory {
  std::unique_ptr<engine::ProgressDisplay> Create(const std::string& c, int32_t m) override {
    return engine::NullProgress()->Create(c, m);
  }
  void BeginJob(int index, int count, const std::string& table) override {
    seen.push_back(std::to_string(index) + "/" + std::to_string(count) + " " + table);
  }
  void EndRequest() override {
    seen.push_back("end after " + std::to_string(dialog->informed.size()));
  }
  ScriptedDialog* dialog;
  std::vector<std::string> seen;
};

// A preset's jobs are numbered by their place in the list, skipped ones
// too; the window goes before the completion message, and also when a job
// fails.
TEST(DivisionRequestTest, TheWindowHearsOfEachJobAndGoesBeforeTheMessage) {
  struct Case {
    const char* fail;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {"", {"1/3 opisy.dbf", "2/3 opisyv.dbf", "3/3 dokopisy.dbf", "end after 0", "end after 1"}},
      {"/db/opisyv.dbf", {"1/3 opisy.dbf", "2/3 opisyv.dbf", "end after 0"}},
  };
  for (const Case& c : cases) {
    FakeJobs jobs;
    jobs.missing.insert(N("/db/opisyv.dbf"));
    if (*c.fail) jobs.fail_table = N(c.fail);
    ScriptedDialog dialog;
    RequestWindow window;
    window.dialog = &dialog;
    engine::DivisionRequest request(&dialog, jobs.Runner());
    request.SetProgress(&window);
    try {
      request.Run(Preset(1, N("/db"), true));
    } catch (const EngineError&) {
      EXPECT_NE(*c.fail, '\0');
    }
    EXPECT_EQ(window.seen, c.seen) << c.fail;
  }
  FakeJobs jobs;
  ScriptedDialog dialog;
  RequestWindow window;
  window.dialog = &dialog;
  engine::DivisionRequest request(&dialog, jobs.Runner());
  request.SetProgress(&window);
  RequestEntries e;
  e.DataFN = N("/d/a.dat");
  e.TableFN = N("/d/a.dbf");
  e.FieldName = "ADRES";
  request.Run(e);
  EXPECT_EQ(window.seen,
            std::vector<std::string>({"1/1 " + N("/d/a.dbf"), "end after 0", "end after 1"}));
}

TEST(DivisionRequestTest, PresetWithEmptyDirectoryIsRefused) {
  FakeJobs jobs;
  ScriptedDialog dialog;
  EXPECT_THROW(engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(3, "", true)),
               EngineError);
  EXPECT_TRUE(jobs.infos.empty());
  EXPECT_TRUE(dialog.asked.empty());
}

void WriteIni(const TempDir& t, const std::string& rel, const std::string& text) {
  fs::create_directories(fs::path(t / rel).parent_path());
  std::ofstream(t / rel, std::ios::binary) << text;
}

TEST(KadmorVersionTest, QuestionMatrix) {
  struct Case {
    const char* ini;  // null: no file
    bool asks;
  } cases[] = {
      {"[WersjaInne]\nVer1=0\nVer2=99\n", true},
      {"[WersjaInne]\nVer1=1\nVer2=0\n", true},
      {"[WersjaInne]\nVer1=1\nVer2=9\n", true},
      {nullptr, true},
      {"[WersjaInne]\nVer1=1\nVer2=10\n", false},
      {"[WersjaInne]\nVer1=1\nVer2=25\n", false},
      {"[WersjaInne]\nVer1=2\nVer2=0\n", false},
      {"[Inna]\nVer1=2\n", true},                          // wrong section: defaults
      {"[WersjaInne]\nVer1=2x\nVer2=5\n", true},           // not an integer: 1
      {"[WersjaInne]\nVer1=1\nVer2=-5\n", true},           // signed comparison
      {"[WersjaInne]\nVer2=10\n", false},                  // Ver1 defaults to 1
      {"[WersjaInne]\nVer1=1\nVer2=10\nVer2=3\n", false},  // first key wins
      {"[WersjaInne]\nVer1=99999999999\nVer2=0\n", true},  // beyond 32 bits
      {"\xEF\xBB\xBF[wersjainne]\r\nVER1 = 1\r\nver2=$0A\r\n", false},
  };
  for (const Case& c : cases) {
    TempDir t;
    if (c.ini) WriteIni(t, "Admin/kadmor.ini", c.ini);
    EXPECT_EQ(engine::KadmorNeedsQuestion(engine::ReadKadmorVersion(t.dir())), c.asks)
        << (c.ini ? c.ini : "(no file)");
  }
}

TEST(KadmorVersionTest, FileNamesIgnoreLetterCase) {
  TempDir t;
  WriteIni(t, "ADMIN/KADMOR.INI", "[WERSJAINNE]\nver1=1\nVER2=10\n");
  auto v = engine::ReadKadmorVersion(t.dir());
  EXPECT_EQ(v.Ver1, 1);
  EXPECT_EQ(v.Ver2, 10);
}

TEST(KadmorRequestTest, AnsweringNoEndsSilently) {
  TempDir t;
  WriteIni(t, "Admin/kadmor.ini", "[WersjaInne]\nVer1=1\nVer2=9\n");
  WriteIni(t, "zud/zud.dbf", "");
  FakeJobs jobs;
  ScriptedDialog dialog;
  dialog.answer = 7;
  auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(3, t.dir(), true));
  EXPECT_FALSE(result.completed);
  ASSERT_EQ(dialog.asked.size(), 1u);
  EXPECT_EQ(dialog.asked[0].text,
            "Wybrana baza była używana przez program Kadmor w wersji mniejszej niż 1.10, który "
            "nie obsługuje podzielonych plików. Kontynuować podział?");
  EXPECT_EQ(dialog.asked[0].title, "");
  EXPECT_EQ(dialog.asked[0].flags, 36);
  EXPECT_TRUE(jobs.infos.empty());
  EXPECT_TRUE(dialog.informed.empty());
  for (const auto& entry : fs::directory_iterator(t.dir()))  // nothing made
    EXPECT_TRUE(entry.path().filename() == "Admin" || entry.path().filename() == "zud");
}

TEST(KadmorRequestTest, BackupSubdirectoriesUnderOneRoot) {
  TempDir t;
  WriteIni(t, "Admin/kadmor.ini", "[WersjaInne]\nVer1=1\nVer2=10\n");
  FakeJobs jobs;
  ScriptedDialog dialog;
  auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(3, t.dir(), true));
  EXPECT_TRUE(dialog.asked.empty());
  ASSERT_EQ(jobs.infos.size(), 8u);
  const std::string root = result.backup_path;
  ASSERT_EQ(root.rfind(t / "old", 0), 0u) << root;
  EXPECT_FALSE(platform::IsPathDelim(root.back()));
  EXPECT_FALSE(fs::exists(root));  // chosen, not made, by the request
  const char* subdirs[] = {"oper_bu", "oper_pr", "oper_prz", "szkice",
                           "kerg",    "kerg",    "zud",      "zud"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(jobs.infos[i].AddressField, "Adres");
    EXPECT_FALSE(jobs.infos[i].CheckID);
    EXPECT_EQ(jobs.old_dirs[i], root + platform::kPathDelim + subdirs[i]) << i;
  }
  EXPECT_EQ(jobs.infos[5].TableFile, t / "kerg/roboty.dbf");
  EXPECT_EQ(jobs.infos[5].DataFile, t / "kerg/wytycz.dan");
  EXPECT_EQ(jobs.infos[7].DataFile, t / "zud/opinia.dan");
  EXPECT_EQ(result.message,
            "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: " +
                root + Counts(8) + Undo(root));
}

TEST(KadmorRequestTest, KeepOldOffShowsThePlainMessage) {
  TempDir t;
  WriteIni(t, "kerg/roboty.dbf", "");
  FakeJobs jobs;
  ScriptedDialog dialog;  // answers Yes to the question a missing ini asks
  auto result = engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(3, t.dir(), false));
  EXPECT_EQ(dialog.asked.size(), 1u);
  EXPECT_EQ(jobs.infos.size(), 8u);
  EXPECT_EQ(result.message, "Operacja została zakończona" + Counts(8));
}

// The version question is about a database: a folder that holds none of
// the preset's tables is refused before it is asked.
TEST(KadmorRequestTest, AFolderWithoutTablesIsRefusedBeforeTheQuestion) {
  TempDir t;
  FakeJobs jobs;
  ScriptedDialog dialog;
  EXPECT_THROW(engine::DivisionRequest(&dialog, jobs.Runner()).Run(Preset(3, t.dir(), true)),
               EngineError);
  EXPECT_TRUE(dialog.asked.empty());
  EXPECT_TRUE(jobs.infos.empty());
}

}  // namespace
