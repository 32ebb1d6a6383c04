// One division job end to end on generated databases: every record at its
// new address, skipped rows untouched, the limit kept, the old files in
// the backup directory, and the failures that must leave everything as it
// was.
#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "tests/engine/Databases.h"
#include "tests/support/FaultEnv.h"

using namespace engine_test;
using engine::EngineError;
using engine::TDivider;
using engine::TDividerInfo;
using testing_util::TempDir;

namespace {

TDividerInfo Job(const std::string& dir, const demodb::TableOptions& o, int max_mb,
                 bool keep = true) {
  TDividerInfo info;
  info.TableFile = dir + o.table_name;
  info.DataFile = dir + o.data_name;
  info.AddressField = "OpisTop";  // letter case as a preset gives it
  info.MaxSize = max_mb;
  info.CheckID = true;
  info.KeepOld = keep;
  return info;
}

std::string Divide(const TDividerInfo& info, const std::string& old_dir = "") {
  TDivider d(info);
  std::string used = "unchanged";
  d.Divide(old_dir, used);
  return used;
}

std::string ErrorOf(const TDividerInfo& info, const std::string& old_dir = "") {
  try {
    Divide(info, old_dir);
  } catch (const EngineError& e) {
    return e.what();
  }
  return "(no error)";
}

// Positions and captions the run gives its progress window.
struct RecordingProgress : engine::ProgressDisplayFactory {
  std::string caption;
  int32_t maximum = -1;
  bool shown = false;
  std::vector<int32_t> positions;
  struct Window : engine::ProgressDisplay {
    RecordingProgress* owner;
    explicit Window(RecordingProgress* o) : owner(o) {}
    void Show() override { owner->shown = true; }
    void SetPosition(int32_t p) override { owner->positions.push_back(p); }
  };
  std::unique_ptr<engine::ProgressDisplay> Create(const std::string& c, int32_t m) override {
    caption = c;
    maximum = m;
    return std::make_unique<Window>(this);
  }
};

TEST(DividerTest, EveryRecordMovesAndTheOldFilesAreKept) {
  TempDir t;
  auto o = SmallTable(t.dir(), 120);
  o.with_dbt = true;
  o.mean_record = 20000;  // about 2 MB stored: continuation files at 1 MB
  o.raster = 0.8;
  auto g = Make(o);
  const Snapshot before = Snap(t.dir());
  RecordingProgress progress;
  TDivider d(Job(t.dir(), o, 1), platform::Env::Default(), &progress);
  std::string used;
  d.Divide("", used);
  ASSERT_TRUE(d.Ran());
  // A new backup directory "old<digits>/" beside the table, holding the old
  // files byte for byte.
  ASSERT_EQ(used.rfind(t / "old", 0), 0u) << used;
  ASSERT_EQ(used.back(), platform::kPathDelim);
  EXPECT_TRUE(SameFiles(OldFilesIn(used), before));
  // Beside them, the rows whose reference could not be copied and the
  // marker rows that keep an address of the old files.
  EXPECT_EQ(d.DroppedList(), used + "nieskopiowane-opisy.dbf.txt");
  EXPECT_GT(d.Counts().marker_kept, 0u);
  EXPECT_EQ(ListedRows(d.DroppedList()).size(), d.Counts().dropped + d.Counts().marker_kept);
  ExpectDivided(t.dir(), used, o, g, 1);
  EXPECT_TRUE(fs::exists(t / "opisy.001"));
  EXPECT_EQ(d.Counts().rows, 120u);
  EXPECT_GE(d.Counts().new_files, 2u);
  EXPECT_GT(d.Counts().skipped_marker, 0u);
  EXPECT_GT(d.Counts().dropped, 0u);
  EXPECT_EQ(d.Counts().converted + d.Counts().skipped_empty + d.Counts().skipped_marker, 120u);
  EXPECT_EQ(progress.caption, "Operacje na pliku: " + t / "opisy.dat");
  EXPECT_EQ(progress.maximum, 120);
  EXPECT_TRUE(progress.shown);
  std::vector<int32_t> want;
  for (int i = 0; i < 120; i += 10) want.push_back(i);
  EXPECT_EQ(progress.positions, want);  // never the count itself
  // The size probe reads back the limit the run recorded.
  TDividerInfo probe;
  probe.DataFile = t / "opisy.dat";
  EXPECT_EQ(TDivider(probe).GetMaxSize(), 1);
}

TEST(DividerTest, WithoutLimitOneFileAndWithoutCheckIdMarkedRowsToo) {
  TempDir t;
  auto o = SmallTable(t.dir());
  auto g = Make(o);
  auto info = Job(t.dir(), o, 0);
  info.CheckID = false;
  const std::string used = Divide(info);
  ExpectDivided(t.dir(), used, o, g, 0, /*check_id=*/false);
  EXPECT_FALSE(fs::exists(t / "opisy.001"));
}

TEST(DividerTest, NoIdFieldConvertsEveryRowSilently) {
  TempDir t;
  auto o = SmallTable(t.dir());
  o.with_id = false;
  o.with_mdx = false;  // and no companions at all: only the .dbf moves
  auto g = Make(o);
  const std::string used = Divide(Job(t.dir(), o, 5));
  ExpectDivided(t.dir(), used, o, g, 5, false);
  EXPECT_EQ(OldFilesIn(used).size(), 2u);
}

TEST(DividerTest, DeleteOldRemovesOnlyTheJobsFiles) {
  TempDir t;
  auto o = SmallTable(t.dir());
  o.dangling = 0;  // every reference can be copied
  o.marker = 0;    // and no row keeps an old one
  auto g = Make(o);
  std::ofstream(t / "opisy.bak") << "a copy the user made";
  std::ofstream(t / "opisy.012") << "old continuation";
  std::ofstream(t / "opisy.000") << "no continuation file has this number";
  const Snapshot before = Snap(t.dir());
  TDivider d(Job(t.dir(), o, 5, /*keep=*/false));
  std::string used = "x";
  d.Divide("", used);
  EXPECT_EQ(used, "");
  EXPECT_TRUE(Subdirs(t.dir(), "old").empty());
  EXPECT_TRUE(fs::exists(t / "opisy.bak"));
  EXPECT_TRUE(fs::exists(t / "opisy.000"));
  EXPECT_FALSE(fs::exists(t / "opisy.012"));
  EXPECT_TRUE(d.DroppedList().empty());
  // Compare against the old files kept aside.
  TempDir old;
  for (const auto& [name, bytes] : before) std::ofstream(old / name, std::ios::binary) << bytes;
  ExpectDivided(t.dir(), old.dir(), o, g, 5);
}

// A reference that cannot be copied (a dangling address, a text that is
// no address) empties its row, so the old files are the only copy of what
// it pointed to: they are kept even when the user asked to delete them.
TEST(DividerTest, ReferencesNotCopiedKeepTheOldFilesWhateverTheChoice) {
  TempDir t;
  auto o = SmallTable(t.dir());
  o.dangling = 0;
  auto g = Make(o);
  {
    // One row's address overwritten with a name.
    dbase::Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName(o.table_name);
    table.SetWritableFields({o.address_field});
    ASSERT_TRUE(table.Open().ok());
    const int f = table.FindField(o.address_field);
    ASSERT_TRUE(table.First().ok());
    while (table.GetText(f).empty() ||
           table.GetText(table.FindField("ID")) == std::string(5, '\xFF')) {
      ASSERT_TRUE(table.Next().ok());
    }
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(f, "Nowy").ok());
    ASSERT_TRUE(table.Post().ok());
    ASSERT_TRUE(table.Close().ok());
  }
  const Snapshot before = Snap(t.dir());
  TDivider d(Job(t.dir(), o, 5, /*keep=*/false));
  std::string used;
  d.Divide("", used);
  EXPECT_EQ(d.Counts().dropped, 1u);
  ASSERT_EQ(Subdirs(t.dir(), "old").size(), 1u);
  EXPECT_EQ(used, t / (Subdirs(t.dir(), "old")[0] + "/"));
  EXPECT_TRUE(SameFiles(OldFilesIn(used), before));
  const std::string list = ReadBytes(d.DroppedList());
  EXPECT_NE(list.find("\tNowy\ttekst nie jest adresem"), std::string::npos) << list;
}

