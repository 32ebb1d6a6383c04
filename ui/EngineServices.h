// The main window's services over the division engine and the table
// engine, shared by every toolkit: the size probe (with a window while it
// waits for a locked file), a file's size, the field names, one division
// job. What only a toolkit can do comes in as parameters.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Env.h"
#include "platform/LockWait.h"
#include "ui/MainModel.h"

namespace ui {

struct ToolkitParts {
  // Makes the window that says the size probe waits for a locked file; it
  // lives while the probe runs. Null: no window.
  std::function<std::unique_ptr<platform::LockWaitListener>()> lock_wait_window;
  // Shows a text file (the list of rows a division left to look at).
  std::function<void(const std::string& path)> open_text;
};

MainServices EngineServices(platform::Env* env, engine::ProgressDisplayFactory* progress,
                            ToolkitParts parts);

}  // namespace ui
