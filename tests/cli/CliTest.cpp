// The division subcommands of podzial-cli, run as a user runs them: exit
// codes, the completion text and counts, JSON, and the Kadmor question
// with no terminal to ask on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <regex>

#include "engine/Commit.h"
#include "platform/Path.h"
#include "store/Format.h"
#include "tests/cli/RunCli.h"
#include "tests/engine/Databases.h"

using namespace engine_test;
using cli_test::CliRun;
using cli_test::RunCli;
using testing_util::TempDir;

namespace {

// A tiny JSON reader: whether `text` is one JSON value, and the raw text of
// each member of the top-level object.
class JsonCheck {
 public:
  explicit JsonCheck(const std::string& text) : s_(text) {
    Space();
    ok_ = Value(true);
    Space();
    ok_ = ok_ && i_ == s_.size();
  }
  bool ok() const { return ok_; }
  // The member's text as written ("\"ok\"", "3", "[...]"); "" when absent.
  std::string operator[](const std::string& key) const {
    auto it = members_.find(key);
    return it == members_.end() ? "" : it->second;
  }

 private:
  void Space() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool Eat(char c) {
    Space();
    if (i_ >= s_.size() || s_[i_] != c) return false;
    ++i_;
    return true;
  }
  bool String() {
    if (!Eat('"')) return false;
    for (; i_ < s_.size() && s_[i_] != '"'; ++i_) {
      if (static_cast<unsigned char>(s_[i_]) < 0x20) return false;
      if (s_[i_] == '\\' && ++i_ < s_.size() &&
          std::string("\"\\/bfnrtu").find(s_[i_]) == std::string::npos) {
        return false;
      }
    }
    return Eat('"');
  }
  bool Value(bool top = false) {
    Space();
    if (i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '"') return String();
    if (c == '{' || c == '[') {
      ++i_;
      const char end = c == '{' ? '}' : ']';
      if (Eat(end)) return true;
      do {
        std::string key;
        if (c == '{') {
          Space();
          const size_t start = i_;
          if (!String() || !Eat(':')) return false;
          key = s_.substr(start + 1, i_ - start - 3);
        }
        Space();
        const size_t start = i_;
        if (!Value()) return false;
        if (top && c == '{') members_[key] = s_.substr(start, i_ - start);
      } while (Eat(','));
      return Eat(end);
    }
    const size_t start = i_;
    while (i_ < s_.size() &&
           std::string("-+.eE0123456789truefalsn").find(s_[i_]) != std::string::npos)
      ++i_;
    const std::string word = s_.substr(start, i_ - start);
    return word == "true" || word == "false" || word == "null" ||
           (!word.empty() && word.find_first_not_of("-+.eE0123456789") == std::string::npos);
  }