TEST(DividerTest, SharedBackupDirectoryTakesOnlyTheJobsFilesAndRefusesClashes) {
  TempDir t;
  auto o = SmallTable(t.dir());
  auto g = Make(o);
  std::ofstream(t / "OPISY.txt") << "notes";  // of the stem, but no file of the set
  fs::create_directories(t / "backup");
  std::ofstream(t / "backup/other.dbf") << "kept";
  const std::string used = Divide(Job(t.dir(), o, 5), t / "backup");
  EXPECT_EQ(used, t / "backup/");
  EXPECT_TRUE(fs::exists(t / "backup/other.dbf"));
  EXPECT_TRUE(fs::exists(t / "OPISY.txt"));
  EXPECT_FALSE(fs::exists(t / "backup/OPISY.txt"));
  ExpectDivided(t.dir(), used, o, g, 5);

  // A second division into the same backup clashes on opisy.dbf: found
  // before anything moves.
  const Snapshot now = Snap(t.dir());
  EXPECT_EQ(ErrorOf(Job(t.dir(), o, 5), t / "backup"),
            "Błąd podczas kopiowania plików do katalogu tymczasowego\n"
            "W katalogu kopii jest już plik: " +
                t / "backup/opisy.dbf");
  EXPECT_TRUE(SameFiles(Snap(t.dir()), now));
  EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());
}

