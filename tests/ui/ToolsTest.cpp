// The tools of the main window over real files: the preview of a division,
// the backups a real division leaves (described, and one of an older
// version without its description) with their restore, the description
// file read as untrusted input, the check of a description file and an
// interrupted run found and repaired.
#include "ui/Tools.h"

#include <gtest/gtest.h>

#include "engine/BackupInfo.h"
#include "engine/Commit.h"
#include "tests/engine/Databases.h"
#include "ui/Typography.h"

using namespace engine_test;
using testing_util::TempDir;

namespace ui {
namespace {

struct YesDialog : engine::UserDialog {
  int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
  void Inform(const std::string&, const std::string&, int) override {}
};

engine::RequestEntries Tolm(const std::string& dir) {
  engine::RequestEntries e;
  e.DivType = engine::kDivTolm;
  e.TolmDir = dir;
  e.TolmSize = 1;
  return e;
}

void Divide(const engine::RequestEntries& e) {
  YesDialog yes;
  engine::DivisionRequest request(&yes, engine::DividerJobRunner());
  ASSERT_TRUE(request.Run(e).completed);
}

TEST(ToolsTest, PreviewSaysWhatADivisionWouldDoAndWritesNothing) {
  TempDir t;
  Make(SmallTable(t.dir()));
  const Snapshot before = Snap(t.dir());
  YesDialog yes;
  engine::RequestEntries e;
  e.DataFN = t / "opisy.dat";
  e.TableFN = t / "opisy.dbf";
  e.FieldName = "OPISTOP";
  e.Size = 1;
  struct Case {
    engine::RequestEntries entries;
    bool ok;
    std::vector<std::string> says;
  };
  engine::RequestEntries missing = e;
  missing.FieldName.clear();
  engine::RequestEntries wrong_field = e;
  wrong_field.FieldName = "NIEMA";
  const Case cases[] = {
      {e,
       true,
       {"Plan podziału (nic nie zostało zapisane):\n",
        "opisy.dat: ", "potrzebne miejsce na dysku: ", "stare pliki do katalogu kopii: opisy.dbf"}},
      {missing, false, {"Podział nie powiódłby się: Nie wypełniono wszystkich pól"}},
      {wrong_field, false, {"Podział nie powiódłby się: Brak pola: NIEMA"}},
  };
  for (const Case& c : cases) {
    const ToolReport r = PreviewDivision(platform::Env::Default(), &yes, c.entries);
    EXPECT_EQ(r.ok, c.ok) << r.text;
    EXPECT_EQ(r.title, "Podgląd podziału");
    for (const std::string& s : c.says) EXPECT_NE(r.text.find(s), std::string::npos) << r.text;
  }
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
}

TEST(ToolsTest, BackupsNewestFirstDescribedOrNotAndRestoredThroughTheTool) {
  TempDir t;
  const std::string db = t / "db";
  fs::create_directories(db);
  ASSERT_TRUE(demodb::GenerateTolm(db, 1, 7).ok());
  const Snapshot original = Snap(db);
  platform::Env* env = platform::Env::Default();

  // The first division's backup loses its description, as one made by an
  // older version, and its date goes an hour back.
  Divide(Tolm(db));
  std::vector<std::string> olds = Subdirs(db, "old");
  ASSERT_EQ(olds.size(), 1u);
  const std::string older = db + platform::kPathDelim + olds[0];
  ASSERT_TRUE(fs::remove(older + platform::kPathDelim + engine::kBackupInfoName));
  ASSERT_TRUE(test_support::Backdate(older, 3600));
  const Snapshot once = Snap(db);
  Divide(Tolm(db));

  BackupList list = ListBackupsOf(env, db);
  ASSERT_EQ(list.error, "");
  ASSERT_EQ(list.rows.size(), 2u);
  const engine::BackupEntry& newest = list.entries[0];
  EXPECT_TRUE(newest.described);
  EXPECT_EQ(newest.info.version, engine::ProgramVersion());
  EXPECT_EQ(list.rows[0].jobs, "opisy.dbf, opisyv.dbf, dokopisy.dbf");
  EXPECT_EQ(list.rows[0].state, "do przywrócenia");
  ASSERT_EQ(newest.info.jobs.size(), 3u);
  EXPECT_EQ(newest.info.jobs[0].data, "opisy.dat");
  EXPECT_GT(newest.info.jobs[0].rows, 0u);
  EXPECT_LE(newest.info.jobs[0].converted, newest.info.jobs[0].rows);
  uint64_t bytes = 0;
  for (const auto& [name, content] : Snap(newest.dir)) bytes += content.size();
  EXPECT_EQ(newest.bytes, bytes);
  EXPECT_EQ(list.rows[0].size, engine::SizeText(bytes));

  EXPECT_FALSE(list.entries[1].described);
  EXPECT_EQ(list.rows[1].jobs, "dokopisy.dbf, opisy.dbf, opisyv.dbf");
  EXPECT_EQ(list.rows[1].state, "bez opisu (starsza wersja)");
  EXPECT_LT(list.rows[1].date, list.rows[0].date);
  std::string refused;
  const std::string question = RestoreQuestion(env, newest, &refused);
  EXPECT_EQ(refused, "");
  EXPECT_EQ(TypographyFault(question), "");
  EXPECT_NE(question.find("trafią do katalogu " + db + platform::kPathDelim + "new" +
                          newest.name.substr(3) + platform::kPathDelim + "."),
            std::string::npos)
      << question;

  // The newest first: the state after the first division comes back, and
  // the backup keeps its description, now listed as restored.
  ToolReport r = RestoreBackup(env, newest);
  ASSERT_TRUE(r.ok) << r.text;
  EXPECT_EQ(r.text.rfind("Przywrócono dane z katalogu: " + newest.dir, 0), 0u) << r.text;
  std::vector<std::string> new_dirs = Subdirs(db, "new");
  ASSERT_EQ(new_dirs.size(), 1u);
  for (const std::string& d : new_dirs) fs::remove_all(db + platform::kPathDelim + d);
  Snapshot now = Snap(db);
  EXPECT_TRUE(SameFiles(now, once));
  list = ListBackupsOf(env, db);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].state, "przywrócona");
  // Asked again, the restore's own checks refuse before any question.
  EXPECT_EQ(RestoreQuestion(env, list.entries[0], &refused), "");
  EXPECT_NE(refused.find("nie zawiera plików do przywrócenia"), std::string::npos) << refused;
  EXPECT_NE(RestoreBackup(env, list.entries[0]).text.find("nie zawiera plików do przywrócenia"),
            std::string::npos);

