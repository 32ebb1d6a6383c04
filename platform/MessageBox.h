// The standard message box as a replaceable service: the windows show
// questions and notices through it, and tests put a scripted one in place
// so that no dialog ever waits for a person.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace platform {

// Flag words of the standard boxes.
inline constexpr int kMbOk = 0;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbIconError = 16;
inline constexpr int kMbIconQuestion = 32;
inline constexpr int kMbIconWarning = 48;
inline constexpr int kMbIconInformation = 64;
// Button codes returned.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
// The one button a box may have besides its standard ones.
inline constexpr int kIdExtra = 100;

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows a modal box with UTF-8 text and title; returns the button code.
  virtual int Show(const std::string& text, const std::string& title, int flags) = 0;
  // The same box with one more button, captioned `extra`, that answers
  // kIdExtra. A service that cannot add it shows the standard box.
  virtual int ShowWithButton(const std::string& text, const std::string& title, int flags,
                             const std::string& extra) {
    (void)extra;
    return Show(text, title, flags);
  }
};

// The service in use; null until a front end installs one.
MessageBoxService* MessageBoxes();
// Installs a service (not owned) and returns the previous one.
MessageBoxService* SetMessageBoxes(MessageBoxService* service);

// Shows a box through the installed service. Without one nothing is shown
// and the answer is No (for Yes/No boxes) or OK, so that nothing proceeds
// by accident.
int ShowMessage(const std::string& text, const std::string& title, int flags);
// The same with an extra button (kIdExtra when it was pressed).
int ShowMessage(const std::string& text, const std::string& title, int flags,
                const std::string& extra);

// A service for tests: records every box and answers from a script
// (kIdOk for OK boxes, the next scripted answer for Yes/No boxes).
class ScriptedMessageBoxes : public MessageBoxService {
 public:
  struct Shown {
    std::string text, title;
    int flags;
    std::string extra;  // caption of the extra button, if any
  };
  ScriptedMessageBoxes() : previous_(SetMessageBoxes(this)) {}
  ~ScriptedMessageBoxes() override { SetMessageBoxes(previous_); }

  void Answer(int code) { answers_.push_back(code); }
  int ShowWithButton(const std::string& text, const std::string& title, int flags,
                     const std::string& extra) override {
    shown.push_back({text, title, flags, extra});
    if (press_extra) return kIdExtra;
    return Answered(flags);
  }
  int Show(const std::string& text, const std::string& title, int flags) override {
    shown.push_back({text, title, flags, {}});
    return Answered(flags);
  }
  std::vector<Shown> shown;
  // Boxes with an extra button answer with it.
  bool press_extra = false;

 private:
  int Answered(int flags) {
    if ((flags & 0xF) == kMbYesNo) {
      if (answers_.empty()) return kIdNo;
      int a = answers_.front();
      answers_.pop_front();
      return a;
    }
    return kIdOk;
  }

  std::deque<int> answers_;
  MessageBoxService* previous_;
};

}  // namespace platform