TEST(DividerTest, MissingFilesSkipTheJobUntouched) {
  TempDir t;
  auto o = SmallTable(t.dir());
  Make(o);
  auto info = Job(t.dir(), o, 5);
  info.DataFile = t / "brak.dat";
  const Snapshot before = Snap(t.dir());
  TDivider d(info);
  std::string used = "as before";
  d.Divide("", used);
  EXPECT_FALSE(d.Ran());
  EXPECT_EQ(used, "as before");
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
  EXPECT_TRUE(Subdirs(t.dir(), "").empty());
}

// Directories that differ in letter case only are two, and links: Linux.
#ifndef _WIN32
TEST(DividerTest, DirectoriesAreComparedOnDiskNotAsText) {
  TempDir t;
  fs::create_directories(t / "Data");
  fs::create_directories(t / "data");
  auto o = SmallTable(t / "Data/");
  Make(o);
  fs::copy_file(t / "Data/opisy.dat", t / "data/opisy.dat");
  auto info = Job(t / "Data/", o, 5);
  info.DataFile = t / "data/opisy.dat";
  EXPECT_EQ(ErrorOf(info), "Pliki z różnych katalogów: " + info.TableFile + ", " + info.DataFile);
  EXPECT_TRUE(Subdirs(t / "Data", "").empty());
  EXPECT_TRUE(Subdirs(t / "data", "").empty());
  // A link to the same directory is the same directory.
  fs::create_directory_symlink(t / "Data", t / "link");
  info.DataFile = t / "link/opisy.dat";
  EXPECT_NO_THROW(Divide(info));
}
#endif

TEST(DividerTest, FailuresBeforeTheCommitLeaveTheOldFilesAlone) {
  TempDir t;
  auto o = SmallTable(t.dir());
  Make(o);
  const Snapshot before = Snap(t.dir());
  auto expect_unchanged = [&](const TDividerInfo& info, const std::string& message) {
    EXPECT_EQ(ErrorOf(info), message);
    EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
    EXPECT_TRUE(Subdirs(t.dir(), "").empty()) << "working directory left";
  };
  auto info = Job(t.dir(), o, 5);
  info.AddressField = "BRAK";
  expect_unchanged(info, "Brak pola: BRAK (tabela " + info.TableFile + ")");
  info = Job(t.dir(), o, 2048);
  expect_unchanged(info,
                   "Nieprawidłowy maksymalny rozmiar pliku: 2048 MB (dozwolone od 0 do 2047)");

  // The old table held by another program.
  {
    dbase::Table other;
    other.SetDatabaseName(t.dir().substr(0, t.dir().size() - 1));
    other.SetTableName("opisy.dbf");
    ASSERT_TRUE(other.Open().ok());
    info = Job(t.dir(), o, 5);
    EXPECT_NE(ErrorOf(info), "(no error)");
    EXPECT_TRUE(Subdirs(t.dir(), "").empty());
  }
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
}

TEST(DividerTest, AnAddressFieldTooShortForEightDigitsIsRefused) {
  TempDir t;
  auto o = SmallTable(t.dir());
  o.address_length = 6;
  Make(o);
  const Snapshot before = Snap(t.dir());
  EXPECT_EQ(ErrorOf(Job(t.dir(), o, 5)),
            "Pole OpisTop nie mieści adresu (wymagane pole znakowe o długości co najmniej 8)");
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
  EXPECT_TRUE(Subdirs(t.dir(), "").empty());
}

TEST(DividerTest, NotADescriptionFile) {
  TempDir t;
  auto o = SmallTable(t.dir());
  Make(o);
  fs::remove(t / "opisy.dat");
  std::ofstream(t / "opisy.dat") << "to nie jest plik opisów";
  const Snapshot before = Snap(t.dir());
  EXPECT_EQ(ErrorOf(Job(t.dir(), o, 5)), "Nie udało się otworzyć pliku: " + t / "opisy.dat");
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
  EXPECT_TRUE(Subdirs(t.dir(), "").empty());
  TDividerInfo probe;
  probe.DataFile = t / "opisy.dat";
  EXPECT_EQ(TDivider(probe).GetMaxSize(), 0);
  probe.DataFile = t / "none.dat";
  EXPECT_EQ(TDivider(probe).GetMaxSize(), 0);
}

