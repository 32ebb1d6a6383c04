// Every operation of a division on the file system fails in turn (opens,
// copies, renames, links, deletes, listings, rights, reads, writes,
// flushes, the journal's own writes), on a local disk and on a share that
// refuses the rename flag or links. After each failure, and after the
// recovery the next run makes, the user's data is complete: the old files
// in place, or the new files in place with the old ones kept as asked.
// A kill at every step of the commit, followed by the recovery, gives the
// same.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>

#include "engine/Commit.h"
#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "engine/Recovery.h"
#include "platform/Path.h"
#include "tests/engine/Databases.h"
#include "tests/support/FaultEnv.h"

using namespace engine_test;
using test_support::FaultEnv;
using testing_util::TempDir;

namespace {

void CopyFiles(const Snapshot& files, const std::string& dir) {
  for (const auto& [name, bytes] : files) std::ofstream(dir + name, std::ios::binary) << bytes;
}

struct Mode {
  const char* name;
  bool keep;          // the user keeps the old files
  double dangling;    // share of rows whose reference cannot be copied
  double marker;      // share of rows with the "ID" marker, keeping their record
  bool refuse_flags;  // a share without the no-replace rename flag
  bool refuse_links;  // ... and without hard links
};

const Mode kModes[] = {
    {"keep", true, 0.06, 0.06, false, false},
    {"delete", false, 0, 0, false, false},
    {"delete, references not copied", false, 0.06, 0, false, false},
    {"delete, marker rows keep old records", false, 0, 0.06, false, false},
    {"share, keep", true, 0, 0, true, false},
    {"share without links, delete", false, 0, 0, true, true},
};

// A table with a memo file whose description file needs two files of 1 MB.
Snapshot MakeModel(const std::string& dir, const Mode& m, double compressed) {
  auto o = SmallTable(dir, 40);
  o.with_dbt = true;
  o.mean_record = 30000;
  o.raster = 1.0;
  o.compressed = compressed;
  o.dangling = m.dangling;
  o.marker = m.marker;
  Make(o);
  return Snap(dir);
}

void AsShare(FaultEnv& env, const Mode& m) {
  env.refuse_rename_flags = m.refuse_flags;
  env.refuse_links = m.refuse_links;
}

// The state a run (and the recovery after it) may leave: the table's
// directory holds exactly the old files or exactly the new ones; with the
// new ones, the old files are in the one backup directory when they had to
// be kept; no working directory is left.
void ExpectComplete(const std::string& dir, const Snapshot& old_files, const Snapshot& new_files,
                    bool kept) {
  const Snapshot now = Snap(dir);
  EXPECT_TRUE(Subdirs(dir, "tmp").empty()) << "working directory left";
  EXPECT_TRUE(Subdirs(dir, "new").empty());
  const auto olds = Subdirs(dir, "old");
  if (SameFiles(now, old_files)) {
    for (const auto& o : olds) EXPECT_TRUE(OldFilesIn(dir + o + "/").empty()) << o;
    return;
  }
  EXPECT_TRUE(SameFiles(now, new_files)) << "neither the old nor the new files in place";
  if (kept) {
    ASSERT_EQ(olds.size(), 1u);
    EXPECT_TRUE(SameFiles(OldFilesIn(dir + olds[0] + "/"), old_files));
  } else {
    EXPECT_TRUE(olds.empty());
  }
}

// Every file a message places ("Stare pliki: a, b w D; c w E.") is there.
testing::AssertionResult PlacedRight(const std::string& message) {
  std::string wrong;
  std::istringstream in(message);
  for (std::string line; std::getline(in, line);) {
    for (const std::string head : {"Stare pliki: ", "Nowe pliki: "}) {
      if (line.rfind(head, 0) != 0 || line.back() != '.') continue;
      const std::string body = line.substr(head.size(), line.size() - head.size() - 1);
      for (size_t from = 0; from < body.size();) {
        const size_t end = std::min(body.find("; ", from), body.size());
        const std::string part = body.substr(from, end - from);
        from = end + 2;
        const size_t w = part.rfind(" w ");
        if (w == std::string::npos) continue;  // none
        const std::string dir = part.substr(w + 3), names = part.substr(0, w) + ", ";
        for (size_t n = 0, comma; (comma = names.find(", ", n)) != std::string::npos;
             n = comma + 2) {
          const std::string path = dir + names.substr(n, comma - n);
          if (!fs::exists(path)) wrong += " " + path;
        }
      }
    }
  }
  if (wrong.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "not there:" << wrong;
}

void RunAllFaults(const Mode& m) {
  SCOPED_TRACE(m.name);
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.2);

  // The undisturbed run: how many operations, and the new files.
  Snapshot new_files;
  int64_t total = 0;
  bool kept = m.keep;
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    FaultEnv env;
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    kept = m.keep || d.Counts().OldFilesNeeded();
    EXPECT_EQ(d.Counts().dropped > 0, m.dangling > 0);
    EXPECT_EQ(d.Counts().marker_kept > 0, m.marker > 0);
    EXPECT_TRUE(d.Notes().empty());
    EXPECT_TRUE(d.Warnings().empty());
    // No flush per record: each new file once, then the directories.
    std::set<std::string> flushed;
    int flushes = 0;
    for (int64_t n = 1; n <= total; ++n) {
      const std::string& w = env.what(n);
      if (w.rfind("flush ", 0) == 0) {
        ++flushes;
        flushed.insert(fs::path(w.substr(6)).filename().string());
      } else if (w.rfind("sync ", 0) == 0) {
        ++flushes;
      }
    }
    for (const auto& e : fs::directory_iterator(t.dir())) {
      if (e.is_regular_file()) {
        EXPECT_TRUE(flushed.count(e.path().filename().string()));
      }
    }
    EXPECT_LE(flushes, 2 * static_cast<int>(Snap(t.dir()).size()) + 8);
    new_files = Snap(t.dir());
    ASSERT_GE(new_files.count("opisy.001"), 1u);
    ExpectComplete(t.dir(), old_files, new_files, kept);
  }
  ASSERT_GT(total, 50);

