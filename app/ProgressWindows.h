// The division run's progress shown in TProgressWnd windows. The run goes
// on inside the start button's handler; so that the window is drawn and the
// program does not look hung, each position update lets Qt repaint (at most
// every 100 ms) without taking any user input.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/ProgressWindow.h"

namespace controls {
class TProgressWnd;
}  // namespace controls

namespace app {

using controls::TProgressWnd;

class ProgressWindowFactory : public engine::ProgressFactory {
 public:
  std::unique_ptr<engine::ProgressWindow> Create(const std::string& caption,
                                                 int32_t maximum) override;

  // Called with each window once it is shown (screenshots, tests).
  std::function<void(TProgressWnd*)> on_shown;
};

}  // namespace app
