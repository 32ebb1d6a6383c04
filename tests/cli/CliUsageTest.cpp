// podzial-cli speaks Polish in everything it prints itself and in what its
// command-line library would print: the help of every command and the
// answers to wrong usages. And the file tools wait for a description file
// another program holds locked, say so, and give up in time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/Json.h"
#include "platform/Env.h"
#include "tests/cli/RunCli.h"
#include "tests/platform/TempDir.h"

namespace {

using testing_util::TempDir;

using cli_test::RunCli;
using cli_test::RunProgram;
using cli_test::Slurp;
using Outcome = cli_test::CliRun;

// The words CLI11 prints on its own; none may reach the user.
const std::regex kEnglish(
    "\\b(Options|Subcommands|Positionals|REQUIRED|required|Usage|TEXT|INT|UINT|FLOAT|Expected|"
    "expected|Could not|convert|Value|range|Outcome with|following|subcommand|allowed|Display|"
    "information|Excludes|Needs|not found)\\b");

std::string EnglishIn(const std::string& text) {
  std::smatch m;
  return std::regex_search(text, m, kEnglish) ? m.str() : "";
}

// Every command listed under "Polecenia:" of the program's help.
std::vector<std::string> Commands(const std::string& help) {
  std::vector<std::string> names;
  const size_t start = help.find("Polecenia:\n");
  if (start == std::string::npos) return names;
  std::istringstream lines(help.substr(start + 11));
  for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    names.push_back(name);
  }
  return names;
}

// Every JSON string the program writes is valid: Windows line ends become
// one \n, control bytes are escaped, and bytes that are not UTF-8 (a name
// in another code page) become the replacement character.
TEST(CliUsageTest, JsonStringsAreValidWhateverTheBytes) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a\r\nb", "\"a\\nb\""},
      {"\"\\\t", "\"\\\"\\\\\\u0009\""},
      {"Zażółć", "\"Zażółć\""},
      {"\xb9x", "\"\\ufffdx\""},                      // CP1250 "ą"
      {"\xc4", "\"\\ufffd\""},                        // cut short
      {"\xc0\xaf", "\"\\ufffd\\ufffd\""},             // overlong
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::JsonString(c.in), c.out) << c.in;
}

TEST(CliUsageTest, HelpOfEveryCommandIsPolishWithExamples) {
  Outcome top = RunCli("--help");
  ASSERT_EQ(top.code, 0) << top.err;
  EXPECT_EQ(EnglishIn(top.out), "") << top.out;
  EXPECT_NE(top.out.find("Opcje:"), std::string::npos) << top.out;
  EXPECT_NE(top.out.find("  3    podział zakończony z ostrzeżeniami: "), std::string::npos)
      << top.out;
  std::vector<std::string> commands = Commands(top.out);
  for (const char* expected : {"divide", "preset", "plan", "restore", "probe", "cat", "help"}) {
    EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end()) << expected;
  }
  commands.push_back("plan divide");
  commands.push_back("plan preset");
  for (const std::string& c : commands) {
    Outcome r = RunCli(c + " --help");
    EXPECT_EQ(r.code, 0) << c << r.err;
    EXPECT_EQ(EnglishIn(r.out + r.err), "") << c << ":\n" << r.out;
    EXPECT_NE(r.out.find("Użycie: podzial-cli " + c), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Przykłady:\n  podzial-cli "), std::string::npos) << c << ":\n" << r.out;
    // "help COMMAND" is the same help.
    EXPECT_EQ(RunCli("help " + c).out, r.out) << c;
  }
  Outcome divide = RunCli("divide --help");
  EXPECT_NE(divide.out.find("domyślnie 650"), std::string::npos) << divide.out;
  Outcome version = RunCli("--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("podzial-cli ") + PODZIAL_VERSION + "\n");
}

// The man page and the bash completion are installed on Linux only.
#ifndef _WIN32

// The long options of a help text: the first column of its option lines.
std::vector<std::string> OptionsOf(const std::string& help) {
  static const std::regex kOption("--[a-z][a-z0-9-]*");
  std::vector<std::string> options;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) != 0) continue;
    const std::string names = line.substr(0, line.find("  ", 2));
    for (std::sregex_iterator it(names.begin(), names.end(), kOption), end; it != end; ++it)
      options.push_back(it->str());
  }
  return options;
}

// The lines of a help's examples, without the indentation.
std::vector<std::string> ExamplesOf(const std::string& help) {
  std::vector<std::string> examples;
  const size_t start = help.find("Przykłady:\n");
  if (start == std::string::npos) return examples;
  std::istringstream lines(help.substr(start + 12));
  for (std::string line; std::getline(lines, line) && line.rfind("  podzial-cli ", 0) == 0;)
    examples.push_back(line.substr(2));
  return examples;
}

