// What the division subcommands share: their options, the progress bar on
// the terminal, the terminal's answer to the request's question, and the
// report of what a request did as text or as one JSON object.
#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/Json.h"
#include "cli/Polish.h"
#include "engine/DivisionChecks.h"
#include "engine/DivisionRequest.h"
#include "engine/ProgressDisplay.h"
#include "engine/Reports.h"
#include "engine/UserDialog.h"

namespace cli {

// A bar on stderr: rows, percent, MB/s and time left. Drawn only when
// stderr is a terminal, at most ten times a second.
class TerminalBar : public engine::ProgressDisplay {
 public:
  TerminalBar(std::string caption, int32_t maximum);
  ~TerminalBar() override;
  void Show() override;
  void SetBytes(uint64_t bytes) override { bytes_ = bytes; }
  // The rows are done: the full bar gives way to what happens now.
  void SetPhase(const std::string& text) override;
  void SetPosition(int32_t position) override;

 private:
  using Clock = std::chrono::steady_clock;
  std::string caption_;
  int32_t maximum_;
  Clock::time_point start_, last_;
  uint64_t bytes_ = 0;
  bool shown_ = false;
};

class TerminalProgress : public engine::ProgressDisplayFactory {
 public:
  std::unique_ptr<engine::ProgressDisplay> Create(const std::string& caption,
                                                  int32_t maximum) override;
};

// Questions: answered Yes by --yes, asked on the terminal otherwise; with
// no terminal to ask on, the answer is No and `unanswered` is set.
class TerminalDialog : public engine::UserDialog {
 public:
  explicit TerminalDialog(bool yes) : yes_(yes) {}
  bool unanswered = false;
  std::string informed;

  int Ask(const std::string& text, const std::string& title, int flags) override;
  void Inform(const std::string& text, const std::string& title, int flags) override {
    informed = text;
  }

 private:
  bool yes_;
};

// Windows line ends of the messages become the terminal's.
std::string TerminalText(std::string s);
std::string CountsJson(const engine::DivisionCounts& c);
using engine::CountsText;

inline constexpr const char* kSkippedJob = engine::kMsgSkippedJob;

// A request that did not go through: why, when the terminal could not be
// asked, and `what` ("Podział nie został wykonany."); with `json` also as
// the error object. Returns the exit code.
int ReportNotDone(const TerminalDialog& dialog, const char* what, bool json);

// The start of a job's JSON object: table, data file and whether it ran.
JsonObject JobJsonHead(const engine::TDividerInfo& info, bool ran);

// One finished job as JSON: where its old files are, its counts, the list
// of references it could not copy, its notes and its warnings.
std::string JobJson(const engine::JobReport& j);

// Prints what a finished request did; returns the exit code: 3 when it
// completed with warnings (HasWarnings), 0 when clean.
int ReportRequest(const engine::RequestResult& r, const TerminalDialog& dialog, bool json);

// The arguments of a division chosen by hand (divide, plan divide) and of a
// preset's jobs (preset, plan preset), with the main window's defaults.
struct DivideArgs {
  std::string table, data, field;
  int32_t max_mb = 650;
  bool no_check_id = false;
  bool delete_old = false;
};

struct PresetArgs {
  std::string preset, dir;
  int32_t max_mb = 650;
  bool delete_old = false;
  bool yes = false;
};

void AddMaxMbOption(CLI::App* sub, int32_t& max_mb);
void AddDivideOptions(CLI::App* sub, DivideArgs& a, const std::string& delete_old_help);
void AddPresetOptions(CLI::App* sub, PresetArgs& a, const std::string& delete_old_help);
engine::RequestEntries DivideEntries(const DivideArgs& a);
engine::RequestEntries PresetEntries(const PresetArgs& a);

// The flags divide and preset add after their own: checking the new files
// and the report as JSON.
void AddRunFlags(CLI::App* sub, bool& no_verify, bool& json);

// Exit code of a run stopped by Ctrl+C or a termination signal.
inline constexpr int kExitInterrupted = 130;

// Runs a division request with the terminal's bar and questions and prints
// its report; returns the exit code. Ctrl+C and SIGTERM stop it at the next
// row (never inside the commit). A failure goes to stderr; with --json it
// is also one object on stdout that names the jobs already committed.
int RunDivision(const engine::RequestEntries& e, bool yes, bool verify, bool json);

}  // namespace cli
