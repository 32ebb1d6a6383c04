// What the open and save dialogs have in common: the request a window fills
// in, the replaceable service that runs it, and a scripted service for tests
// so that no dialog ever waits for a person. Each kind of request has its
// own service slot, so an open and a save service can be installed together.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Option bits both dialogs take, with the values the classic dialogs give
// them.
inline constexpr int kOfnHideReadOnly = 0x4;
inline constexpr int kOfnPathMustExist = 0x800;
inline constexpr int kOfnEnableSizing = 0x800000;

struct FileDialogRequest {
  std::string title;
  // Pairs of description and patterns, every item separated by "|":
  // "Tabele (*.dbf)|*.dbf|Wszystkie (*.*)|*.*". Empty: every file.
  std::string filter;
  int options = 0;
  std::string file_name;    // proposed name; the choice on success
  std::string initial_dir;  // folder to start in; empty: the service's choice
};

template <class Request>
class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  // Runs the dialog. True when the user confirmed a choice, which is then
  // in request.file_name; false leaves the request as it was.
  virtual bool Execute(Request& request) = 0;
};

namespace detail {
template <class Request>
inline FileDialogService<Request>* g_file_dialogs = nullptr;
}

// Installs a service (not owned) and returns the previous one.
template <class Request>
FileDialogService<Request>* SetFileDialogs(FileDialogService<Request>* service) {
  FileDialogService<Request>* previous = detail::g_file_dialogs<Request>;
  detail::g_file_dialogs<Request> = service;
  return previous;
}
// Without a service nothing is chosen, as if the user cancelled.
template <class Request>
bool ExecuteFileDialog(Request& request) {
  FileDialogService<Request>* service = detail::g_file_dialogs<Request>;
  return service ? service->Execute(request) : false;
}

// A service for tests: records each request as the dialog received it and
// answers from a script; an empty script cancels.
template <class Request>
class ScriptedFileDialogs : public FileDialogService<Request> {
 public:
  ScriptedFileDialogs() : previous_(SetFileDialogs<Request>(this)) {}
  ~ScriptedFileDialogs() override { SetFileDialogs<Request>(previous_); }
  ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
  ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

  void Choose(std::string file_name) { answers_.push_back(std::move(file_name)); }
  void Cancel() { answers_.push_back(std::nullopt); }

  bool Execute(Request& request) override {
    seen.push_back(request);
    if (answers_.empty()) return false;
    std::optional<std::string> a = answers_.front();
    answers_.pop_front();
    if (!a) return false;
    request.file_name = *a;
    return true;
  }
  std::vector<Request> seen;

 private:
  std::deque<std::optional<std::string>> answers_;
  FileDialogService<Request>* previous_;
};

}  // namespace platform