  std::map<std::string, int> messages;
  const char* only = std::getenv("FAULT_ONLY");
  for (int64_t k = only ? std::atoll(only) : 1; k <= (only ? std::atoll(only) : total); ++k) {
    TempDir t;
    CopyFiles(old_files, t.dir());
    FaultEnv env(k);
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    std::string error;
    bool deleted_never = false;  // the old files stayed in a backup directory
    try {
      d.Divide("", used);
    } catch (const engine::EngineError& e) {
      error = e.what();
    }
    const std::string what = env.what(k);
    SCOPED_TRACE("operation " + std::to_string(k) + " of " + std::to_string(total) + ": " + what +
                 " -> " + (error.empty() ? "(no error)" : error));
    if (error.empty()) {
      // A run that ends well did so in full; what it could not tidy up it
      // names.
      EXPECT_TRUE(SameFiles(Snap(t.dir()), new_files));
      if (!Subdirs(t.dir(), "tmp").empty()) {
        EXPECT_FALSE(d.Warnings().empty());
      }
    } else {
      ++messages[error.substr(0, error.find_first_of(":\n"))];
      // Every message is a Polish sentence, also when the system's reason
      // follows it.
      EXPECT_NE(error.rfind("injected", 0), 0u) << "a bare reason reached the user";
      // ... and the system's reason with the path that failed.
      EXPECT_NE(error.find("injected failure: " + what), std::string::npos);
      const bool unchanged = SameFiles(Snap(t.dir()), old_files);
      const size_t in_place = error.find("Nowe pliki są na miejscu");
      if (in_place != std::string::npos) {
        // The new names may not have reached the disk: nothing was
        // deleted, and the message names where the old files are.
        EXPECT_TRUE(SameFiles(Snap(t.dir()), new_files));
        const std::string head = "Stare pliki są w katalogu: ";
        const size_t at = error.find(head);
        ASSERT_NE(at, std::string::npos);
        const std::string dir =
            error.substr(at + head.size(), error.find('\n', at) - at - head.size());
        EXPECT_TRUE(SameFiles(OldFilesIn(dir), old_files)) << dir;
        deleted_never = fs::path(dir).parent_path().filename().string().rfind("old", 0) == 0;
      } else if (!unchanged) {
        // Or nothing changed, or the message says where everything is and
        // how to finish.
        EXPECT_NE(error.find("podzial-cli recover"), std::string::npos);
        EXPECT_NE(error.find("Stare pliki: "), std::string::npos);
        EXPECT_TRUE(PlacedRight(error));
      }
    }
    // The next run's recovery leaves the old or the new files, complete:
    // at once, and once what it left for a run that might be starting
    // has aged.
    for (int later : {0, 120}) {
      AgeWorkDirs(t.dir(), later);
      const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
      EXPECT_TRUE(r.failed.empty()) << r.failed[0];
    }
    ExpectComplete(t.dir(), old_files, new_files, kept || deleted_never);
  }
  for (const auto& [msg, n] : messages) std::printf("%5d x %s\n", n, msg.c_str());
}

