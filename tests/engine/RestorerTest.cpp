// Undo of a kept division on hand-made directory trees: what goes where,
// what is refused before anything moves, and where files are after a
// failed move.
#include "engine/Restorer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "dbase/Table.h"
#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "engine/Recovery.h"
#include "platform/Path.h"
#include "tests/engine/Databases.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"
#include "tools/demodb/DemoDatabase.h"

namespace {

namespace fs = std::filesystem;
using engine::EngineError;
using engine::RestorePlan;
using engine::Restorer;
using engine_test::TolmLayout;

void Write(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every regular file below dir, by path relative to dir (with '/'), with
// its content.
std::map<std::string, std::string> Tree(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file())
      out[fs::relative(e.path(), dir).generic_string()] = Read(e.path().string());
  }
  return out;
}

// The one directory in dir whose name starts with prefix.
std::string FindDir(const std::string& dir, const std::string& prefix) {
  std::string found;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_directory() && name.rfind(prefix, 0) == 0) {
      EXPECT_TRUE(found.empty()) << "more than one " << prefix << " directory";
      found = e.path().string() + platform::kPathDelim;
    }
  }
  return found;
}

TEST(RestorerTest, TolmBackupComesBackAndDividedFilesAreKept) {
  TolmLayout t;
  const auto old_files = Tree(t.backup);
  Restorer restorer;
  RestorePlan plan = restorer.Prepare(t.backup);
  ASSERT_EQ(plan.groups.size(), 1u);
  std::vector<engine::RestoreMove> moves;
  restorer.Restore(plan, [&](const engine::RestoreMove& m) { moves.push_back(m); });

  for (const auto& [name, content] : old_files) EXPECT_EQ(Read(t.db + name), content) << name;
  const std::string new_dir = FindDir(t.db, "new");
  ASSERT_FALSE(new_dir.empty());
  std::map<std::string, std::string> expected_new = {
      {"opisy.dbf", "new table"},          {"opisy.mdx", "new index"},
      {"opisy.dat", "RAS1 new base"},      {"opisy.001", "new continuation 1"},
      {"opisy.002", "new continuation 2"}, {"opisyv.dbf", "new table v"},
      {"opisyv.dat", "RAS1 new v"}};
  EXPECT_EQ(Tree(new_dir), expected_new);
  EXPECT_EQ(Read(t.db + "inne.dbf"), "not part of the division");
  EXPECT_FALSE(fs::exists(t.db + "opisy.001"));
  EXPECT_FALSE(fs::exists(t.backup)) << "the emptied backup stays behind";
  EXPECT_EQ(moves.size(), expected_new.size() + old_files.size());
}

TEST(RestorerTest, KadmorRootRestoresEachSubdirectoryIntoItsNamesake) {
  testing_util::TempDir tmp;
  const std::string db = tmp.dir(), root = db + "old4711/";
  for (const std::string sub : {"kerg", "zud"}) {
    Write(db + sub + "/operdok.dbf", "new " + sub);
    Write(db + sub + "/rastry.dan", "RAS1 new " + sub);
    Write(db + sub + "/rastry.001", "new cont " + sub);
    Write(root + sub + "/operdok.dbf", "old " + sub);
    Write(root + sub + "/rastry.dan", "RAS1 old " + sub);
    Write(root + sub + "/rastry.001", "old cont " + sub);
  }
  Write(db + "kerg/roboty.dbf", "new roboty");
  Write(db + "kerg/wytycz.dan", "RAS1 new wytycz");
  Write(root + "kerg/roboty.dbf", "old roboty");
  Write(root + "kerg/wytycz.dan", "RAS0 old wytycz");
  Write(db + "szkice/operdok.dbf", "untouched: this job was skipped");

  Restorer restorer;
  RestorePlan plan = restorer.Prepare(root);
  ASSERT_EQ(plan.groups.size(), 2u);
  restorer.Restore(plan);

  EXPECT_EQ(Read(db + "kerg/operdok.dbf"), "old kerg");
  EXPECT_EQ(Read(db + "kerg/rastry.001"), "old cont kerg");
  EXPECT_EQ(Read(db + "kerg/wytycz.dan"), "RAS0 old wytycz");
  EXPECT_EQ(Read(db + "zud/rastry.dan"), "RAS1 old zud");
  EXPECT_EQ(Read(db + "szkice/operdok.dbf"), "untouched: this job was skipped");
  const std::string kerg_new = FindDir(db + "kerg/", "new");
  ASSERT_FALSE(kerg_new.empty());
  EXPECT_EQ(Read(kerg_new + "roboty.dbf"), "new roboty");
  EXPECT_EQ(Read(kerg_new + "rastry.001"), "new cont kerg");
  EXPECT_EQ(Read(FindDir(db + "zud/", "new") + "operdok.dbf"), "new zud");
  EXPECT_FALSE(fs::exists(root));
}