  // The older one, without a description, restores the same way.
  r = RestoreBackup(env, list.entries[1]);
  ASSERT_TRUE(r.ok) << r.text;
  for (const std::string& d : Subdirs(db, "new")) fs::remove_all(db + platform::kPathDelim + d);
  EXPECT_TRUE(SameFiles(Snap(db), original));
}

TEST(ToolsTest, ABackupDescriptionThatCannotBeRightIsRefused) {
  TempDir t;
  platform::Env* env = platform::Env::Default();
  engine::BackupInfo good;
  good.date = "2026-03-01 12:30:05";
  good.version = "1.0.0";
  good.jobs.push_back({"kerg/roboty.dbf", "kerg/wytycz.dan", true, 10, 8, 1, 7, 2});
  good.jobs.push_back({"zażółć gęślą.dbf", "zażółć gęślą.dat", true, 0, 0, 0, 0, 1});
  const std::string text = engine::FormatBackupInfo(good);
  auto write = [&](const std::string& content) {
    std::ofstream(t / engine::kBackupInfoName, std::ios::binary) << content;
  };
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = text;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  write(text);
  engine::BackupInfo read;
  std::string error;
  ASSERT_TRUE(engine::ReadBackupInfo(env, t.dir(), &read, &error)) << error;
  EXPECT_EQ(read.date, good.date);
  ASSERT_EQ(read.jobs.size(), 2u);
  EXPECT_EQ(read.jobs[1].table, "zażółć gęślą.dbf");
  EXPECT_EQ(read.jobs[0].records, 7u);
  for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "the file stays ASCII";

  struct Case {
    std::string content;
    std::string says;
  };
  const Case cases[] = {
      {replaced("Zadania=2", "Zadania=0"), "liczba zadań spoza przedziału 1–64"},
      {replaced("Zadania=2", "Zadania=65"), "liczba zadań spoza przedziału"},
      {replaced("Zadania=2", "Zadania=3"), "brak wartości Tabela w sekcji Zadanie3"},
      {replaced("2026-03-01%2012:30:05", "wczoraj"), "data nie ma postaci"},
      {replaced("kerg/roboty.dbf", "../roboty.dbf"), "nieprawidłowa nazwa pliku w sekcji Zadanie1"},
      {replaced("kerg/roboty.dbf", "/etc/passwd"), "nieprawidłowa nazwa pliku"},
      {replaced("kerg/roboty.dbf", "kerg%2Froboty%G1"), "nieprawidłowa wartość Tabela"},
      {replaced("Wiersze=10", "Wiersze=-1"), "nie jest liczbą naturalną"},
      {replaced("Wiersze=10", "Wiersze=99999999999999999999"), "nie jest liczbą naturalną"},
      {replaced("Przepisane=8", "Przepisane=11"), "więcej przepisanych"},
      {replaced("Wersja=1.0.0", "Wersja=" + std::string(41, '1')), "za długi numer wersji"},
      {text + std::string(70000, ';'), "plik jest za duży"},
      {"", "brak wartości Data w sekcji Kopia"},
  };
  for (const Case& c : cases) {
    write(c.content);
    error.clear();
    EXPECT_FALSE(engine::ReadBackupInfo(env, t.dir(), &read, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(TypographyFault(error), "") << error;
  }
}

// Every cut of a description is read whole or refused, never half read.
TEST(ToolsTest, EveryTruncatedDescriptionIsRefusedOrReadWhole) {
  TempDir t;
  engine::BackupInfo info;
  info.date = "2026-03-01 12:30:05";
  info.version = "1.0.0";
  info.jobs.push_back({"opisy.dbf", "opisy.dat", true, 10, 8, 1, 7, 2});
  const std::string text = engine::FormatBackupInfo(info);
  for (size_t n = 0; n < text.size(); ++n) {
    std::ofstream(t / engine::kBackupInfoName, std::ios::binary) << text.substr(0, n);
    engine::BackupInfo read;
    std::string error;
    if (engine::ReadBackupInfo(platform::Env::Default(), t.dir(), &read, &error)) {
      ASSERT_EQ(read.jobs.size(), 1u) << n;
      // Only the last count can lose digits and still be a number.
      EXPECT_EQ(read.jobs[0].table, "opisy.dbf") << n;
    } else {
      EXPECT_NE(error, "") << n;
    }
  }
}

// The description goes to the backup a job used: its own directory, or the
// backup root above it for a preset over several directories; a job that
// kept nothing (handed the backup of an earlier job, its old files deleted),
// or a directory that is no backup, gets none.
TEST(ToolsTest, AJobIsRecordedInTheBackupItUsed) {
  TempDir t;
  platform::Env* env = platform::Env::Default();
  struct Case {
    std::string used_old_dir, table;
    bool ran;
    std::string described_in, recorded_table;
    bool keep_old = true;
    int dropped = 0;
  };
  const Case cases[] = {
      {"old5/", "opisy.dbf", true, "old5", "opisy.dbf"},
      {"old6/kerg/", "kerg/roboty.dbf", true, "old6", "kerg/roboty.dbf"},
      {"old6/zud/", "zud/zud.dbf", true, "old6", "zud/zud.dbf"},
      {"inne/", "opisy.dbf", true, "", ""},
      {"old7/", "opisy.dbf", false, "", ""},
      {"", "opisy.dbf", true, "", ""},
      {"old8/", "opisyv.dbf", true, "", "", false, 0},
      {"old9/", "opisyv.dbf", true, "old9", "opisyv.dbf", false, 2},
  };
  for (const Case& c : cases) {
    if (!c.used_old_dir.empty()) fs::create_directories(t / c.used_old_dir);
    engine::JobReport job;
    job.ran = c.ran;
    job.used_old_dir = c.used_old_dir.empty() ? "" : t / c.used_old_dir;
    job.info.TableFile = t / c.table;
    job.counts.rows = 3;
    job.info.KeepOld = c.keep_old;
    job.counts.dropped = c.dropped;
    EXPECT_EQ(engine::RecordBackupJob(env, job), "") << c.used_old_dir;
    if (c.described_in.empty()) {
      if (!c.used_old_dir.empty()) {
        EXPECT_FALSE(fs::exists(t / c.used_old_dir + engine::kBackupInfoName)) << c.used_old_dir;
      }
      continue;
    }
    engine::BackupInfo read;
    std::string error;
    ASSERT_TRUE(engine::ReadBackupInfo(env, t / c.described_in, &read, &error)) << error;
    EXPECT_EQ(read.jobs.back().table, c.recorded_table);
    EXPECT_EQ(read.jobs.back().rows, 3u);
  }
  engine::BackupInfo kadmor;
  std::string error;
  ASSERT_TRUE(engine::ReadBackupInfo(env, t / "old6", &kadmor, &error));
  EXPECT_EQ(kadmor.jobs.size(), 2u);
}

TEST(ToolsTest, CheckOfADescriptionFileAndOfAFileThatIsNone) {
  TempDir t;
  Make(SmallTable(t.dir()));
  std::ofstream(t / "smieci.dat", std::ios::binary) << "to nie jest plik opisów";
  struct Case {
    std::string file;
    bool ok;
    std::string says;
  };
  const Case cases[] = {
      {t / "opisy.dat", true, "Wynik: plik jest poprawny\n"},
      {t / "smieci.dat", false, "to nie jest plik opisów (nieznany znacznik pliku)"},
      {t / "brak.dat", false, "Błąd: "},
      {"", false, "Nie wybrano pliku opisów."},
  };
  for (const Case& c : cases) {
    const ToolReport r = CheckDescriptionFile(platform::Env::Default(), c.file);
    EXPECT_EQ(r.ok, c.ok) << r.text;
    EXPECT_NE(r.text.find(c.says), std::string::npos) << r.text;
  }
}

TEST(ToolsTest, AnInterruptedRunIsFoundOfferedAndRepaired) {
  TempDir t;
  platform::Env* env = platform::Env::Default();
  const std::string work = t / "kerg/tmp4711.tmp";
  fs::create_directories(work);
  std::ofstream(work + platform::kPathDelim + engine::kWorkLockName) << engine::kLockMark;
  std::ofstream(work + platform::kPathDelim + "opisy.dbf") << "kopia robocza";
  ASSERT_TRUE(test_support::Backdate(work + platform::kPathDelim + engine::kWorkLockName, 3600));

  // A run that still holds its lock is alive: nothing to offer.
  {
    std::unique_ptr<platform::File> held;
    ASSERT_TRUE(env->OpenFile(work + platform::kPathDelim + engine::kWorkLockName,
                              platform::OpenMode::kReadWriteExclusive, &held)
                    .ok());
    EXPECT_TRUE(InterruptedRuns(env, t.dir()).empty());
  }
  const std::vector<std::string> found = InterruptedRuns(env, t.dir());
  ASSERT_EQ(found, std::vector<std::string>{work});
  EXPECT_TRUE(InterruptedRuns(env, t / "kerg").size() == 1u);
  const std::string offer = RecoverOffer(t.dir(), found);
  EXPECT_NE(offer.find(work), std::string::npos);
  EXPECT_EQ(TypographyFault(offer), "");

  const ToolReport r = RecoverFolder(env, t.dir());
  EXPECT_TRUE(r.ok) << r.text;
  EXPECT_FALSE(fs::exists(work));
  EXPECT_TRUE(InterruptedRuns(env, t.dir()).empty());
  EXPECT_NE(RecoverFolder(env, t.dir()).text.find("Brak przerwanych podziałów"), std::string::npos);
  EXPECT_FALSE(RecoverFolder(env, t / "nie-ma").ok);
}

}  // namespace
}  // namespace ui
