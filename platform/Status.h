// The outcome of a platform call: success, or a kind of failure with a
// readable Polish reason ("otwarcie /x/opisy.dat: nie ma takiego pliku ani
// katalogu"). The store and the table engine keep one beside their Boolean
// results so that a command-line check can say what is wrong.
#pragma once

#include <string>
#include <utility>

namespace platform {

class Status {
 public:
  enum class Code { kOk, kNotFound, kExists, kBusy, kIOError, kInvalid, kNotSupported };

  Status() = default;
  static Status OK() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Code::kNotFound, std::move(msg)); }
  static Status Exists(std::string msg) { return Status(Code::kExists, std::move(msg)); }
  // The file is held by somebody else (share-mode conflict).
  static Status Busy(std::string msg) { return Status(Code::kBusy, std::move(msg)); }
  static Status IOError(std::string msg) { return Status(Code::kIOError, std::move(msg)); }
  static Status Invalid(std::string msg) { return Status(Code::kInvalid, std::move(msg)); }
  // The file system does not offer the operation (a rename flag, hard
  // links): the caller may fall back to another way.
  static Status NotSupported(std::string msg) {
    return Status(Code::kNotSupported, std::move(msg));
  }

  bool ok() const { return code_ == Code::kOk; }
  bool IsNotFound() const { return code_ == Code::kNotFound; }
  bool IsExists() const { return code_ == Code::kExists; }
  bool IsBusy() const { return code_ == Code::kBusy; }
  bool IsNotSupported() const { return code_ == Code::kNotSupported; }
  Code code() const { return code_; }
  const std::string& message() const { return msg_; }
  std::string ToString() const { return ok() ? std::string("OK") : msg_; }

 private:
  Status(Code code, std::string msg) : code_(code), msg_(std::move(msg)) {}
  Code code_ = Code::kOk;
  std::string msg_;
};

}  // namespace platform
