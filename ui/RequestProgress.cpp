// One progress window for a division request.
#include "ui/RequestProgress.h"

#include "platform/Interrupt.h"

namespace ui {

namespace {
constexpr auto kDrawInterval = std::chrono::milliseconds(100);
}  // namespace

class RequestProgress::Job : public engine::ProgressDisplay {
 public:
  Job(RequestProgress* owner, const std::string& caption, int32_t maximum) : owner_(owner) {
    owner_->model_.BeginRows(caption, maximum);
  }
  ~Job() override {
    owner_->model_.EndJob();
    // A job run on its own takes its window with it.
    if (!owner_->in_request_) owner_->EndRequest();
  }
  void Show() override { owner_->Draw(true); }
  void SetPosition(int32_t position) override {
    owner_->model_.SetRow(position);
    owner_->Draw(false);
  }
  void SetPhase(const std::string& text) override {
    owner_->model_.BeginPhase(text);
    owner_->Draw(true);
  }
  void SetPhaseProgress(uint64_t done, uint64_t total) override {
    owner_->model_.SetPhaseProgress(done, total);
    owner_->Draw(done == total);
  }

 private:
  RequestProgress* owner_;
};

std::unique_ptr<engine::ProgressDisplay> RequestProgress::Create(const std::string& caption,
                                                                 int32_t maximum) {
  return std::make_unique<Job>(this, caption, maximum);
}

void RequestProgress::BeginJob(int index, int count, const std::string& table) {
  in_request_ = true;
  model_.BeginJob(index, count, table);
  // Once up, the window names the next job at once, also one that will be
  // skipped for missing files.
  if (shown_) Draw(true);
}

void RequestProgress::EndRequest() {
  in_request_ = false;
  model_ = ProgressModel();
  if (shown_) {
    shown_ = false;
    view_->Hide();
  }
}

void RequestProgress::Cancel() {
  if (model_.Cancel()) platform::RequestInterrupt();
  if (shown_) Draw(true);
}

void RequestProgress::Draw(bool now) {
  const auto t = std::chrono::steady_clock::now();
  if (!now && shown_ && t - drawn_ < kDrawInterval) return;
  drawn_ = t;
  shown_ = true;
  view_->Draw(model_.State());
}

}  // namespace ui
