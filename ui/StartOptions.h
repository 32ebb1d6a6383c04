// What the window's program does with its command line before any window
// exists: tell its version or its options, refuse what it does not know,
// or open the main window. Decided without a display, so that --version
// answers on a machine with no desktop.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct StartDecision {
  enum class Action {
    kOpenWindow,  // nothing of ours in the arguments
    kPrint,       // `text` to standard output, then exit 0
    kRefuse,      // `text` to standard error, then exit 2
  };
  Action action = Action::kOpenWindow;
  std::string text;
};

// `args` are the arguments after the program's name. Qt's own options
// (-platform NAME, -style NAME, -session ID, -reverse…) pass to the window
// untouched; the program itself has only -h/--help and -V/--version.
StartDecision DecideStart(const std::vector<std::string>& args, const std::string& version);

}  // namespace ui
