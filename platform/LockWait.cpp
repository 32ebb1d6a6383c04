// Lock waits with a time limit and a notice.
#include "platform/LockWait.h"

#include <algorithm>

namespace platform {

class LockWaitFile final : public FileWrapper {
 public:
  LockWaitFile(std::unique_ptr<File> target, LockWaitEnv* env)
      : FileWrapper(std::move(target)), env_(env) {}

  Status LockByte(uint64_t offset) override {
    const int64_t first = std::min(env_->notice_ms_, env_->timeout_ms_);
    Status s = target()->LockByteFor(offset, first);
    if (s.IsBusy() && env_->timeout_ms_ > first) {
      if (env_->listener_) env_->listener_->Waiting(Path());
      s = target()->LockByteFor(offset, env_->timeout_ms_ - first);
      if (env_->listener_) env_->listener_->WaitEnded();
    }
    if (s.IsBusy()) {
      env_->timed_out_ = true;
      return Status::Busy(Path() + ": plik opisów jest zablokowany przez inny program dłużej niż " +
                          std::to_string(env_->timeout_ms_ / 1000) + " s");
    }
    return s;
  }

 private:
  LockWaitEnv* env_;
};

LockWaitEnv::LockWaitEnv(Env* target, int64_t timeout_ms, LockWaitListener* listener,
                         int64_t notice_ms)
    : EnvWrapper(target),
      timeout_ms_(std::max<int64_t>(timeout_ms, 0)),
      notice_ms_(std::max<int64_t>(notice_ms, 0)),
      listener_(listener) {}

Status LockWaitEnv::OpenFile(const std::string& path, OpenMode mode,
                             std::unique_ptr<File>* result) {
  std::unique_ptr<File> file;
  Status s = EnvWrapper::OpenFile(path, mode, &file);
  if (s.ok()) *result = std::make_unique<LockWaitFile>(std::move(file), this);
  return s;
}

}  // namespace platform