TEST(DividerTest, EmptyTableGivesAnEmptyDescriptionFile) {
  TempDir t;
  auto o = SmallTable(t.dir(), 0);
  auto g = Make(o);
  const std::string used = Divide(Job(t.dir(), o, 5));
  ExpectDivided(t.dir(), used, o, g, 5);
  store::CheckReport report;
  std::string why;
  ASSERT_TRUE(store::CheckSet(platform::Env::Default(), t / "opisy.dat", &report, &why));
  EXPECT_EQ(report.Records, 0);
}

TEST(DividerTest, WindowsNamesInAnyLetterCase) {
  TempDir t;
  auto o = SmallTable(t.dir());
  o.table_name = "OPISY.DBF";
  o.data_name = "OPISY.DAT";
  auto g = Make(o);
  TDividerInfo info = Job(t.dir(), o, 5);
  info.TableFile = t / "opisy.dbf";
  info.DataFile = t / "opisy.dat";
  const std::string used = Divide(info);
  EXPECT_TRUE(fs::exists(used + "OPISY.DBF"));
  EXPECT_TRUE(fs::exists(used + "OPISY.MDX"));
  ExpectDivided(t.dir(), used, o, g, 5);
}

TEST(DividerTest, ADirectoryInTheWorkingDirectoryIsNotMovedIn) {
  TempDir t;
  auto o = SmallTable(t.dir(), 20);
  auto g = Make(o);
  // Something leaves a directory in the working directory before the commit,
  // at its first flush after the row loop.
  test_support::FaultEnv env;
  env.Fail(test_support::FaultEnv::kSync, 1);
  bool left = false;
  env.at_fail = [&env, &left] {
    const std::string dir = env.paths(test_support::FaultEnv::kSync).back();
    fs::create_directories(dir + "sub");
    left = static_cast<bool>(std::ofstream(dir + "sub/f") << "x");
  };
  TDivider d(Job(t.dir(), o, 5), &env);
  std::string used;
  d.Divide("", used);
  EXPECT_TRUE(left);
  EXPECT_FALSE(fs::exists(t / "sub"));
  ExpectDivided(t.dir(), used, o, g, 5);  // and no working directory left
}

// Records stored plain are compressed on helper threads while earlier ones
// are written; addresses still go out in row order, so the new files are
// byte for byte those of a run on one thread. Records too large to be kept
// ahead, and runs of records stored compressed or too random to compress
// (nothing to do ahead), take the row loop's own way in between.
TEST(DividerTest, NewFilesAreTheSameWhateverTheNumberOfThreads) {
  struct Case {
    uint32_t rows, mean_record;
    double compressed, raster;
    bool semi_raster;  // raster records that still compress a little
  } cases[] = {{400, 5000, 0.3, 0.3, true},
               {6, 3 << 20, 0.3, 0.3, true},
               {1500, 2000, 0.9, 0.3, true},
               {1200, 10000, 0, 0.95, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("records of " + std::to_string(c.mean_record) + " B");
    Snapshot single;
    for (unsigned threads : {1u, 2u, 3u}) {
      TempDir t;
      auto o = SmallTable(t.dir(), c.rows);
      o.mean_record = c.mean_record;
      o.compressed = c.compressed;
      o.raster = c.raster;
      o.semi_raster = c.semi_raster;
      Make(o);
      TDivider d(Job(t.dir(), o, 1));
      d.SetThreads(threads);
      std::string used;
      d.Divide("", used);
      ASSERT_TRUE(d.Ran());
      const Snapshot got = Snap(t.dir());
      if (threads == 1) {
        single = got;
        ASSERT_TRUE(got.count("opisy.001")) << "no continuation file";
      } else {
        EXPECT_TRUE(SameFiles(got, single)) << threads << " threads";
      }
    }
  }
}

TEST(SizeProbeTest, RecordedLimitsRoundToWholeMegabytes) {
  TempDir t;
  for (int mb : {1, 650, 2047}) {
    store::tjxmemo s;
    const std::string name = t / ("p" + std::to_string(mb) + ".dat");
    ASSERT_TRUE(s.CreateNew(name, 0));
    s.SetMaxSize(static_cast<int32_t>(static_cast<uint32_t>(mb) << 20), "");
    s.CloseAll();
    TDividerInfo info;
    info.DataFile = name;
    EXPECT_EQ(TDivider(info).GetMaxSize(), mb);
  }
}

}  // namespace