// A restore of several directories that failed in one of them is run
// again: the directories restored before hold only their lists of rows
// not copied, and are passed over.
TEST(RestorerTest, ARestoreCutShortBetweenDirectoriesRunsAgain) {
  testing_util::TempDir tmp;
  const std::string db = tmp.dir(), root = db + "old4711/";
  for (const std::string sub : {"kerg", "zud"}) {
    Write(db + sub + "/operdok.dbf", "new " + sub);
    Write(db + sub + "/rastry.dan", "RAS1 new " + sub);
    Write(root + sub + "/operdok.dbf", "old " + sub);
    Write(root + sub + "/rastry.dan", "RAS1 old " + sub);
    Write(root + sub + "/nieskopiowane-operdok.dbf.txt", "lista");
  }
  test_support::FaultEnv env;  // the first move in zud
  env.Fail(test_support::FaultEnv::kMove, 1, false,
           "zud" + std::string(1, platform::kPathDelim) + "operdok.dbf");
  Restorer failing(&env);
  EXPECT_THROW(failing.Restore(failing.Prepare(root)), EngineError);
  EXPECT_EQ(Read(db + "kerg/operdok.dbf"), "old kerg");
  EXPECT_EQ(Read(db + "zud/operdok.dbf"), "new zud");
  Restorer again;
  const RestorePlan plan = again.Prepare(root);
  ASSERT_EQ(plan.groups.size(), 1u);
  again.Restore(plan);
  EXPECT_EQ(Read(db + "zud/operdok.dbf"), "old zud");
  EXPECT_EQ(Read(root + "kerg/nieskopiowane-operdok.dbf.txt"), "lista");
}

TEST(RestorerTest, LetterCaseOfTheCurrentNamesDoesNotMatter) {
  TolmLayout t;
  fs::rename(t.db + "opisy.dat", t.db + "OPISY.DAT");
  fs::rename(t.db + "opisy.001", t.db + "OPISY.001");
  Restorer restorer;
  restorer.Restore(restorer.Prepare(t.backup));
  EXPECT_EQ(Read(t.db + "opisy.dat"), "RAS0 old base");
#ifndef _WIN32  // one file on Windows, whatever the spelling
  EXPECT_FALSE(fs::exists(t.db + "OPISY.DAT"));
#endif
  const std::string new_dir = FindDir(t.db, "new");
  EXPECT_EQ(Read(new_dir + "OPISY.DAT"), "RAS1 new base");
  EXPECT_EQ(Read(new_dir + "OPISY.001"), "new continuation 1");
}

