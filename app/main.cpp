// The program's entry: the Qt services in place of the scripted ones, then
// the main window until it is closed.
#include <QApplication>

#include "app/EngineServices.h"
#include "app/Main.h"
#include "app/ProgressWindows.h"
#include "controls/QtMessageBoxes.h"
#include "controls/QtOpenDialogs.h"
#include "controls/QtSaveDialogs.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "platform/SaveDialog.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QtMessageBoxes boxes;
  QtOpenDialogs dialogs;
  platform::SetMessageBoxes(&boxes);
  platform::SetOpenDialogs(&dialogs);
  QtSaveDialogs save_dialogs;
  platform::SetSaveDialogs(&save_dialogs);
  TProgressWindows progress;
  platform::Env* env = platform::Env::Default();
  TMainForm form(EngineServices(env, &progress), env);
  form.show();
  const int rc = app.exec();
  platform::SetSaveDialogs(nullptr);
  platform::SetOpenDialogs(nullptr);
  platform::SetMessageBoxes(nullptr);
  return rc;
}