TEST(FaultTest, EveryOperationFailingInTurn) {
  for (const Mode& m : kModes) RunAllFaults(m);
}

// The number of the first operation that `pick` names in an undisturbed
// division of a copy of `dir` (`probe` is that copy's directory).
int64_t FirstOperation(
    const Mode& m, const std::string& dir,
    const std::function<bool(const std::string& what, const std::string& probe)>& pick) {
  TempDir probe;
  CopyFiles(Snap(dir), probe.dir());
  FaultEnv env;
  AsShare(env, m);
  engine::TDivider d(Job(probe.dir(), m.keep), &env);
  std::string used;
  d.Divide("", used);
  for (int64_t n = 1; n <= env.count(); ++n) {
    if (pick(env.what(n), probe.dir())) return n;
  }
  ADD_FAILURE() << "no such operation";
  return 0;
}

// A move of a new file from the working directory into the table's.
std::function<bool(const std::string&, const std::string&)> NewFileMovedIn(
    const std::string& name) {
  return [name](const std::string& what, const std::string& probe) {
    const std::string head = "move " + probe + "tmp";
    return what.rfind(head, 0) == 0 && what.size() > name.size() &&
           what.compare(what.size() - name.size() - 1, name.size() + 1,
                        platform::kPathDelim + name) == 0;
  };
}

// The files an undisturbed division of `old_files` leaves in place.
Snapshot Divided(const Mode& m, const Snapshot& old_files) {
  TempDir probe;
  CopyFiles(old_files, probe.dir());
  engine::TDivider d(Job(probe.dir(), m.keep));
  std::string used;
  d.Divide("", used);
  return Snap(probe.dir());
}

// A move of the commit that fails is undone, and the run says that nothing
// changed; no journal stays behind for a later recovery to carry out the
// commit over files the office has worked on since.
TEST(FaultTest, AFailedMoveOfTheCommitIsUndoneAndSaysSo) {
  for (const Mode& m : {kModes[0], kModes[1], kModes[3]}) {
    SCOPED_TRACE(m.name);
    TempDir t;
    const Snapshot old_files = MakeModel(t.dir(), m, 0.5);
    FaultEnv env(FirstOperation(m, t.dir(), NewFileMovedIn("opisy.dbf")));
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used, error;
    try {
      d.Divide("", used);
    } catch (const engine::EngineError& e) {
      error = e.what();
    }
    EXPECT_NE(error.find("Nic nie zostało zmienione"), std::string::npos) << error;
    EXPECT_TRUE(SameFiles(Snap(t.dir()), old_files));
    EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());
  }
}

