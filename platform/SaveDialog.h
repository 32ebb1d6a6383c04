// The save-file dialog as a replaceable service: a window describes the
// dialog it wants (filter, options, proposed name and folder), the service
// runs it, and tests put a scripted one in place so that no dialog ever
// waits for a person.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/OpenDialog.h"

namespace platform {

// Option bits beyond those of the open dialog (kOfnHideReadOnly,
// kOfnPathMustExist, kOfnEnableSizing apply here as well).
inline constexpr int kOfnOverwritePrompt = 0x2;

struct SaveDialogRequest {
  std::string title;
  // Pairs of description and patterns, every item separated by "|":
  // "tekst (*.txt)|*.txt". Empty: every file.
  std::string filter;
  int options = 0;
  std::string file_name;    // proposed name; the choice on success
  std::string initial_dir;  // folder to start in; empty: the service's choice
  std::string default_ext;  // added to a name typed without one; empty: none
};

class SaveDialogService {
 public:
  virtual ~SaveDialogService() = default;
  // Runs the dialog. True when the user confirmed a name, which is then in
  // request.file_name; false leaves the request as it was.
  virtual bool Execute(SaveDialogRequest& request) = 0;
};

namespace detail {
inline SaveDialogService* g_save_dialogs = nullptr;
}

// The service in use; null until a front end installs one.
inline SaveDialogService* SaveDialogs() {
  return detail::g_save_dialogs;
}
// Installs a service (not owned) and returns the previous one.
inline SaveDialogService* SetSaveDialogs(SaveDialogService* service) {
  SaveDialogService* previous = detail::g_save_dialogs;
  detail::g_save_dialogs = service;
  return previous;
}
// Without a service nothing is chosen, as if the user cancelled.
inline bool ExecuteSaveDialog(SaveDialogRequest& request) {
  return detail::g_save_dialogs ? detail::g_save_dialogs->Execute(request) : false;
}

// A service for tests: records each request as the dialog received it and
// answers from a script; an empty script cancels.
class ScriptedSaveDialogs : public SaveDialogService {
 public:
  ScriptedSaveDialogs() : previous_(SetSaveDialogs(this)) {}
  ~ScriptedSaveDialogs() override { SetSaveDialogs(previous_); }
  ScriptedSaveDialogs(const ScriptedSaveDialogs&) = delete;
  ScriptedSaveDialogs& operator=(const ScriptedSaveDialogs&) = delete;

  void Choose(std::string file_name) { answers_.push_back(std::move(file_name)); }
  void Cancel() { answers_.push_back(std::nullopt); }

  bool Execute(SaveDialogRequest& request) override {
    seen.push_back(request);
    if (answers_.empty()) return false;
    std::optional<std::string> a = answers_.front();
    answers_.pop_front();
    if (!a) return false;
    request.file_name = *a;
    return true;
  }
  std::vector<SaveDialogRequest> seen;

 private:
  std::deque<std::optional<std::string>> answers_;
  SaveDialogService* previous_;
};

}  // namespace platform
