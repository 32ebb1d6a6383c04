// The services the main window runs on in the program: the size probe of
// the division engine, the field names through the table engine and a
// division job per TDivider showing TProgressWnd windows.
#pragma once

#include "app/Main.h"
#include "app/ProgressWindows.h"
#include "platform/Env.h"

namespace app {

MainFormServices EngineServices(platform::Env* env, ProgressWindowFactory* progress);

}  // namespace app
