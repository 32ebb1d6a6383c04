#include "ui/StartOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace ui {
namespace {

constexpr char kHelp[] =
    "Podział plików z danymi opisowymi: okno programu\n"
    "Użycie: podzial [OPCJE]\n"
    "\n"
    "Opcje:\n"
    "  -h, --help     Wyświetla pomoc i kończy\n"
    "  -V, --version  Wypisuje wersję programu i kończy\n"
    "\n"
    "Bez opcji otwiera okno podziału. Te same działania z wiersza poleceń:\n"
    "podzial-cli --help, man podzial-cli.\n";

// Qt reads these itself (with one dash or two, the value after "=" or as
// the next argument); a session manager restarting the window adds
// -session.
constexpr std::array<std::string_view, 12> kQtWithValue = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "style",           "stylesheet",         "display",       "geometry"};
constexpr std::array<std::string_view, 5> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                                      "sync"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

StartDecision Refuse(const std::string& text) {
  return {StartDecision::Action::kRefuse, text + "\nPomoc: podzial --help\n"};
}

}  // namespace

StartDecision DecideStart(const std::vector<std::string>& args, const std::string& version) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") return {StartDecision::Action::kPrint, kHelp};
    if (arg == "-V" || arg == "--version")
      return {StartDecision::Action::kPrint, "podzial " + version + "\n"};
    if (arg.size() < 2 || arg[0] != '-') return Refuse("Nieoczekiwany argument: " + arg);
    std::string_view name(arg);
    name.remove_prefix(name.starts_with("--") ? 2 : 1);
    const size_t eq = name.find('=');
    const bool has_value = eq != std::string_view::npos;
    if (has_value) name = name.substr(0, eq);
    if (Contains(kQtFlags, name) && !has_value) continue;
    if (!Contains(kQtWithValue, name)) return Refuse("Nieznana opcja: " + arg);
    if (has_value) continue;
    if (i + 1 == args.size()) return Refuse("Opcja " + arg + " wymaga wartości");
    ++i;
  }
  return {};
}

}  // namespace ui
