// The progress factory used when a caller shows no progress.
#include "engine/ProgressDisplay.h"

namespace engine {

namespace {

class NullWindow : public ProgressDisplay {
 public:
  void Show() override {}
  void SetPosition(int32_t) override {}
};

class NullFactory : public ProgressDisplayFactory {
 public:
  std::unique_ptr<ProgressDisplay> Create(const std::string&, int32_t) override {
    return std::make_unique<NullWindow>();
  }
};

}  // namespace

ProgressDisplayFactory* NullProgress() {
  static NullFactory factory;
  return &factory;
}

}  // namespace engine
