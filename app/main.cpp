// The program's entry: --help and --version answered before Qt needs a
// display, then the Qt services in place of the scripted ones and the main
// window until it is closed.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppMessageBoxes.h"
#include "app/EngineServices.h"
#include "app/Main.h"
#include "app/WindowedProgress.h"
#include "controls/QtMessageBoxes.h"
#include "controls/QtOpenDialogs.h"
#include "controls/QtSaveDialogs.h"
#include "controls/QtTranslation.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "platform/SaveDialog.h"
#include "ui/StartOptions.h"

int main(int argc, char** argv) {
  using namespace app;
  using namespace controls;
  const ui::StartDecision start =
      ui::DecideStart(std::vector<std::string>(argv + 1, argv + argc), PODZIAL_VERSION);
  if (start.action == ui::StartDecision::Action::kPrint) {
    std::fputs(start.text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (start.action == ui::StartDecision::Action::kRefuse) {
    std::fputs(start.text.c_str(), stderr);
    return 2;
  }
  // Qt takes the language of its own texts that come from locale data (the
  // sizes and dates in the file dialog) from the environment at start-up;
  // the translation below covers the rest.
  qputenv("LC_MESSAGES", "pl_PL.UTF-8");
  qputenv("LC_TIME", "pl_PL.UTF-8");
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(PODZIAL_VERSION));
  InstallPolishQtTranslation(&app);
  AppMessageBoxes boxes;
  QtOpenDialogs dialogs;
  platform::SetMessageBoxes(&boxes);
  platform::SetOpenDialogs(&dialogs);
  QtSaveDialogs save_dialogs;
  platform::SetSaveDialogs(&save_dialogs);
  WindowedProgress progress;
  platform::Env* env = platform::Env::Default();
  TMainForm form(EngineServices(env, &progress), env);
  form.show();
  const int rc = app.exec();
  platform::SetSaveDialogs(nullptr);
  platform::SetOpenDialogs(nullptr);
  platform::SetMessageBoxes(nullptr);
  return rc;
}
