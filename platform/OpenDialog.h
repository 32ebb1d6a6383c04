// The open-file dialog as a replaceable service: the windows describe the
// dialog they want (filter, options, starting name and folder), the service
// runs it, and tests put a scripted one in place so that no dialog ever
// waits for a person.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Option bits, with the values the classic open dialog gives them.
inline constexpr int kOfnHideReadOnly = 0x4;
inline constexpr int kOfnNoValidate = 0x100;
inline constexpr int kOfnPathMustExist = 0x800;
inline constexpr int kOfnFileMustExist = 0x1000;
inline constexpr int kOfnEnableSizing = 0x800000;

struct OpenDialogRequest {
  std::string title;
  // Pairs of description and patterns, every item separated by "|":
  // "Tabele (*.dbf)|*.dbf|Wszystkie (*.*)|*.*". Empty: every file.
  std::string filter;
  int options = 0;
  std::string file_name;    // proposed name; the choice on success
  std::string initial_dir;  // folder to start in; empty: the service's choice
};

class OpenDialogService {
 public:
  virtual ~OpenDialogService() = default;
  // Runs the dialog. True when the user confirmed a choice, which is then
  // in request.file_name; false leaves the request as it was.
  virtual bool Execute(OpenDialogRequest& request) = 0;
};

namespace detail {
inline OpenDialogService* g_open_dialogs = nullptr;
}

// The service in use; null until a front end installs one.
inline OpenDialogService* OpenDialogs() {
  return detail::g_open_dialogs;
}
// Installs a service (not owned) and returns the previous one.
inline OpenDialogService* SetOpenDialogs(OpenDialogService* service) {
  OpenDialogService* previous = detail::g_open_dialogs;
  detail::g_open_dialogs = service;
  return previous;
}
// Without a service nothing is chosen, as if the user cancelled.
inline bool ExecuteOpenDialog(OpenDialogRequest& request) {
  return detail::g_open_dialogs ? detail::g_open_dialogs->Execute(request) : false;
}

// A service for tests: records each request as the dialog received it and
// answers from a script; an empty script cancels.
class ScriptedOpenDialogs : public OpenDialogService {
 public:
  ScriptedOpenDialogs() : previous_(SetOpenDialogs(this)) {}
  ~ScriptedOpenDialogs() override { SetOpenDialogs(previous_); }
  ScriptedOpenDialogs(const ScriptedOpenDialogs&) = delete;
  ScriptedOpenDialogs& operator=(const ScriptedOpenDialogs&) = delete;

  void Choose(std::string file_name) { answers_.push_back(std::move(file_name)); }
  void Cancel() { answers_.push_back(std::nullopt); }

  bool Execute(OpenDialogRequest& request) override {
    seen.push_back(request);
    if (answers_.empty()) return false;
    std::optional<std::string> a = answers_.front();
    answers_.pop_front();
    if (!a) return false;
    request.file_name = *a;
    return true;
  }
  std::vector<OpenDialogRequest> seen;

 private:
  std::deque<std::optional<std::string>> answers_;
  OpenDialogService* previous_;
};

}  // namespace platform
