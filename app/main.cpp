// The program's entry: the Qt services in place of the scripted ones, then
// the main window until it is closed.
#include <QApplication>

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

int main(int argc, char** argv) {
  using namespace app;
  using namespace controls;
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
