// The command line in Polish.
#include "cli/Polish.h"

#include "cli/Json.h"

#include <algorithm>
#include <iostream>

namespace cli {
namespace {

constexpr int kUsage = 2;

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command being parsed when the error came: the last one selected.
const CLI::App* Deepest(const CLI::App& root) {
  const CLI::App* app = &root;
  for (;;) {
    const auto subs = app->get_subcommands();
    if (subs.empty()) return app;
    app = subs.front();
  }
}

std::string CommandPath(const CLI::App* app) {
  std::string path;
  for (; app; app = app->get_parent()) {
    path = app->get_name() + (path.empty() ? "" : " " + path);
  }
  return path;
}

std::vector<std::string> OptionNames(const CLI::App* app) {
  std::vector<std::string> names;
  for (; app; app = app->get_parent()) {
    for (const CLI::Option* o : app->get_options()) {
      for (const auto& l : o->get_lnames()) names.push_back("--" + l);
      for (const auto& s : o->get_snames()) names.push_back("-" + s);
    }
  }
  return names;
}

std::vector<std::string> SubcommandNames(const CLI::App* app) {
  std::vector<std::string> names;
  for (const CLI::App* s : app->get_subcommands({})) names.push_back(s->get_name());
  return names;
}

std::string Suggest(const std::string& closest) {
  return closest.empty() ? "" : " (czy chodziło o " + closest + "?)";
}

// Arguments nobody took: the first says what went wrong best.
std::string UnknownArgument(const CLI::App& root, const CLI::App* at) {
  const std::vector<std::string> left = root.remaining(true);
  if (left.empty()) return "";
  std::string arg = left.front();
  if (StartsWith(arg, "-")) {
    const std::string name = arg.substr(0, arg.find('='));
    return "Nieznana opcja: " + name + Suggest(Closest(name, OptionNames(at)));
  }
  const auto subs = SubcommandNames(at);
  if (!subs.empty() && at->get_subcommands().empty()) {
    return "Nieznane polecenie: " + arg + Suggest(Closest(arg, subs));
  }
  return "Nieoczekiwany argument: " + arg;
}

// The option or argument a CLI11 message is about: its first word that
// looks like one.
std::string NameIn(const std::string& msg) {
  size_t start = msg.find("--");
  if (start == std::string::npos) return "";
  size_t end = msg.find_first_of(" :=,", start);
  return msg.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::string Closest(const std::string& typed, const std::vector<std::string>& known) {
  std::string best;
  size_t best_distance = std::max<size_t>(2, typed.size() / 3) + 1;
  for (const std::string& k : known) {
    size_t d = Distance(typed, k);
    // A typed prefix of a name is as good as a near miss.
    if (typed.size() >= 3 && StartsWith(k, typed)) d = std::min<size_t>(d, 1);
    if (d < best_distance) {
      best_distance = d;
      best = k;
    }
  }
  return best;
}

CLI::Validator IntegerIn(long long min, long long max) {
  return CLI::Validator(
      [min, max](std::string& value) -> std::string {
        size_t used = 0;
        long long v = 0;
        try {
          v = std::stoll(value, &used, 10);
        } catch (const std::exception&) {
          used = 0;
        }
        if (value.empty() || used != value.size()) {
          return "„" + value + "” nie jest liczbą całkowitą";
        }
        if (v < min || v > max) {
          return "wartość " + value + " spoza przedziału " + std::to_string(min) + "–" +
                 std::to_string(max);
        }
        return std::string();
      },
      "");
}

CLI::Validator OneOf(std::vector<std::string> words) {
  return CLI::Validator(
      [words](std::string& value) -> std::string {
        if (std::find(words.begin(), words.end(), value) != words.end()) return std::string();
        std::string list;
        for (const auto& w : words) list += (list.empty() ? "" : ", ") + w;
        return "„" + value + "” nie jest jednym z: " + list + Suggest(Closest(value, words));
      },
      "");
}

void SetPolishLabels(CLI::App& app) {
  app.set_help_flag("-h,--help", "Wyświetla pomoc i kończy");
  auto fmt = app.get_formatter();
  fmt->label("Usage", "Użycie");
  fmt->label("OPTIONS", "OPCJE");
  fmt->label("SUBCOMMAND", "POLECENIE");
  fmt->label("SUBCOMMANDS", "POLECENIA");
  fmt->label("Positionals", "Argumenty");
  fmt->label("REQUIRED", "WYMAGANE");
  fmt->label("TEXT", "TEKST");
  fmt->label("INT", "LICZBA");
  fmt->label("UINT", "LICZBA");
  fmt->label("FLOAT", "LICZBA");
  fmt->label("Env", "Zmienna");
  fmt->label("Needs", "Wymaga");
  fmt->label("Excludes", "Wyklucza");
  fmt->column_width(34);
}

void SetPolishGroups(CLI::App& app) {
  for (CLI::Option* o : app.get_options()) {
    if (o->get_group() == "Options") o->group("Opcje");
  }
  for (CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (sub->get_group() == "Subcommands") sub->group("Polecenia");
    SetPolishGroups(*sub);
  }
}

void SetExamples(CLI::App& app, const std::map<std::string, std::string>& examples) {
  for (CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    std::string path = CommandPath(sub);
    path = path.substr(path.find(' ') + 1);  // without the program's name
    auto it = examples.find(path);
    // The examples come first; a command's own footer (its exit codes)
    // follows them.
    if (it != examples.end()) {
      const std::string own = sub->get_footer();
      sub->footer("Przykłady:\n" + it->second + (own.empty() ? "" : "\n" + own));
    }
    SetExamples(*sub, examples);
  }
}

std::string UsageErrorText(const CLI::App& root, const CLI::ParseError& e) {
  const CLI::App* at = Deepest(root);
  std::string text = UnknownArgument(root, at);
  const std::string msg = e.what();
  if (!text.empty()) {
  } else if (dynamic_cast<const CLI::RequiredError*>(&e)) {
    if (StartsWith(msg, "A subcommand")) {
      std::string list;
      for (const auto& n : SubcommandNames(at)) list += (list.empty() ? "" : ", ") + n;
      text = "Brak polecenia; dostępne: " + list;
    } else if (EndsWith(msg, " is required")) {
      const std::string name = msg.substr(0, msg.size() - std::string(" is required").size());
      text = StartsWith(name, "-") ? "Brak wymaganej opcji " + name
                                   : "Brak wymaganego argumentu " + name;
    }
  } else if (dynamic_cast<const CLI::ValidationError*>(&e)) {
    text = msg;  // "NAME: " and the Polish words of the validators above
  } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
    const std::string name = NameIn(msg);
    text = name.empty() ? "Niewłaściwa liczba argumentów" : "Opcja " + name + " wymaga wartości";
  } else if (dynamic_cast<const CLI::ConversionError*>(&e)) {
    const std::string name = NameIn(msg);
    text = name.empty() ? "Niewłaściwa wartość" : "Niewłaściwa wartość opcji " + name;
  }
  if (text.empty()) text = "Błędne wywołanie";
  return text + "\nPomoc: " + CommandPath(at) + " --help";
}

int ParseCommandLine(CLI::App& app, int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // "help" followed by a command is that command's --help; "help" alone
  // the program's, "help --help" its own.
  if (!args.empty() && args.front() == "help" && (args.size() == 1 || args[1][0] != '-')) {
    args.erase(args.begin());
    args.push_back("--help");
  }
  // A caller that asked for JSON reads a usage error from it too; the
  // parse consumes the arguments, so this is looked at first.
  const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
  std::reverse(args.begin(), args.end());  // CLI11 takes them last first
  try {
    app.parse(args);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    return ReportError(UsageErrorText(app, e), json, kUsage);
  }
  return -1;
}

}  // namespace cli
