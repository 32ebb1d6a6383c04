// How a division run shows its progress: a display created with a caption and
// a maximum, shown, moved forward and freed. The engine sees only these
// interfaces; the command line draws a terminal bar, the main window its
// progress window, tests record the positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace engine {

class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;  // freeing hides the window
  virtual void Show() = 0;               // modeless, no owner
  virtual void SetPosition(int32_t position) = 0;
  // Stored bytes copied so far, given with each position (for a rate).
  virtual void SetBytes(uint64_t bytes) {}
  // What the run does once the rows are done and the bar is full: the
  // verification, then the exchange of files. The window stays up through
  // both, until the run ends.
  virtual void SetPhase(const std::string& text) {}
  // How far the verification has got, in units of its own.
  virtual void SetPhaseProgress(uint64_t done, uint64_t total) {}
};

// What a run's caption starts with; the description file follows.
inline constexpr char kCaptionPrefix[] = "Operacje na pliku: ";

// The phases a run names after its row loop.
inline constexpr char kPhaseVerify[] = "Weryfikacja nowych plików…";
inline constexpr char kPhaseCommit[] = "Zamiana plików…";

class ProgressDisplayFactory {
 public:
  virtual ~ProgressDisplayFactory() = default;
  virtual std::unique_ptr<ProgressDisplay> Create(const std::string& caption, int32_t maximum) = 0;
  // A request's job `index` (from 1) of `count` is about to run; `table` as
  // the user names it. The displays of a request's jobs may share one
  // window, kept up until EndRequest.
  virtual void BeginJob(int index, int count, const std::string& table) {}
  // The request is over (also when it failed): before its closing message.
  virtual void EndRequest() {}
};

// A factory whose windows show nothing; used when the caller gives none.
ProgressDisplayFactory* NullProgress();

}  // namespace engine
