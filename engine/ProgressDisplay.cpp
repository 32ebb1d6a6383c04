// The progress factory used when a caller shows no progress.
#include "engine/ProgressWindow.h"

namespace engine {

namespace {

class NullWindow : public ProgressWindow {
 public:
  void Show() override {}
  void SetPosition(int32_t) override {}
};

class NullFactory : public ProgressFactory {
 public:
  std::unique_ptr<ProgressWindow> Create(const std::string&, int32_t) override {
    return std::make_unique<NullWindow>();
  }
};

}  // namespace

ProgressFactory* NullProgress() {
  static NullFactory factory;
  return &factory;
}

}  // namespace engine