// Every refusal happens before anything moves.
TEST(RestorerTest, RefusesCleanlyBeforeMovingAnything) {
  {
    // A backup of tables without any description file (a copy made by
    // hand, a crash's leftovers): the tables would point into new files.
    TolmLayout t;
    fs::remove(t.backup + "opisy.dat");
    fs::remove(t.backup + "opisyv.dat");
    const auto before = Tree(t.db);
    EXPECT_THROW(Restorer().Prepare(t.backup), EngineError);
    EXPECT_EQ(Tree(t.db), before);
  }
  {
    // A division or restore running, or cut short, in the directory: its
    // files are not where the restore would look for them.
    TolmLayout t;
    fs::create_directories(t.db + "tmp42.tmp");
    const auto before = Tree(t.db);
    try {
      Restorer().Prepare(t.backup);
      FAIL() << "a working directory was not noticed";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("podzial-cli recover " + t.db), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(Tree(t.db), before);
  }
  {
    TolmLayout t;
    const auto before = Tree(t.db);
    // Somebody has the divided table open.
    std::unique_ptr<platform::File> held;
    ASSERT_TRUE(platform::Env::Default()
                    ->OpenFile(t.db + "opisyv.dbf", platform::OpenMode::kReadOnlyShared, &held)
                    .ok());
    Restorer restorer;
    try {
      restorer.Prepare(t.backup);
      FAIL() << "an open table was not noticed";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("używany przez inny program"), std::string::npos);
      EXPECT_NE(std::string(e.what()).find("opisyv.dbf"), std::string::npos);
    }
    EXPECT_EQ(Tree(t.db), before);
  }
  {
    TolmLayout t;
    fs::create_directory(t.db + "opisy.txt");  // a directory where an old file must go
    EXPECT_THROW(Restorer().Prepare(t.backup), EngineError);
  }
  {
    TolmLayout t;
    fs::rename(t.backup, t.db + "kopia");  // not a name a division gives
    EXPECT_THROW(Restorer().Prepare(t.db + "kopia"), EngineError);
    EXPECT_THROW(Restorer().Prepare(t.db + "old999"), EngineError);  // missing
  }
  {
    testing_util::TempDir tmp;
    Write(tmp.dir() + "old1/oper_bu/operdok.dbf", "old");  // its database subdirectory is gone
    EXPECT_THROW(Restorer().Prepare(tmp.dir() + "old1"), EngineError);
    fs::create_directories(tmp.dir() + "old2");
    EXPECT_THROW(Restorer().Prepare(tmp.dir() + "old2"), EngineError);  // empty
  }
}

// A restore exchanges the files as a division does: a move that fails is
// undone, and the files are where they were, also when the tables move
// first and last.
TEST(RestorerTest, AFailedMoveIsUndoneAndSaysSo) {
  // 7 current files go aside, then 6 old ones come back: fail in each phase.
  for (int fail_at : {1, 4, 8, 13}) {
    SCOPED_TRACE(fail_at);
    TolmLayout t;
    const auto before = Tree(t.db);
    test_support::FaultEnv env;
    env.Fail(test_support::FaultEnv::kMove, fail_at);
    Restorer restorer(&env);
    RestorePlan plan = restorer.Prepare(t.backup);
    try {
      restorer.Restore(plan);
      FAIL();
    } catch (const EngineError& e) {
      const std::string msg = e.what();
      EXPECT_EQ(msg.rfind("Przywracanie przerwane", 0), 0u) << msg;
      EXPECT_NE(msg.find("Nic nie zostało zmienione"), std::string::npos) << msg;
      EXPECT_NE(msg.find("injected"), std::string::npos) << msg;
    }
    EXPECT_EQ(Tree(t.db), before);
    EXPECT_TRUE(FindDir(t.db, "tmp").empty());
    EXPECT_TRUE(FindDir(t.db, "new").empty());
  }
}

