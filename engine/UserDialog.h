// How the division request talks to the user: one yes/no question and one
// information message, each with a text, a title and the standard box's flag
// word (36 = Yes/No with the question icon, 64 = OK with the information
// icon). The command line answers on the terminal, the main window shows
// message boxes, tests script the answers.
#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace engine {

// Flag words and the answer the request looks at.
inline constexpr int kFlagsQuestion = platform::kMbYesNo | platform::kMbIconQuestion;
inline constexpr int kFlagsInformation = platform::kMbOk | platform::kMbIconInformation;
inline constexpr int kFlagsWarning = platform::kMbOk | platform::kMbIconWarning;
inline constexpr int kAnswerYes = platform::kIdYes;
inline constexpr int kAnswerNo = platform::kIdNo;

class UserDialog {
 public:
  virtual ~UserDialog() = default;
  // Asks a yes/no question; returns the button code (6 = Yes, anything
  // else is No).
  virtual int Ask(const std::string& text, const std::string& title, int flags) = 0;
  // Shows a notice and returns when the user has seen it.
  virtual void Inform(const std::string& text, const std::string& title, int flags) = 0;
  // A notice about rows the user may want to read: `lists` are the text
  // files that list them. Where lists cannot be opened, a plain notice.
  virtual void InformWithLists(const std::string& text, const std::string& title, int flags,
                               const std::vector<std::string>& lists) {
    (void)lists;
    Inform(text, title, flags);
  }
};

// A dialog over the installed platform message box service
// (platform::ShowMessage): what the main window uses.
class MessageBoxDialog : public UserDialog {
 public:
  int Ask(const std::string& text, const std::string& title, int flags) override;
  void Inform(const std::string& text, const std::string& title, int flags) override;
};

}  // namespace engine