  const std::string& s_;
  size_t i_ = 0;
  bool ok_ = false;
  std::map<std::string, std::string> members_;
};

// A path as a JSON string holds it (Windows separators escaped).
std::string JsonPath(std::string path) {
  for (size_t i = 0; (i = path.find('\\', i)) != std::string::npos; i += 2) path.insert(i, 1, '\\');
  return path;
}

TEST(CliTest, PresetTolmWithJsonAndTheProbe) {
  TempDir t;
  fs::create_directories(t / "db");
  ASSERT_TRUE(demodb::GenerateTolm(t / "db", 3, 5).ok());
  CliRun r = RunCli("preset tolm " + (t / "db") + " --max-mb 1 --json");
  // The generator's rows with addresses of no record: completed with warnings.
  ASSERT_EQ(r.code, 3) << r.err;
  EXPECT_EQ(r.out.rfind("{\"status\":\"warnings\",\"message\":\"Operacja została "
                        "zakończona.\\nPoprzednie dane",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\"table\":\"" + JsonPath(t / "db/dokopisy.dbf") + "\""), std::string::npos);
  EXPECT_NE(r.out.find("\"total\":{\"rows\":"), std::string::npos);
  EXPECT_EQ(r.out.find("\"ran\":false"), std::string::npos);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  EXPECT_EQ(Subdirs(t / "db", "old").size(), 1u);
  r = RunCli("probe " + (t / "db/opisy.dat"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "1\n");
}

TEST(CliTest, KadmorQuestionWithoutTerminalEndsUnchanged) {
  TempDir t;
  fs::create_directories(t / "db/kerg");
  auto o = SmallTable(t / "db/kerg/", 10);
  o.table_name = "operdok.dbf";
  o.data_name = "rastry.dan";
  o.address_field = "ADRES";
  Make(o);
  const Snapshot before = Snap(t / "db/kerg");
  CliRun r = RunCli("preset kadmor " + (t / "db"));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Wybrana baza była używana przez program Kadmor w wersji mniejszej niż "
                       "1.10"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(SameFiles(Snap(t / "db/kerg"), before));
  EXPECT_EQ(fs::directory_iterator(t / "db")->path().filename(), "kerg");

  r = RunCli("preset kadmor " + (t / "db") + " --yes --delete-old");
  ASSERT_EQ(r.code, 3) << r.err;  // the awkward rows of SmallTable keep old records
  EXPECT_EQ(r.out.rfind("Operacja została zakończona\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(t / "db/oper_bu/operdok.dbf: pominięto"), std::string::npos);
  EXPECT_NE(r.out.find(t / "db/kerg/operdok.dbf: wiersze: 10,"), std::string::npos);
}

TEST(CliTest, ErrorsAndUsage) {
  TempDir t;
  auto o = SmallTable(t.dir(), 5);
  Make(o);
  const std::string files = "--table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat");
  CliRun r = RunCli("divide " + files + " --field BRAK");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Brak pola: BRAK (tabela " + (t / "opisy.dbf") + ")\n");
  r = RunCli("divide " + files + " --field OPISTOP --max-mb 2048");
  EXPECT_EQ(r.code, 2);
  r = RunCli("divide --table \"\" --data x --field y");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Nie wypełniono wszystkich pól: Tabela\n");
  r = RunCli("divide " + files + " --field OPISTOP --max-mb 0 --no-check-id");
  EXPECT_EQ(r.code, 3) << r.err;  // references not copied
  EXPECT_NE(r.out.find("ze znacznikiem ID: 0,"), std::string::npos) << r.out;
}

// A division whose rows still read old records completes, but says so: exit
// code 3, "status":"warnings", and the old files kept in the backup
// directory the message names although deleting them was asked for. A clean
// one exits 0 and deletes them. The messages' Windows line ends stay out of
// the JSON.
TEST(CliTest, DivisionThatKeepsOldRecordsEndsWithWarnings) {
  struct Case {
    const char* what;
    double dangling, marker;
    int code;
    const char* status;
    std::vector<std::string> zero_counts;
  };
  const Case cases[] = {
      {"clean", 0, 0, 0, "ok", {"dropped", "marker_kept"}},
      {"references not copied", 0.1, 0, 3, "warnings", {"marker_kept"}},
      {"marker rows only", 0, 0.1, 3, "warnings", {"dropped"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    auto o = SmallTable(t.dir(), 40);
    o.dangling = c.dangling;
    o.marker = c.marker;
    Make(o);
    const CliRun r = RunCli("divide --table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") +
                            " --field OPISTOP --delete-old --json");
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.out.rfind(std::string("{\"status\":\"") + c.status + "\",", 0), 0u) << r.out;
    for (const std::string& count : c.zero_counts) {
      EXPECT_NE(r.out.find("\"" + count + "\":0,"), std::string::npos) << count << r.out;
    }
    EXPECT_EQ(r.out.find("\\r\\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const auto old = Subdirs(t.dir(), "old");
    ASSERT_EQ(old.size(), c.code == 0 ? 0u : 1u);
    if (!old.empty()) {
      EXPECT_NE(r.out.find("Stare pliki zachowano w katalogu: " + JsonPath(t / old[0])),
                std::string::npos)
          << r.out;
    }
  }
}

// The plan names the old files and where they would go: deleted as asked,
// or into a backup directory when kept on purpose or because rows would
// still read them; marker rows that would are counted on a line of their
// own.
TEST(CliTest, PlanTellsWhereTheOldFilesGo) {
  struct Case {
    const char* what;
    double dangling, marker;
    bool delete_old, keeps_old;
  };
  const Case cases[] = {
      {"deleted as asked", 0, 0, true, false},
      {"kept as asked", 0, 0, false, true},
      {"kept for references not copied", 0.1, 0, true, true},
      {"kept for marker rows", 0, 0.1, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    auto o = SmallTable(t.dir(), 40);
    o.dangling = c.dangling;
    o.marker = c.marker;
    Make(o);
    const std::string line = "plan divide --table " + (t / "opisy.dbf") + " --data " +
                             (t / "opisy.dat") + " --field OPISTOP" +
                             (c.delete_old ? " --delete-old" : "");
    CliRun r = RunCli(line);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string where =
        c.keeps_old ? "  stare pliki do katalogu kopii: " : "  stare pliki do usunięcia: ";
    EXPECT_NE(r.out.find(where + "opisy.dbf, opisy.mdx, opisy.dat\n"), std::string::npos) << r.out;
    EXPECT_EQ(
        r.out.find("  wiersze ze znacznikiem ID z adresem starych danych: ") != std::string::npos,
        c.marker > 0)
        << r.out;
    r = RunCli(line + " --json");
    EXPECT_NE(r.out.find(std::string("\"old_files\":[\"opisy.dbf\",\"opisy.mdx\",\"opisy.dat\"],"
                                     "\"keeps_old\":") +
                         (c.keeps_old ? "true" : "false")),
              std::string::npos)
        << r.out;
  }
}

// Any divide line can be planned; a plan fails where the division could not
// start, and says why.
TEST(CliTest, PlanTakesEveryDivideLineAndRefusesFilesInUse) {
  TempDir t;
  Make(SmallTable(t.dir(), 5));
  const std::string line = "divide --table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") +
                           " --field OPISTOP --max-mb 1 --no-verify --delete-old";
  const Snapshot before = Snap(t.dir());
  CliRun r = RunCli("plan " + line);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Plan podziału"), std::string::npos) << r.out;
  {
    std::unique_ptr<platform::File> peer;
    ASSERT_TRUE(platform::Env::Default()
                    ->OpenFile(t / "opisy.dat", platform::OpenMode::kReadOnlyShared, &peer)
                    .ok());
    r = RunCli("plan " + line);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Plik " + (t / "opisy.dat") + " jest otwarty w innym programie"),
              std::string::npos)
        << r.err;
  }
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
}

// probe tells a missing file and one that is no description file from a
// recorded limit.
TEST(CliTest, ProbeRefusesWhatIsNoDescriptionFile) {
  TempDir t;
  Make(SmallTable(t.dir(), 5));
  struct Case {
    std::string file;
    int code;
    std::string says;
  };
  const Case cases[] = {
      {t / "brak.dat", 1, "Błąd: nie ma pliku " + (t / "brak.dat")},
      {t / "opisy.dbf", 1, "nie można odczytać pliku opisów " + (t / "opisy.dbf") + ": "},
      {t / "opisy.dat", 0, ""},
  };
  for (const Case& c : cases) {
    CliRun r = RunCli("probe " + c.file);
    EXPECT_EQ(r.code, c.code) << c.file << r.err;
    if (c.code == 0) {
      EXPECT_EQ(r.out, "0\n") << c.file;
    } else {
      EXPECT_EQ(r.out, "") << c.file;
      EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
  }
}

// Mistakes a user makes and what the command line answers: a field of names
// instead of addresses, a file that is not there, a preset whose second
// job cannot start (the error names the job already divided), and a
// recovery with nothing to do. Nothing in the directory changes on an
// error.
TEST(CliTest, WrongFieldMissingFileAndAPresetStoppedMidway) {
  TempDir t;
  fs::create_directories(t / "db");
  ASSERT_TRUE(demodb::GenerateTolm(t / "db", 3, 5).ok());
  const std::string db = t / "db/";
  const std::string files = "--table " + db + "opisy.dbf --data " + db + "opisy.dat";
  const Snapshot before = Snap(db);
  struct Case {
    std::string args;
    int code;
    std::string err_start;
  } cases[] = {
      {"divide " + files + " --field NAZWA --delete-old", 1,
       "Pole NAZWA nie zawiera adresów: wiersz "},
      {"divide --table " + db + "brak.dbf --data " + db + "opisy.dat --field OPISTOP", 1,
       "Nie znaleziono pliku: " + db + "brak.dbf\n"},
      {"recover " + db, 0, ""},
  };
  for (const Case& c : cases) {
    CliRun r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind(c.err_start, 0), 0u) << r.err;
    EXPECT_TRUE(SameFiles(Snap(db), before));
    EXPECT_TRUE(Subdirs(db, "").empty());
  }
  EXPECT_EQ(RunCli("recover " + db).out, "Brak przerwanych podziałów w katalogu " + db + "\n");

  // Another program has the second job's description file open.
  std::unique_ptr<platform::File> held;
  ASSERT_TRUE(platform::Env::Default()
                  ->OpenFile(db + "opisyv.dat", platform::OpenMode::kReadOnlyShared, &held)
                  .ok());
  CliRun r = RunCli("preset tolm " + db + " --json");
  EXPECT_EQ(r.code, 1);
  const auto olds = Subdirs(db, "old");
  ASSERT_EQ(olds.size(), 1u);
  const std::string done = "Wcześniej podzielono: " + db + "opisy.dbf (stare pliki w " + db +
                           olds[0] + platform::kPathDelim + ")";
  EXPECT_NE(r.err.find(done), std::string::npos) << r.err;
  std::string json_db;  // as JSON spells it: Windows' separators escaped
  for (char c : db) json_db += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(r.out.rfind("{\"status\":\"error\",\"error\":\"Plik opisów " + json_db +
                            "opisyv.dat jest używany",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\"committed\":[{\"table\":\"" + json_db + "opisy.dbf\""), std::string::npos)
      << r.out;
}

// backups: newest first, from each backup's description, as text and JSON;
// an older backup without a description is listed from its directory.
TEST(CliTest, BackupsAreListedNewestFirstFromTheirDescriptions) {
  TempDir t;
  const std::string db = t / "db";
  fs::create_directories(db);
  ASSERT_TRUE(demodb::GenerateTolm(db, 1, 9).ok());
  ASSERT_EQ(RunCli("backups " + db).out,
            "Brak kopii danych sprzed podziału w katalogu " + db + "\n");
  ASSERT_EQ(RunCli("preset tolm " + db + " --max-mb 1").code, 3);
  const std::string first = db + platform::kPathDelim + Subdirs(db, "old")[0];
  fs::remove(first + platform::kPathDelim + "podzial-kopia.ini");
  ASSERT_TRUE(test_support::Backdate(first, 7200));
  // The first division dropped the references to no record: none are left.
  ASSERT_EQ(RunCli("preset tolm " + db + " --max-mb 1").code, 0);

  CliRun r = RunCli("backups " + db);
  ASSERT_EQ(r.code, 0) << r.err;
  const size_t newer = r.out.find("wersja: " PODZIAL_VERSION);
  const size_t older = r.out.find(first + platform::kPathDelim + "\n  data: ");
  ASSERT_NE(newer, std::string::npos) << r.out;
  ASSERT_NE(older, std::string::npos) << r.out;
  EXPECT_LT(newer, older) << r.out;
  EXPECT_NE(r.out.find("\n  opisyv.dbf: wiersze: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("wersja: nieznana"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n  dokopisy.dbf\n"), std::string::npos) << r.out;

  r = RunCli("backups " + db + " --json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"status\":\"ok\",\"backups\":[{\"backup_dir\":", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"described\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"described\":false"), std::string::npos) << r.out;
  EXPECT_NE(
      r.out.find("{\"table\":\"opisy.dbf\",\"data_file\":\"opisy.dat\",\"counts\":{\"rows\":"),
      std::string::npos)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);

  r = RunCli("backups " + (t / "nie-ma"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Nie udało się odczytać katalogu: " + (t / "nie-ma") + "\n");
}

// The command line: the plan's JSON carries the same counts as the
// division's, and the files it lists are the files the division makes.
TEST(CliTest, PlanMatchesTheDivision) {
  TempDir tmp;
  WriteJob(tmp.dir(), "opisy.dbf", "opisy.dat", "OPISTOP", 40, 9);
  const std::string args = " --table " + (tmp / "opisy.dbf") + " --data " + (tmp / "opisy.dat") +
                           " --field OPISTOP --max-mb 1 --json";
  const auto before = FileTree(tmp.dir());
  CliRun plan = RunCli("plan divide" + args);
  ASSERT_EQ(plan.code, 0) << plan.err;
  EXPECT_EQ(FileTree(tmp.dir()), before);
  CliRun done = RunCli("divide" + args);
  // The unreadable address and the marker row keep the old files: warnings.
  ASSERT_EQ(done.code, 3) << done.err;

  auto counts = [](const std::string& json) {
    const size_t at = json.find("\"counts\":");
    return json.substr(at, json.find('}', at) - at);
  };
  EXPECT_EQ(counts(plan.out), counts(done.out));
  std::string files;
  for (const auto& [name, size] : SetFiles(tmp.dir(), "opisy.dat")) {
    if (name == "opisy.dat") {
      files = "{\"name\":\"opisy.dat\",\"bytes\":" + std::to_string(size) + "}" + files;
    } else {
      files += ",{\"name\":\"" + name + "\",\"bytes\":" + std::to_string(size) + "}";
    }
  }
  EXPECT_NE(plan.out.find("\"files\":[" + files + "]"), std::string::npos) << plan.out;

  // What would fail is said, and nothing is written.
  CliRun bad = RunCli("plan divide --table " + (tmp / "opisy.dbf") + " --data " +
                      (tmp / "opisy.dat") + " --field NIEMA");
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("Brak pola: NIEMA"), std::string::npos) << bad.err;
}

// restore prints every move it makes; a second run finds no backup.
TEST(CliTest, RestorePrintsEveryMove) {
  TolmLayout t;
  const auto old_files = FileTree(t.backup);
  // The dry run names the directory the real run then uses.
  CliRun r = RunCli("restore --dry-run " + t.backup);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Pliki po podziale trafią do katalogu: " + t.db + "new123" +
                       platform::kPathDelim + "\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(FileTree(t.backup), old_files);
  r = RunCli("restore " + t.backup);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_directory(t.db + "new123"));
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 7 + 6 + 2) << r.out;
  EXPECT_NE(r.out.find(t.backup + "opisy.dat -> " + t.db + "opisy.dat\n"), std::string::npos)
      << r.out;
  for (const auto& [name, content] : old_files) EXPECT_EQ(ReadBytes(t.db + name), content) << name;
  // A second restore finds no backup any more.
  r = RunCli("restore " + t.backup);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Nie znaleziono katalogu kopii"), std::string::npos) << r.err;
}

// The rows of a generated table whose address should read a record but,
// by the generator's own account, does not (marker rows are left alone).
std::vector<uint32_t> UnreadableRows(const demodb::Generated& g, int32_t damaged = 0) {
  std::vector<uint32_t> rows;
  for (size_t i = 0; i < g.rows.size(); ++i) {
    const demodb::GeneratedRow& r = g.rows[i];
    if (r.id == std::string(5, '\xFF') || r.address == 0) continue;
    if (!r.readable || r.address == damaged) rows.push_back(static_cast<uint32_t>(i + 1));
  }
  return rows;
}

// The row numbers of verify's JSON list.
std::vector<uint32_t> JsonListedRows(const std::string& json) {
  std::vector<uint32_t> rows;
  static const std::regex kRow("\\{\"row\":([0-9]+),\"address\":\"[^\"]*\"\\}");
  for (std::sregex_iterator it(json.begin(), json.end(), kRow), end; it != end; ++it)
    rows.push_back(static_cast<uint32_t>(std::stoul((*it)[1].str())));
  return rows;
}

// verify after a division, on references to no record and on a record
// whose first block is damaged: exit code 0 only when every address reads
// a record, every row that does not listed (text and JSON alike), and no
// file changed, with another program holding the description file open.
TEST(CliTest, VerifyListsEveryRowWhoseAddressReadsNoRecord) {
  enum class Set { kDivided, kDangling, kDamaged };
  const struct Case {
    const char* what;
    Set set;
    int code;
  } cases[] = {
      {"divided", Set::kDivided, 0},
      {"references to no record", Set::kDangling, 1},
      {"damaged record", Set::kDamaged, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    auto o = SmallTable(t.dir(), 80);
    o.dangling = c.set == Set::kDangling ? 0.1 : 0;
    const demodb::Generated g = engine_test::Make(o);
    const std::string files =
        "--table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") + " --field OPISTOP";
    std::vector<uint32_t> expected = UnreadableRows(g);
    if (c.set == Set::kDivided) {
      // Its marker rows keep their old records: completed with warnings.
      ASSERT_EQ(RunCli("divide " + files).code, 3);
      expected.clear();
    } else if (c.set == Set::kDamaged) {
      const auto damaged = std::find_if(g.rows.begin(), g.rows.end(), [](const auto& r) {
        return r.readable && r.id != std::string(5, '\xFF');
      });
      ASSERT_NE(damaged, g.rows.end());
      std::string bytes = ReadBytes(t / "opisy.dat");
      const size_t at = static_cast<size_t>(damaged->address) * 1024;
      ASSERT_LT(at + store::kBlockHeaderSize, bytes.size());
      auto* block = reinterpret_cast<uint8_t*>(&bytes[at]);
      store::BlockHeader h = store::BlockHeader::DecodeFrom(block);
      h.Owner = damaged->address + 1;  // the block claims another record
      h.EncodeTo(block);
      std::ofstream(t / "opisy.dat", std::ios::binary) << bytes;
      expected = UnreadableRows(g, damaged->address);
    }
    ASSERT_EQ(expected.empty(), c.code == 0);
    const Snapshot before = Snap(t.dir());
    std::unique_ptr<platform::File> peer;
    ASSERT_TRUE(platform::Env::Default()
                    ->OpenFile(t / "opisy.dat", platform::OpenMode::kReadOnlyShared, &peer)
                    .ok());

    const CliRun text = RunCli("verify " + files);
    EXPECT_EQ(text.code, c.code) << text.err;
    EXPECT_NE(text.out.find("\nWiersze: 80\n"), std::string::npos) << text.out;
    EXPECT_NE(
        text.out.find("Adresy niewskazujące rekordu: " + std::to_string(expected.size()) + "\n"),
        std::string::npos)
        << text.out;
    for (uint32_t row : expected) {
      EXPECT_NE(text.out.find("\n  wiersz " + std::to_string(row) + ": "), std::string::npos)
          << row << "\n"
          << text.out;
    }
    EXPECT_NE(text.out.find(c.code == 0 ? "Wynik: każdy adres wskazuje rekord\n"
                                        : "Wynik: nie każdy adres wskazuje rekord\n"),
              std::string::npos)
        << text.out;

    const CliRun json = RunCli("verify " + files + " --json");
    EXPECT_EQ(json.code, c.code) << json.err;
    EXPECT_EQ(json.out.rfind(std::string("{\"status\":\"") + (c.code ? "problems" : "ok") +
                                 "\",\"table\":\"" + JsonPath(t / "opisy.dbf") +
                                 "\",\"data_file\":\"" + JsonPath(t / "opisy.dat") +
                                 "\",\"field\":\"OPISTOP\",\"counts\":{\"rows\":80,",
                             0),
              0u)
        << json.out;
    EXPECT_NE(json.out.find(",\"unreadable\":" + std::to_string(expected.size()) + ","),
              std::string::npos)
        << json.out;
    EXPECT_EQ(JsonListedRows(json.out), expected) << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1);
    EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
  }
}