bool HasWord(const std::string& text, const std::string& word) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if (end == text.size() ||
        !(std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-'))
      return true;
  }
  return false;
}

// What the completion script offers for each command line (its last word
// the one being completed), run by a bare bash: no rc files, no
// bash-completion package. Each answer is the offered words, sorted.
std::vector<std::vector<std::string>> Completions(const std::string& cwd,
                                                  const std::vector<std::string>& lines) {
  const TempDir t;
  std::ofstream script(t / "complete.sh");
  script << "source " << cli_test::Q(PODZIAL_SOURCE_DIR "/dist/podzial-cli.bash") << "\n"
         << "cd " << cli_test::Q(cwd) << " || exit 1\n"
         << "c() { COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _podzial_cli;\n"
         << "  local IFS='|'; echo \"${COMPREPLY[*]}\"; }\n";
  for (const std::string& line : lines) {
    script << "c";
    std::istringstream words(line);
    for (std::string w; words >> w;) script << " " << cli_test::Q(w);
    if (line.empty() || line.back() == ' ') script << " ''";
    script << "\n";
  }
  script.close();
  int rc = -1;
  std::istringstream out(testing_util::RunShellOutput(
      "bash --norc --noprofile " + cli_test::Q(t / "complete.sh"), &rc));
  EXPECT_EQ(rc, 0);
  std::vector<std::vector<std::string>> answers;
  for (std::string line; std::getline(out, line);) {
    std::vector<std::string> words;
    std::istringstream split(line);
    for (std::string w; std::getline(split, w, '|');) words.push_back(w);
    std::sort(words.begin(), words.end());
    answers.push_back(words);
  }
  EXPECT_EQ(answers.size(), lines.size());
  answers.resize(lines.size());
  return answers;
}

// The man page, the bash completion and each command's examples keep in
// step with the program: every command it lists has its man-page section,
// its completion and examples that start with it; every option of its help
// is in the man page and is offered by the completion; and every option an
// example uses is one of the command's own.
TEST(CliUsageTest, ManPageAndCompletionKnowEveryCommand) {
  std::string man = Slurp(PODZIAL_SOURCE_DIR "/dist/podzial-cli.1");
  ASSERT_FALSE(man.empty());
  for (size_t at; (at = man.find("\\-")) != std::string::npos;) man.erase(at, 1);

  std::vector<std::string> commands;
  for (const std::string& c : Commands(RunCli("--help").out)) {
    if (c == "help") continue;
    EXPECT_NE(man.find("\n.B " + c + " "), std::string::npos) << c << ": no man-page section";
    commands.push_back(c);
    if (c == "plan") {
      for (const std::string& sub : Commands(RunCli("plan --help").out))
        commands.push_back("plan " + sub);
    }
  }
  ASSERT_GT(commands.size(), 10u);
  std::vector<std::string> lines = {"podzial-cli "};
  for (const std::string& c : commands) lines.push_back("podzial-cli " + c + " --");
  const auto offered = Completions(PODZIAL_SOURCE_DIR, lines);
  std::map<std::string, std::vector<std::string>> options, examples;
  for (size_t i = 0; i < commands.size(); ++i) {
    const std::string& c = commands[i];
    SCOPED_TRACE(c);
    if (c.find(' ') == std::string::npos) {
      EXPECT_TRUE(std::count(offered[0].begin(), offered[0].end(), c)) << "name not completed";
    }
    const std::string help = RunCli(c + " --help").out;
    options[c] = OptionsOf(help);
    EXPECT_TRUE(std::count(options[c].begin(), options[c].end(), "--help")) << help;
    for (const std::string& o : options[c]) {
      EXPECT_TRUE(HasWord(man, o)) << o << " not in the man page";
      EXPECT_TRUE(std::count(offered[i + 1].begin(), offered[i + 1].end(), o))
          << o << " not completed";
    }
    examples[c] = ExamplesOf(help);
    ASSERT_FALSE(examples[c].empty()) << help;
    EXPECT_EQ(examples[c][0].rfind("podzial-cli " + c + " ", 0), 0u) << examples[c][0];
  }
  // An example's options are those of the command it runs ("plan divide"
  // under plan's examples, too).
  static const std::regex kUsed("\\s(--[a-z][a-z0-9-]*)");
  for (const auto& [c, lines_of_c] : examples) {
    for (const std::string& e : lines_of_c) {
      std::string runs;
      for (const std::string& other : commands) {
        if (e.rfind("podzial-cli " + other + " ", 0) == 0 && other.size() > runs.size())
          runs = other;
      }
      ASSERT_FALSE(runs.empty()) << e;
      for (std::sregex_iterator it(e.begin(), e.end(), kUsed), end; it != end; ++it) {
        EXPECT_TRUE(std::count(options[runs].begin(), options[runs].end(), (*it)[1].str()))
            << c << ": " << e;
      }
    }
  }
}