// When the undo of a failed commit cannot bring every file back (a share
// that refuses one rename, a file a virus scanner holds), the table left
// in place must still be the one of the description set in place: the old
// .dbf put back beside the new opisy.dat points its rows at the wrong
// records, and the hold has ended when the message is shown.
TEST(FaultTest, AnUndoCutShortLeavesNoTableBesideAnotherSet) {
  struct TwoRefusals : platform::EnvWrapper {
    TwoRefusals(const std::string& d) : EnvWrapper(platform::Env::Default()), dir(d) {}
    std::string dir;
    bool undoing = false;
    platform::Status RenameNoReplace(const std::string& from, const std::string& to) override {
      const std::string dbf = platform::kPathDelim + std::string("opisy.dbf");
      // The new .dbf cannot come in; then the new opisy.dat cannot go back.
      if (!undoing && from.rfind(dir + "tmp", 0) == 0 &&
          from.compare(from.size() - dbf.size(), dbf.size(), dbf) == 0) {
        undoing = true;
        return platform::Status::IOError("zmiana nazwy " + from + ": plik jest używany");
      }
      if (undoing && from == dir + "opisy.dat") {
        return platform::Status::IOError("zmiana nazwy " + from + ": plik jest używany");
      }
      return EnvWrapper::RenameNoReplace(from, to);
    }
  };
  for (const Mode& m : {kModes[0], kModes[1]}) {
    SCOPED_TRACE(m.name);
    TempDir t;
    const Snapshot old_files = MakeModel(t.dir(), m, 0.5);
    const Snapshot new_files = Divided(m, old_files);
    TwoRefusals env(t.dir());
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used, error;
    try {
      d.Divide("", used);
    } catch (const engine::EngineError& e) {
      error = e.what();
    }
    ASSERT_TRUE(env.undoing);
    EXPECT_TRUE(PlacedRight(error)) << error;
    const Snapshot now = Snap(t.dir());
    const auto dbf = now.find("opisy.dbf");
    if (dbf != now.end()) {
      const bool old_table = dbf->second == old_files.at("opisy.dbf");
      const Snapshot& set = old_table ? old_files : new_files;
      for (const char* name : {"opisy.dat", "opisy.001", "opisy.mdx", "opisy.dbt"}) {
        if (!set.count(name)) continue;
        EXPECT_TRUE(now.count(name) && now.at(name) == set.at(name))
            << name << " is not the one of the " << (old_table ? "old" : "new")
            << " table in place\n"
            << error;
      }
    }
    // The cause gone, the recovery the message asks for repairs it.
    const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
    EXPECT_TRUE(r.failed.empty()) << r.failed[0];
    ExpectComplete(t.dir(), old_files, new_files, m.keep || m.dangling > 0);
  }
}

// fork() and SIGKILL: Linux only.
#ifndef _WIN32
// Kills the division at operation k with SIGKILL, then recovers as the
// next run would and checks that the old or the new files are complete.
void KillAt(const Mode& m, const Snapshot& old_files, const Snapshot& new_files, bool kept,
            int64_t k) {
  TempDir t;
  CopyFiles(old_files, t.dir());
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    FaultEnv env(k);
    AsShare(env, m);
    env.at_fail = [] { raise(SIGKILL); };
    try {
      engine::TDivider d(Job(t.dir(), m.keep), &env);
      std::string used;
      d.Divide("", used);
    } catch (...) {
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  // Recovered at once, and once what it left for a run that might be
  // starting has aged.
  for (int later : {0, 120}) {
    AgeWorkDirs(t.dir(), later);
    const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
    EXPECT_TRUE(r.failed.empty()) << r.failed[0];
  }
  ExpectComplete(t.dir(), old_files, new_files, kept);
}

// Every operation from the journal on, and 10 random ones before it.
void CrashEverywhereInTheCommit(const Mode& m) {
  SCOPED_TRACE(m.name);
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.5);
  int64_t total = 0, journal = 0;
  Snapshot new_files;
  bool kept = m.keep;
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    FaultEnv env;
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    kept = m.keep || d.Counts().OldFilesNeeded();
    new_files = Snap(t.dir());
    for (int64_t n = 1; n <= total && !journal; ++n) {
      if (env.what(n).find("podzial.dziennik") != std::string::npos) journal = n;
    }
  }
  ASSERT_GT(journal, 0);
  std::vector<int64_t> steps;
  for (int64_t k = journal; k <= total; ++k) steps.push_back(k);
  std::mt19937 rng(20261207u);
  for (int i = 0; i < 10; ++i) {
    steps.push_back(std::uniform_int_distribution<int64_t>(1, journal - 1)(rng));
  }
  for (int64_t k : steps) {
    SCOPED_TRACE("killed at operation " + std::to_string(k) + " of " + std::to_string(total));
    KillAt(m, old_files, new_files, kept, k);
  }
}