// verify refuses what it cannot read, with the reason, and changes nothing.
TEST(CliTest, VerifyFailsOnFilesItCannotRead) {
  TempDir t;
  engine_test::Make(SmallTable(t.dir(), 5));
  const struct Case {
    std::string args, says;
  } cases[] = {
      {"--table " + (t / "brak.dbf") + " --data " + (t / "opisy.dat") + " --field OPISTOP",
       "Nie znaleziono pliku: " + (t / "brak.dbf")},
      {"--table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") + " --field BRAK",
       "Brak pola: BRAK"},
      {"--table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dbf") + " --field OPISTOP",
       "Nie udało się otworzyć pliku: " + (t / "opisy.dbf")},
  };
  const Snapshot before = Snap(t.dir());
  for (const Case& c : cases) {
    const CliRun r = RunCli("verify " + c.args + " --json");
    EXPECT_EQ(r.code, 1) << c.args;
    EXPECT_EQ(r.err.rfind(c.says, 0), 0u) << r.err;
    EXPECT_EQ(r.out.rfind("{\"status\":\"error\",\"error\":", 0), 0u) << r.out;
  }
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
}

// Every command that reports something speaks JSON with --json: one object
// on one line, "status" first, the same keys for the same things, and a
// recover --dry-run that leaves the folder as it was.
TEST(CliTest, EveryReportIsOneJsonObject) {
  TempDir t;
  auto o = SmallTable(t.dir(), 30);
  o.dangling = o.marker = 0;
  Make(o);
  // A working folder of a run that died before its exchange.
  const std::string work = t / "tmp7.tmp";
  fs::create_directories(work);
  std::ofstream(work + "/" + engine::kWorkLockName) << engine::kLockMark;
  ASSERT_TRUE(test_support::Backdate(work + "/" + engine::kWorkLockName, 120));
  ASSERT_TRUE(test_support::Backdate(work, 120));
  const std::string files =
      " --table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") + " --field OPISTOP --json";
  struct Case {
    std::string args;
    int code;
    const char* status;
    std::vector<std::string> keys;
  };
  const std::vector<Case> cases = {
      {"plan divide" + files, 0, "ok", {"jobs", "total"}},
      {"recover --dry-run " + t.dir() + " --json", 0, "ok", {"dry_run", "work_dirs", "done"}},
      {"divide" + files, 0, "ok", {"message", "backup_dir", "jobs", "total"}},
      {"backups " + t.dir() + " --json", 0, "ok", {"backups"}},
      {"check " + (t / "opisy.dat") + " --json", 0, "ok", {"data_file", "files", "plain_bytes"}},
      {"info " + (t / "opisy.dat") + " --json", 0, "ok", {"data_file", "classes", "files"}},
      {"fields " + (t / "opisy.dbf") + " --json", 0, "ok", {"table", "fields", "rows", "tags"}},
      {"probe " + (t / "opisy.dat") + " --json", 0, "ok", {"data_file", "max_size_mb"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const bool recover = c.args.rfind("recover", 0) == 0;
    const Snapshot work_before = recover ? Snap(work) : Snapshot();
    const CliRun r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    const JsonCheck json(r.out);
    ASSERT_TRUE(json.ok()) << r.out;
    EXPECT_EQ(r.out.rfind(std::string("{\"status\":\"") + c.status + "\"", 0), 0u) << r.out;
    for (const std::string& key : c.keys) EXPECT_NE(json[key], "") << key << "\n" << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    if (recover) {
      EXPECT_NE(json["work_dirs"].find("\"action\":\"remove\""), std::string::npos) << r.out;
      EXPECT_TRUE(SameFiles(Snap(work), work_before));
    }
  }
  // The backup the division kept, on trial; the bytes of the counts.
  const std::string old = t / Subdirs(t.dir(), "old").at(0);
  const CliRun r = RunCli("restore " + old + " --dry-run --json");
  EXPECT_EQ(r.code, 0) << r.err;
  const JsonCheck json(r.out);
  ASSERT_TRUE(json.ok()) << r.out;
  EXPECT_EQ(json["dry_run"], "true");
  EXPECT_NE(json["groups"].find("\"aside\":[{\"from\":"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(t / "opisy.dbf"));
  const CliRun plan = RunCli("plan divide" + files.substr(0, files.size() - 7));
  EXPECT_NE(plan.out.find("(rozmiar danych przed kompresją: "), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find(" (na dysku: "), std::string::npos) << plan.out;
}

// Failures with --json: the exit code as without it, the message on stderr
// and the error object on stdout, for wrong usage as for a failed run.
TEST(CliTest, ErrorsAreJsonToo) {
  TempDir t;
  Make(SmallTable(t.dir(), 5));
  const std::string missing = t / "brak";
  const struct {
    std::string args;
    int code;
    std::string says;
  } cases[] = {
      {"divide --table a --data b --field c --max-mb 3000 --json", 2, "--max-mb: wartość 3000"},
      {"check --json", 2, "Brak wymaganego argumentu PLIK"},
      {"info --tabel x --json", 2, "Nieznana opcja: --tabel"},
      {"plan divide --table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") +
           " --field BRAK --json",
       1, "Brak pola: BRAK"},
      {"check " + missing + ".dat --json", 1, ""},
      {"info " + missing + ".dat --json", 1, ""},
      {"probe " + missing + ".dat --json", 1, "nie ma pliku"},
      {"fields " + missing + ".dbf --json", 1, "Nie znaleziono tabeli"},
      {"recover " + missing + " --json", 1, "Nie znaleziono katalogu"},
      {"restore " + missing + " --json", 1, ""},
      {"backups " + missing + " --json", 1, "Nie udało się odczytać katalogu"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    const JsonCheck json(r.out);
    ASSERT_TRUE(json.ok()) << r.out;
    EXPECT_EQ(r.out.rfind("{\"status\":\"error\",\"error\":\"", 0), 0u) << r.out;
    EXPECT_NE(json["error"].find(JsonPath(c.says)), std::string::npos) << r.out;
    EXPECT_NE(r.err, "");
  }
}

}  // namespace