// The completion offers description files (.dat, .dan) where one is
// expected, tables (.dbf) where a table is, directories with both, and the
// fixed words of a command.
TEST(CliUsageTest, CompletionOffersTheFilesACommandTakes) {
  TempDir t;
  for (const char* f : {"opisy.dat", "RASTRY.DAN", "opisy.dbf", "OPERDOK.DBF", "uwagi.txt"})
    std::ofstream(t / f) << "x";
  std::filesystem::create_directories(t / "baza");
  using Words = std::vector<std::string>;
  const Words data = {"RASTRY.DAN", "baza", "opisy.dat"};
  const Words tables = {"OPERDOK.DBF", "baza", "opisy.dbf"};
  struct Case {
    std::string line;
    Words offered;
  };
  const Case cases[] = {
      {"podzial-cli ve", {"verify"}},
      {"podzial-cli verify --data ", data},
      {"podzial-cli verify --data o", {"opisy.dat"}},
      {"podzial-cli plan divide --table ", tables},
      {"podzial-cli check ", data},
      {"podzial-cli put opisy.dat ",
       {"OPERDOK.DBF", "RASTRY.DAN", "baza", "opisy.dat", "opisy.dbf", "uwagi.txt"}},
      {"podzial-cli cat opisy.dat ", {}},
      {"podzial-cli fields ", tables},
      {"podzial-cli preset ", {"kadmor", "tolm", "wertal"}},
      {"podzial-cli preset tolm ", {"baza"}},
      {"podzial-cli restore ", {"baza"}},
      {"podzial-cli plan ", {"divide", "preset"}},
      {"podzial-cli divide --no-", {"--no-check-id", "--no-verify"}},
      {"podzial-cli verify --field ", {}},
      {"podzial-cli help pr", {"preset", "probe"}},
  };
  std::vector<std::string> lines;
  for (const Case& c : cases) lines.push_back(c.line);
  const auto offered = Completions(t.dir(), lines);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(offered[i], cases[i].offered) << lines[i];
}

#endif  // _WIN32

TEST(CliUsageTest, WrongUsagesAreToldInPolishWithTheNameAtFault) {
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"", "Brak polecenia; dostępne: "},
      {"divid --table a", "Nieznane polecenie: divid (czy chodziło o divide?)"},
      {"plan divde", "Nieznane polecenie: divde (czy chodziło o divide?)"},
      {"plan", "Brak polecenia; dostępne: divide, preset"},
      {"divide --tabel a --data b --field c", "Nieznana opcja: --tabel (czy chodziło o --table?)"},
      {"divide --data b --field c", "Brak wymaganej opcji --table"},
      {"divide --table a --data b --field c --max-mb 3000",
       "--max-mb: wartość 3000 spoza przedziału 0–2047"},
      {"divide --table a --data b --field c --max-mb abc", "„abc” nie jest liczbą całkowitą"},
      {"divide --data b --field c --table", "Opcja --table wymaga wartości"},
      {"preset tolx /baza",
       "„tolx” nie jest jednym z: tolm, wertal, kadmor (czy chodziło o tolm?)"},
      {"probe", "Brak wymaganego argumentu PLIK"},
      {"probe a.dat b.dat", "Nieoczekiwany argument: b.dat"},
      {"cat a.dat 80000000", "adres 80000000 jest poza zakresem adresów (od 00000001 do 7FFFFFFF)"},
      {"cat a.dat 123456789", "adres 123456789 jest poza zakresem adresów"},
      {"cat a.dat 2a", "Nie udało się otworzyć pliku"},
      {"cat a.dat 0", "adres 00000000 nie wskazuje żadnego rekordu"},
      {"cat a.dat xyz", "nieprawidłowy adres „xyz” (oczekiwane cyfry szesnastkowe"},
      {"info a.dat --lock-timeout -1", "--lock-timeout: wartość -1 spoza przedziału"},
  };
  for (const Case& c : cases) {
    Outcome r = RunCli(c.args);
    EXPECT_NE(r.code, 0) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ":\n" << r.err;
    EXPECT_EQ(EnglishIn(r.err), "") << c.args << ":\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args;
    // Usage errors end with where the help is.
    if (r.code == 2 && c.args.rfind("cat", 0) != 0) {
      EXPECT_NE(r.err.find("\nPomoc: podzial-cli"), std::string::npos) << r.err;
    }
  }
}