TEST(CrashTest, KilledAtEveryStepOfTheCommitThenRecovered) {
  for (const Mode& m : kModes) CrashEverywhereInTheCommit(m);
}

// Kills a division of the files in `dir` right after the first operation
// that `after` names, as a crash or a power cut would stop it there.
void CrashAfter(
    const Mode& m, const std::string& dir,
    const std::function<bool(const std::string& what, const std::string& probe)>& after) {
  const int64_t at = FirstOperation(m, dir, after) + 1;
  ASSERT_GT(at, 1);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    FaultEnv env(at);
    AsShare(env, m);
    env.at_fail = [] { raise(SIGKILL); };
    engine::TDivider d(Job(dir, m.keep), &env);
    std::string used;
    d.Divide("", used);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
}

// The next division in the directory repairs a run killed in its commit
// before it starts, and says so with its own result.
TEST(CrashTest, TheNextDivisionRepairsAndSaysSo) {
  const Mode& m = kModes[1];
  TempDir t;
  MakeModel(t.dir(), m, 0.5);
  // Killed once the table's .dbf has gone aside.
  CrashAfter(m, t.dir(), [](const std::string& what, const std::string& probe) {
    return what.rfind("move " + probe + "opisy.dbf", 0) == 0;
  });
  EXPECT_FALSE(fs::exists(t / "opisy.dbf"));  // cut short mid-commit
  engine::TDivider d(Job(t.dir(), m.keep));
  std::string used;
  d.Divide("", used);
  ASSERT_FALSE(d.Notes().empty());
  EXPECT_EQ(d.Notes()[0].rfind("Dokończono przerwany podział w " + t.dir(), 0), 0u) << d.Notes()[0];
  EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());
  EXPECT_TRUE(fs::exists(t / "opisy.dbf"));
}

// Every file of `want` is still somewhere below `dir`, bytes unchanged.
testing::AssertionResult AllBelow(const std::string& dir, const Snapshot& want) {
  std::multimap<std::string, std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) found.emplace(e.path().filename().string(), ReadBytes(e.path()));
  }
  std::string lost;
  for (const auto& [name, bytes] : want) {
    bool there = false;
    auto [from, to] = found.equal_range(name);
    for (auto it = from; it != to; ++it) there = there || it->second == bytes;
    if (!there) lost += " " + name;
  }
  if (lost.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "lost:" << lost;
}

// A recovery whose flush of a directory fails, at each of its flushes,
// deletes no old file whose replacement's name may not be on the disk: the
// old files stay (in a backup directory when they were the private ones),
// and the next recovery leaves the old or the new files complete.
TEST(CrashTest, AFailedFlushInTheRecoveryDeletesNothing) {
  const Mode& m = kModes[1];  // the old files go to the private directory
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.5);
  const Snapshot new_files = Divided(m, old_files);
  for (const auto& after : {NewFileMovedIn("opisy.dat"), NewFileMovedIn("opisy.dbf")}) {
    for (int64_t k = 1;; ++k) {
      SCOPED_TRACE("flush " + std::to_string(k) + " of the recovery fails");
      TempDir t;
      CopyFiles(old_files, t.dir());
      CrashAfter(m, t.dir(), after);
      FaultEnv env;
      env.Fail(FaultEnv::kSync, k);
      const engine::RecoveryReport r = engine::RecoverDirectory(&env, t.dir());
      if (env.count(FaultEnv::kSync) < k) {
        // The recovery made fewer flushes: every one has failed once.
        EXPECT_GT(k, 2);
        ExpectComplete(t.dir(), old_files, new_files, false);
        break;
      }
      EXPECT_TRUE(AllBelow(t.dir(), old_files)) << (r.failed.empty() ? r.done[0] : r.failed[0]);
      const engine::RecoveryReport again =
          engine::RecoverDirectory(platform::Env::Default(), t.dir());
      EXPECT_TRUE(again.failed.empty()) << again.failed[0];
      ExpectComplete(t.dir(), old_files, new_files, !Subdirs(t.dir(), "old").empty());
    }
  }
}

