// The progress of a whole division request in one window: the engine's
// progress displays over a ProgressModel, drawn by a toolkit's view. The
// window comes up with the first job and stays until the request ends;
// between the jobs of a preset it only changes its lines. Drawing is held
// to every 100 ms while rows or records go by; a new job or phase is drawn
// at once.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "engine/ProgressDisplay.h"
#include "ui/ProgressModel.h"

namespace ui {

// The toolkit's window.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  // Shows the window if hidden and draws the state; the view lets the
  // toolkit handle what waits (drawing, and the window's own buttons).
  virtual void Draw(const ProgressState& state) = 0;
  virtual void Hide() = 0;
};

class RequestProgress : public engine::ProgressDisplayFactory {
 public:
  explicit RequestProgress(ProgressView* view) : view_(view) {}

  std::unique_ptr<engine::ProgressDisplay> Create(const std::string& caption,
                                                  int32_t maximum) override;
  void BeginJob(int index, int count, const std::string& table) override;
  void EndRequest() override;

  // The window's "Anuluj", Esc or close box: asks the run to stop as an
  // interrupt does (at its next row; after the exchange of files when that
  // has begun).
  void Cancel();

  const ProgressModel& model() const { return model_; }

 private:
  class Job;
  void Draw(bool now);

  ProgressView* view_;
  ProgressModel model_;
  bool in_request_ = false;
  bool shown_ = false;
  std::chrono::steady_clock::time_point drawn_;
};

}  // namespace ui