#ifndef _WIN32
// Killed at every operation of a restore, then recovered as `recover`
// does: each directory holds its files as before the restore, or as after
// it, and every file is there once. Restores into the directory the backup lies in, into
// one where none of the backup's names are taken, and from a preset's
// backup root into the directories beside it.
TEST(RestorerTest, KilledAtEveryStepThenRecovered) {
  const struct {
    const char* name;
    // Writes the database into db and gives the backup to restore.
    std::function<std::string(const std::string& db)> make;
    std::vector<std::string> dirs;  // restored one by one
  } layouts[] = {{"beside the table",
                  [](const std::string& db) {
                    TolmLayout::Write(db);
                    return db + "old123/";
                  },
                  {""}},
                 {"nothing to put aside",
                  [](const std::string& db) {
                    Write(db + "inne.dbf", "not part of the division");
                    Write(db + "old5/opisy.dbf", "old table");
                    Write(db + "old5/opisy.dat", "RAS0 old base");
                    return db + "old5/";
                  },
                  {""}},
                 {"a preset's backup root",
                  [](const std::string& db) {
                    for (const std::string sub : {"kerg", "zud"}) {
                      Write(db + sub + "/operdok.dbf", "new " + sub);
                      Write(db + sub + "/rastry.dan", "RAS1 new " + sub);
                      Write(db + "old9/" + sub + "/operdok.dbf", "old " + sub);
                      Write(db + "old9/" + sub + "/rastry.dan", "RAS1 old " + sub);
                    }
                    return db + "old9/";
                  },
                  {"kerg", "zud"}}};
  // What a directory holds, with its part of the backup.
  auto state = [](const std::string& db, const std::string& backup, const std::string& dir) {
    if (dir.empty()) return Tree(db);
    auto files = Tree(db + dir);
    if (fs::exists(backup + dir)) {
      for (const auto& [name, content] : Tree(backup + dir)) files["kopia/" + name] = content;
    }
    return files;
  };
  auto contents = [](const std::map<std::string, std::string>& tree) {
    std::multiset<std::string> c;
    for (const auto& [name, content] : tree) c.insert(content);
    return c;
  };
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.name);
    std::map<std::string, std::map<std::string, std::string>> before, after;
    std::multiset<std::string> files;
    int64_t total = 0;
    {
      testing_util::TempDir t;
      const std::string backup = layout.make(t.dir());
      for (const auto& d : layout.dirs) before[d] = state(t.dir(), backup, d);
      files = contents(Tree(t.dir()));
      test_support::FaultEnv env;
      Restorer restorer(&env);
      restorer.Restore(restorer.Prepare(backup));
      total = env.count();
      for (const auto& d : layout.dirs) after[d] = state(t.dir(), backup, d);
    }
    ASSERT_GT(total, 10);
    for (int64_t k = 1; k <= total; ++k) {
      SCOPED_TRACE("killed at operation " + std::to_string(k) + " of " + std::to_string(total));
      testing_util::TempDir t;
      const std::string backup = layout.make(t.dir());
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        test_support::FaultEnv env(k);
        env.at_fail = [] { raise(SIGKILL); };
        try {
          Restorer restorer(&env);
          restorer.Restore(restorer.Prepare(backup));
        } catch (...) {
        }
        _exit(0);
      }
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFSIGNALED(status));
      engine::RecoveryReport r = engine::RecoverDatabase(platform::Env::Default(), t.dir());
      EXPECT_TRUE(r.failed.empty()) << r.failed[0];
      // A run killed before it held its lock, or while removing its
      // directory, looks like one starting: it is left for a minute.
      std::vector<std::string> work;
      for (const auto& e : fs::recursive_directory_iterator(t.dir())) {
        if (e.is_directory() && e.path().filename().string().rfind("tmp", 0) == 0) {
          work.push_back(e.path().parent_path().string());
        }
      }
      if (!work.empty()) {
        EXPECT_TRUE(r.done.empty()) << r.done[0];
        for (const auto& dir : work) engine_test::AgeWorkDirs(dir, 120);
        r = engine::RecoverDatabase(platform::Env::Default(), t.dir());
        EXPECT_TRUE(r.failed.empty()) << r.failed[0];
      }
      for (const auto& d : layout.dirs) {
        const auto now = state(t.dir(), backup, d);
        EXPECT_TRUE(now == before[d] || now == after[d])
            << d << ": " << (r.done.empty() ? "" : r.done[0]);
      }
      EXPECT_EQ(contents(Tree(t.dir())), files) << "a file lost or doubled";
      for (const auto& e : fs::recursive_directory_iterator(t.dir())) {
        EXPECT_NE(e.path().filename().string().rfind("tmp", 0), 0u) << e.path();
      }
    }
  }
}
#endif

// Real divisions of generated databases, undone.
struct YesDialog : engine::UserDialog {
  int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
  void Inform(const std::string&, const std::string&, int) override {}
};

engine::RequestResult RunPreset(int div_type, const std::string& db) {
  engine::RequestEntries e;
  e.DivType = div_type;
  e.TolmDir = db;
  e.TolmSize = 1;
  e.TolmTmp = true;
  YesDialog dialog;
  engine::DivisionRequest request(&dialog, engine::DividerJobRunner());
  return request.Run(e);
}