// After a crash the hold is gone and the office goes on working with
// whatever set is in place: the old one when the commit had moved nothing
// yet, the new one once the new .dbf had come in. A recovery run days
// later must leave the files the office worked on where they are, never
// move them aside (or delete them) for the copies it finds in the working
// directory.
TEST(CrashTest, FilesWorkedOnSinceTheCrashStayInPlace) {
  struct Case {
    const char* name;
    std::function<bool(const std::string&, const std::string&)> after;
  };
  const Case cases[] = {
      {"killed once the journal was written, before the first move",
       [](const std::string& what, const std::string& probe) {
         return what.rfind("flush " + probe + "tmp", 0) == 0 &&
                what.find(engine::kJournalName) != std::string::npos;
       }},
      {"killed after the new .dbf came in", NewFileMovedIn("opisy.dbf")},
  };
  for (const Case& c : cases) {
    for (const Mode& m : {kModes[0], kModes[1]}) {
      SCOPED_TRACE(std::string(c.name) + ", " + m.name);
      TempDir t;
      MakeModel(t.dir(), m, 0.5);
      CrashAfter(m, t.dir(), c.after);
      ASSERT_EQ(Subdirs(t.dir(), "tmp").size(), 1u);
      // A record is added to the description set in place.
      {
        store::tjxmemo peer;
        ASSERT_TRUE(peer.Open(t.dir() + "opisy.dat")) << peer.LastError();
        const std::string text(5000, 'n');
        int32_t address = 0;
        ASSERT_TRUE(peer.WriteRecord(static_cast<int32_t>(text.size()), address,
                                     reinterpret_cast<const uint8_t*>(text.data()), 0))
            << peer.LastError();
        ASSERT_TRUE(peer.CloseAll());
      }
      const Snapshot worked_on = Snap(t.dir());
      const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
      EXPECT_TRUE(SameFiles(Snap(t.dir()), worked_on))
          << (r.done.empty() ? "" : r.done[0]) << (r.failed.empty() ? "" : r.failed[0]);
    }
  }
}

// A journal edited by hand (saved with Windows line ends, a blank line
// added) still says what it said, and the commit is finished. One that
// cannot be read (a read error, a line it never holds) or that was cut
// short although the old files are in the working directory tells nothing
// sure: removing the directory would delete the only copy of the old
// files, so the recovery leaves everything and says where it is.
TEST(CrashTest, AJournalIsReadAsWrittenOrNothingIsTouched) {
  FaultEnv unreadable;  // every open of the journal fails
  unreadable.Fail(FaultEnv::kOpen, 1, true, engine::kJournalName);
  using Edit = std::string (*)(const std::string&);
  const struct {
    const char* name;
    Edit edit;
    platform::Env* env;
    bool readable;
  } cases[] = {
      {"saved with Windows line ends",
       [](const std::string& s) {
         std::string out;
         for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return out;
       },
       platform::Env::Default(), true},
      {"blank lines added",
       [](const std::string& s) {
         return s.substr(0, s.find('\n') + 1) + "\n" + s.substr(s.find('\n') + 1) + " \n";
       },
       platform::Env::Default(), true},
      {"a read error", nullptr, &unreadable, false},
      {"a line it never holds",
       [](const std::string& s) {
         return s.substr(0, s.find('\n') + 1) + "stary\tx\n" + s.substr(s.find('\n') + 1);
       },
       platform::Env::Default(), false},
      {"cut short", [](const std::string& s) { return s.substr(0, s.rfind("koniec")); },
       platform::Env::Default(), false},
      {"its end never on the disk",
       [](const std::string& s) {
         return s.substr(0, s.size() / 2) + std::string(s.size() / 2, '\0');
       },
       platform::Env::Default(), false},
  };
  const Mode& m = kModes[1];  // the old files go to the private directory
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.5);
  const Snapshot new_files = Divided(m, old_files);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir t;
    CopyFiles(old_files, t.dir());
    CrashAfter(m, t.dir(), NewFileMovedIn("opisy.dat"));
    const auto work = Subdirs(t.dir(), "tmp");
    ASSERT_EQ(work.size(), 1u);
    ASSERT_TRUE(fs::exists(t.dir() + work[0] + "/stare/opisy.dbf"));  // the commit was under way
    const std::string journal = t.dir() + work[0] + "/" + engine::kJournalName;
    if (c.edit) {
      const std::string text = c.edit(ReadBytes(journal));
      std::ofstream(journal, std::ios::binary | std::ios::trunc) << text;
    }
    const engine::RecoveryReport r = engine::RecoverDirectory(c.env, t.dir());
    if (c.readable) {
      EXPECT_TRUE(r.failed.empty()) << r.failed[0];
      ExpectComplete(t.dir(), old_files, new_files, false);
    } else {
      EXPECT_TRUE(AllBelow(t.dir(), old_files)) << (r.done.empty() ? "" : r.done[0]);
      ASSERT_EQ(r.failed.size(), 1u);
      EXPECT_NE(r.failed[0].find(t.dir() + work[0]), std::string::npos) << r.failed[0];
    }
  }
}

