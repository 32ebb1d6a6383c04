// The division subcommands of podzial-cli, run as a user runs them: exit
// codes, the completion text and counts, JSON, and the Kadmor question
// with no terminal to ask on.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>

#include "engine/Commit.h"
#include "platform/Path.h"
#include "tests/engine/Databases.h"
#include "tests/platform/Shell.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

struct CliRun {
  int code;
  std::string out, err;
};

// Runs podzial-cli with stdin from the null device (no terminal).
CliRun Cli(const TempDir& t, const std::string& args) {
  using namespace testing_util;
  const std::string cmd = BuiltProgram("cli/podzial-cli") + " " + args + " <" + kNullDevice + " >" +
                          ShellQuote(t / "out.txt") + " 2>" + ShellQuote(t / "err.txt");
  CliRun r{RunShell(cmd), ReadBytes(t / "out.txt"), ReadBytes(t / "err.txt")};
  fs::remove(t / "out.txt");
  fs::remove(t / "err.txt");
  return r;
}

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
  CliRun r = Cli(t, "preset tolm " + (t / "db") + " --max-mb 1 --json");
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
  r = Cli(t, "probe " + (t / "db/opisy.dat"));
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
  CliRun r = Cli(t, "preset kadmor " + (t / "db"));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Wybrana baza była używana przez program Kadmor w wersji mniejszej niż "
                       "1.10"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(SameFiles(Snap(t / "db/kerg"), before));
  EXPECT_EQ(fs::directory_iterator(t / "db")->path().filename(), "kerg");

  r = Cli(t, "preset kadmor " + (t / "db") + " --yes --delete-old");
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
  CliRun r = Cli(t, "divide " + files + " --field BRAK");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Brak pola: BRAK (tabela " + (t / "opisy.dbf") + ")\n");
  r = Cli(t, "divide " + files + " --field OPISTOP --max-mb 2048");
  EXPECT_EQ(r.code, 2);
  r = Cli(t, "divide --table \"\" --data x --field y");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Nie wypełniono wszystkich pól: Tabela\n");
  r = Cli(t, "divide " + files + " --field OPISTOP --max-mb 0 --no-check-id");
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
    const CliRun r = Cli(t, "divide --table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat") +
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
    CliRun r = Cli(t, line);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string where =
        c.keeps_old ? "  stare pliki do katalogu kopii: " : "  stare pliki do usunięcia: ";
    EXPECT_NE(r.out.find(where + "opisy.dbf, opisy.mdx, opisy.dat\n"), std::string::npos) << r.out;
    EXPECT_EQ(
        r.out.find("  wiersze ze znacznikiem ID z adresem starych danych: ") != std::string::npos,
        c.marker > 0)
        << r.out;
    r = Cli(t, line + " --json");
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
  CliRun r = Cli(t, "plan " + line);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Plan podziału"), std::string::npos) << r.out;
  {
    std::unique_ptr<platform::File> peer;
    ASSERT_TRUE(platform::Env::Default()
                    ->OpenFile(t / "opisy.dat", platform::OpenMode::kReadOnlyShared, &peer)
                    .ok());
    r = Cli(t, "plan " + line);
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
    CliRun r = Cli(t, "probe " + c.file);
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
    CliRun r = Cli(t, c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind(c.err_start, 0), 0u) << r.err;
    EXPECT_TRUE(SameFiles(Snap(db), before));
    EXPECT_TRUE(Subdirs(db, "").empty());
  }
  EXPECT_EQ(Cli(t, "recover " + db).out, "Brak przerwanych podziałów w katalogu " + db + "\n");

  // Another program has the second job's description file open.
  std::unique_ptr<platform::File> held;
  ASSERT_TRUE(platform::Env::Default()
                  ->OpenFile(db + "opisyv.dat", platform::OpenMode::kReadOnlyShared, &held)
                  .ok());
  CliRun r = Cli(t, "preset tolm " + db + " --json");
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
  ASSERT_EQ(Cli(t, "backups " + db).out,
            "Brak kopii danych sprzed podziału w katalogu " + db + "\n");
  ASSERT_EQ(Cli(t, "preset tolm " + db + " --max-mb 1").code, 3);
  const std::string first = db + platform::kPathDelim + Subdirs(db, "old")[0];
  fs::remove(first + platform::kPathDelim + "podzial-kopia.ini");
  ASSERT_TRUE(test_support::Backdate(first, 7200));
  // The first division dropped the references to no record: none are left.
  ASSERT_EQ(Cli(t, "preset tolm " + db + " --max-mb 1").code, 0);

  CliRun r = Cli(t, "backups " + db);
  ASSERT_EQ(r.code, 0) << r.err;
  const size_t newer = r.out.find("wersja: " PODZIAL_VERSION);
  const size_t older = r.out.find(first + platform::kPathDelim + "\n  data: ");
  ASSERT_NE(newer, std::string::npos) << r.out;
  ASSERT_NE(older, std::string::npos) << r.out;
  EXPECT_LT(newer, older) << r.out;
  EXPECT_NE(r.out.find("\n  opisyv.dbf: wiersze: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("wersja: nieznana"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n  dokopisy.dbf\n"), std::string::npos) << r.out;

  r = Cli(t, "backups " + db + " --json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"status\":\"ok\",\"backups\":[{\"backup_dir\":", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"described\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"described\":false"), std::string::npos) << r.out;
  EXPECT_NE(
      r.out.find("{\"table\":\"opisy.dbf\",\"data_file\":\"opisy.dat\",\"counts\":{\"rows\":"),
      std::string::npos)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);

  r = Cli(t, "backups " + (t / "nie-ma"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Nie udało się odczytać katalogu: " + (t / "nie-ma") + "\n");
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
    const CliRun r = Cli(t, c.args);
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
  const CliRun r = Cli(t, "restore " + old + " --dry-run --json");
  EXPECT_EQ(r.code, 0) << r.err;
  const JsonCheck json(r.out);
  ASSERT_TRUE(json.ok()) << r.out;
  EXPECT_EQ(json["dry_run"], "true");
  EXPECT_NE(json["groups"].find("\"aside\":[{\"from\":"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(t / "opisy.dbf"));
  const CliRun plan = Cli(t, "plan divide" + files.substr(0, files.size() - 7));
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
    const CliRun r = Cli(t, c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    const JsonCheck json(r.out);
    ASSERT_TRUE(json.ok()) << r.out;
    EXPECT_EQ(r.out.rfind("{\"status\":\"error\",\"error\":\"", 0), 0u) << r.out;
    EXPECT_NE(json["error"].find(JsonPath(c.says)), std::string::npos) << r.out;
    EXPECT_NE(r.err, "");
  }
}

}  // namespace