TEST(RestorerTest, TolmPresetDivisionIsUndoneByteForByte) {
  testing_util::TempDir tmp;
  const std::string db = tmp.dir();
  ASSERT_TRUE(demodb::GenerateTolm(db, 3, 7).ok());
  const auto before = Tree(db);
  engine::RequestResult r = RunPreset(engine::kDivTolm, db);
  ASSERT_TRUE(r.completed);
  // The divided files, as the division left them.
  std::map<std::string, std::string> divided;
  for (const auto& [name, content] : Tree(db)) {
    if (name.find('/') == std::string::npos) divided[name] = content;
  }
  ASSERT_NE(divided, before);

  // Somebody has a divided table open: refused, nothing moves.
  {
    dbase::Table open_elsewhere;
    open_elsewhere.SetDatabaseName(tmp.dir().substr(0, db.size() - 1));
    open_elsewhere.SetTableName("dokopisy.dbf");
    ASSERT_TRUE(open_elsewhere.Open().ok());
    const auto held = Tree(db);
    EXPECT_THROW(Restorer().Prepare(r.backup_path), EngineError);
    EXPECT_EQ(Tree(db), held);
  }

  Restorer restorer;
  restorer.Restore(restorer.Prepare(r.backup_path));
  std::map<std::string, std::string> now, kept;
  const std::string new_dir = FindDir(db, "new");
  ASSERT_FALSE(new_dir.empty());
  for (const auto& [name, content] : Tree(db)) {
    if (name.find('/') == std::string::npos) now[name] = content;
  }
  EXPECT_EQ(now, before) << "old files not back byte for byte";
  EXPECT_EQ(Tree(new_dir), divided) << "divided files not kept";
}

TEST(RestorerTest, KadmorPresetDivisionIsUndoneByteForByte) {
  testing_util::TempDir tmp;
  const std::string db = tmp.dir();
  Write(db + "Admin/kadmor.ini", "[WersjaInne]\nVer1=1\nVer2=10\n");
  uint64_t seed = 20;
  for (const auto& pair : engine::PresetPairs(engine::kDivKadmor)) {
    const std::string table = pair.TablePath, data = pair.DataPath;
    if (table.rfind("szkice", 0) == 0) continue;  // a job the division skips
    const std::string sub = table.substr(0, table.find('/'));
    fs::create_directories(db + sub);
    demodb::TableOptions o;
    o.dir = db + sub;
    o.table_name = table.substr(table.find('/') + 1);
    o.data_name = data.substr(data.find('/') + 1);
    o.address_field = "ADRES";
    o.rows = 40;
    o.mean_record = 30000;
    o.seed = ++seed;
    demodb::Generated g;
    ASSERT_TRUE(demodb::GenerateTable(o, &g).ok()) << table;
  }
  const auto before = Tree(db);
  engine::RequestResult r = RunPreset(engine::kDivKadmor, db);
  ASSERT_TRUE(r.completed);
  ASSERT_NE(Tree(db), before);

  Restorer restorer;
  RestorePlan plan = restorer.Prepare(r.backup_path);
  EXPECT_EQ(plan.groups.size(), 5u);  // oper_bu, oper_pr, oper_prz, kerg, zud
  restorer.Restore(plan);
  std::map<std::string, std::string> now;
  size_t kept = 0;  // lists and the description left in the backup
  for (const auto& [name, content] : Tree(db)) {
    // Leave out the "new" directories that hold the divided files, and the
    // lists of references not copied and the backup's description, which
    // stay in the backup.
    if (name.find("/nieskopiowane-") != std::string::npos ||
        name.find("/podzial-kopia.ini") != std::string::npos) {
      ++kept;
    } else if (name.find("/new") == std::string::npos) {
      now[name] = content;
    }
  }
  EXPECT_TRUE(now == before) << "old files not back byte for byte";
  for (const std::string sub : {"oper_bu", "kerg", "zud"}) {
    const std::string new_dir = FindDir(db + sub + "/", "new");
    ASSERT_FALSE(new_dir.empty()) << sub;
    EXPECT_TRUE(fs::exists(new_dir + "operdok.dbf")) << sub;
  }
  EXPECT_EQ(fs::exists(r.backup_path), kept > 0);
}

}  // namespace