// Files that fit no point of the commit (an old .dbf copied back by hand
// beside the description set the commit had already exchanged) leave no
// sure way forward or back: the recovery moves nothing and says where the
// files are.
TEST(CrashTest, FilesThatFitNoPointOfTheCommitAreLeftAlone) {
  auto tree = [](const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      if (e.is_regular_file()) files[e.path().string()] = ReadBytes(e.path());
    }
    return files;
  };
  const Mode& m = kModes[1];
  TempDir t;
  MakeModel(t.dir(), m, 0.5);
  CrashAfter(m, t.dir(), NewFileMovedIn("opisy.dat"));
  const auto work = Subdirs(t.dir(), "tmp");
  ASSERT_EQ(work.size(), 1u);
  fs::copy_file(t.dir() + work[0] + "/stare/opisy.dbf", t / "opisy.dbf");
  const auto before = tree(t.dir());
  const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
  EXPECT_TRUE(tree(t.dir()) == before);
  ASSERT_EQ(r.failed.size(), 1u);
  EXPECT_TRUE(PlacedRight(r.failed[0])) << r.failed[0];
  EXPECT_NE(r.failed[0].find("Nowe pliki: opisy."), std::string::npos) << r.failed[0];
}

// A division first repairs what an earlier run cut short in its directory
// and says what it did; also when it then fails itself, the user learns
// that files were moved before the failure.
TEST(CrashTest, ARepairIsReportedAlsoWhenTheDivisionThenFails) {
  const Mode& m = kModes[1];
  TempDir t;
  MakeModel(t.dir(), m, 0.5);
  CrashAfter(m, t.dir(), NewFileMovedIn("opisy.dat"));
  struct Silent : engine::UserDialog {
    int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
    void Inform(const std::string&, const std::string&, int) override {}
  } dialog;
  engine::DivisionRequest request(&dialog, engine::DividerJobRunner());
  engine::RequestEntries e;
  e.DivType = engine::kDivUser;
  e.TableFN = t.dir() + "opisy.dbf";
  e.DataFN = t.dir() + "opisy.dat";
  e.FieldName = "NAZWA";  // a field of names: refused after the repair
  std::string error;
  try {
    request.Run(e);
  } catch (const engine::EngineError& x) {
    error = x.what();
  }
  ASSERT_EQ(error.rfind("Pole NAZWA nie zawiera adresów", 0), 0u) << error;
  EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());  // the repair was made
  EXPECT_NE(error.find("Dokończono przerwany podział w " + t.dir()), std::string::npos) << error;
}

#endif  // _WIN32

}  // namespace
