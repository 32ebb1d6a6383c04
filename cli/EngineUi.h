// What the division subcommands share: the progress bar on the terminal,
// the terminal's answer to the request's question, and the report of what
// a request did as text or as one JSON object.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/DivisionRequest.h"
#include "engine/ProgressWindow.h"
#include "engine/UserDialog.h"

namespace cli {

// A bar on stderr: rows, percent, MB/s and time left. Drawn only when
// stderr is a terminal, at most ten times a second.
class TerminalBar : public engine::ProgressWindow {
 public:
  TerminalBar(std::string caption, int32_t maximum)
      : caption_(std::move(caption)), maximum_(maximum), start_(Clock::now()) {}
  ~TerminalBar() override {
    if (shown_) std::fprintf(stderr, "\r\033[K");
  }
  void Show() override {
    shown_ = true;
    std::fprintf(stderr, "%s\n", caption_.c_str());
  }
  void SetBytes(uint64_t bytes) override { bytes_ = bytes; }
  void SetPosition(int32_t position) override {
    if (!shown_) return;
    const auto now = Clock::now();
    if (position != 0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double fraction = maximum_ > 0 ? static_cast<double>(position) / maximum_ : 0.0;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, '.');
    const double rate = seconds > 0 ? bytes_ / 1048576.0 / seconds : 0.0;
    const double left = fraction > 0 ? seconds * (1 - fraction) / fraction : 0.0;
    std::fprintf(stderr, "\r\033[K[%s] %d/%d wierszy %3.0f%%  %.1f MB/s  pozostało %d:%02d",
                 bar.c_str(), position, maximum_, fraction * 100, rate, static_cast<int>(left) / 60,
                 static_cast<int>(left) % 60);
    std::fflush(stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  std::string caption_;
  int32_t maximum_;
  Clock::time_point start_, last_;
  uint64_t bytes_ = 0;
  bool shown_ = false;
};

class TerminalProgress : public engine::ProgressFactory {
 public:
  std::unique_ptr<engine::ProgressWindow> Create(const std::string& caption,
                                                 int32_t maximum) override {
    if (!::isatty(STDERR_FILENO)) return engine::NullProgress()->Create(caption, maximum);
    return std::make_unique<TerminalBar>(caption, maximum);
  }
};

// Questions: answered Yes by --yes, asked on the terminal otherwise; with
// no terminal to ask on, the answer is No and `unanswered` is set.
class TerminalDialog : public engine::UserDialog {
 public:
  explicit TerminalDialog(bool yes) : yes_(yes) {}
  bool unanswered = false;
  std::string informed;

  int Ask(const std::string& text, const std::string& title, int flags) override {
    if (yes_) return engine::kAnswerYes;
    if (!::isatty(STDIN_FILENO)) {
      unanswered = true;
      return 7;
    }
    std::fprintf(stderr, "%s (t/n) ", text.c_str());
    std::string answer;
    if (!std::getline(std::cin, answer)) return 7;
    return (answer == "t" || answer == "T" || answer == "tak" || answer == "y" || answer == "Y" ||
            answer == "yes")
               ? engine::kAnswerYes
               : 7;
  }
  void Inform(const std::string& text, const std::string& title, int flags) override {
    informed = text;
  }

 private:
  bool yes_;
};

// Windows line ends of the messages become the terminal's.
inline std::string TerminalText(std::string s) {
  for (size_t i; (i = s.find("\r\n")) != std::string::npos;) s.erase(i, 1);
  return s;
}

inline std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

inline std::string CountsJson(const engine::DivisionCounts& c) {
  std::ostringstream o;
  o << "{\"rows\":" << c.rows << ",\"converted\":" << c.converted
    << ",\"skipped_empty\":" << c.skipped_empty << ",\"skipped_marker\":" << c.skipped_marker
    << ",\"zero_addresses\":" << c.zero_addresses << ",\"dropped\":" << c.dropped
    << ",\"records_written\":" << c.records_written << ",\"bytes_written\":" << c.bytes_written
    << ",\"new_files\":" << c.new_files << "}";
  return o.str();
}

inline std::string CountsText(const engine::DivisionCounts& c) {
  std::ostringstream o;
  o << "wiersze: " << c.rows << ", przepisane: " << c.converted
    << ", puste adresy: " << c.skipped_empty << ", ze znacznikiem ID: " << c.skipped_marker
    << ", adresy zerowe: " << c.zero_addresses << ", utracone odwołania: " << c.dropped
    << ", zapisane rekordy: " << c.records_written << " (" << c.bytes_written
    << " B), nowe pliki: " << c.new_files;
  return o.str();
}

// Prints what a finished request did; returns the exit code.
inline int ReportRequest(const engine::RequestResult& r, const TerminalDialog& dialog, bool json) {
  if (!r.completed) {
    if (dialog.unanswered) std::cerr << engine::kMsgKadmorQuestion << "\n";
    std::cerr << "Podział nie został wykonany.\n";
    return 1;
  }
  if (json) {
    std::cout << "{\"message\":" << JsonString(r.message)
              << ",\"backup_dir\":" << JsonString(r.backup_path) << ",\"jobs\":[";
    for (size_t i = 0; i < r.jobs.size(); ++i) {
      const auto& j = r.jobs[i];
      std::cout << (i ? "," : "") << "{\"table\":" << JsonString(j.info.TableFile)
                << ",\"data\":" << JsonString(j.info.DataFile)
                << ",\"ran\":" << (j.ran ? "true" : "false")
                << ",\"backup_dir\":" << JsonString(j.used_old_dir)
                << ",\"counts\":" << CountsJson(j.counts) << "}";
    }
    std::cout << "],\"total\":" << CountsJson(r.total) << "}\n";
    return 0;
  }
  std::cout << TerminalText(r.message) << "\n";
  for (const auto& j : r.jobs) {
    std::cout << j.info.TableFile << ": "
              << (j.ran ? CountsText(j.counts) : "pominięto (brak tabeli lub pliku opisów)")
              << "\n";
  }
  if (r.jobs.size() > 1) std::cout << "razem: " << CountsText(r.total) << "\n";
  return 0;
}

}  // namespace cli