// Another program holds the lock byte of the description file: after two
// seconds the tool says it waits, after --lock-timeout it gives up with
// exit code 1 and the file as it was.
TEST(CliUsageTest, ToolsWaitForALockedFileAndGiveUpInTime) {
  TempDir t;
  ASSERT_EQ(RunCli("new " + (t / "opisy.dat")).code, 0);
  std::ofstream(t / "rekord.txt") << "opis";
  Outcome put = RunCli("put " + (t / "opisy.dat") + " " + (t / "rekord.txt"));
  ASSERT_EQ(put.code, 0) << put.err;
  ASSERT_EQ(put.out.size(), 9u) << put.out;
  const std::string address = put.out.substr(0, 8);
  const std::string before = Slurp(t / "opisy.dat");

  std::unique_ptr<platform::File> peer;
  ASSERT_TRUE(platform::Env::Default()
                  ->OpenFile(t / "opisy.dat", platform::OpenMode::kReadWriteShared, &peer)
                  .ok());
  ASSERT_TRUE(peer->LockByte(1023).ok());

  const auto start = std::chrono::steady_clock::now();
  Outcome cat = RunCli("cat " + (t / "opisy.dat") + " " + address + " --lock-timeout 3");
  const double waited =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(cat.code, 1);
  EXPECT_EQ(cat.err.rfind("Plik opisów jest zablokowany przez inny program, czekam…\n", 0), 0u)
      << cat.err;
  EXPECT_NE(cat.err.find("przerwano po 3 s. Pliki nie zostały zmienione."), std::string::npos)
      << cat.err;
  EXPECT_GE(waited, 3.0);
  EXPECT_LT(waited, 20.0);

  // A limit below the notice time gives up without the notice.
  for (const std::string tool : {"put", "probe", "info", "check"}) {
    std::string args = tool + " " + (t / "opisy.dat") + " --lock-timeout 1";
    if (tool == "put") args += " " + (t / "rekord.txt");
    Outcome r = RunCli(args);
    EXPECT_EQ(r.code, 1) << tool << r.out;
    EXPECT_EQ(r.err.find("czekam"), std::string::npos) << tool << r.err;
    EXPECT_NE(r.err.find("jest nadal zablokowany przez inny program"), std::string::npos)
        << tool << r.err;
  }
  EXPECT_EQ(Slurp(t / "opisy.dat"), before);

  ASSERT_TRUE(peer->UnlockByte(1023).ok());
  Outcome free = RunCli("cat " + (t / "opisy.dat") + " " + address + " --lock-timeout 1");
  EXPECT_EQ(free.code, 0) << free.err;
  EXPECT_EQ(free.out, "opis");
}

// The database generator: every option explained, the help for a bare
// call (a usage error), and the target directory made when missing.
TEST(CliUsageTest, GeneratorExplainsItselfAndMakesItsDirectory) {
  TempDir t;
  const std::string gen = "tools/demodb/podzial-gen";
  Outcome bare = RunProgram(gen, "");
  EXPECT_EQ(bare.code, 2);
  EXPECT_NE(bare.err.find("Użycie: podzial-gen"), std::string::npos) << bare.err;
  for (const char* command : {"tolm", "table"}) {
    Outcome help = RunProgram(gen, std::string(command) + " --help");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(EnglishIn(help.out), "") << help.out;
    // Every option has a description: text after its name on its line, or
    // on the next line when the name is long.
    std::vector<std::string> lines;
    std::istringstream in(help.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind("  -", 0) != 0) continue;
      const size_t name_end = lines[i].find("  ", 2);
      const bool same_line = name_end != std::string::npos &&
                             lines[i].find_first_not_of(' ', name_end) != std::string::npos;
      const bool next_line = i + 1 < lines.size() && lines[i + 1].rfind("      ", 0) == 0 &&
                             lines[i + 1].find_first_not_of(' ') != std::string::npos;
      EXPECT_TRUE(same_line || next_line) << command << ": " << lines[i];
    }
  }
  Outcome made =
      RunProgram(gen, "table " + (t / "nowy/katalog") + " --table a.dbf --data a.dat --rows 3");
  EXPECT_EQ(made.code, 0) << made.err;
  EXPECT_TRUE(platform::Env::Default()->FileExists(t / "nowy/katalog/a.dbf"));
}

}  // namespace
