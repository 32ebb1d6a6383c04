// What the progress window of a division request shows: which job of how
// many, what the job does now (its rows, the verification with its own
// progress, the exchange of files), the bar, and whether "Anuluj" can still
// stop it. The model only keeps the numbers; the texts are made when a
// window draws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ui {

enum class ProgressPhase { kIdle, kRows, kVerify, kCommit };

// A line that ends in a path: the path is what gives way when room is short.
struct PathLine {
  std::string prefix;
  std::string path;
};

struct ProgressState {
  PathLine title;     // "Operacje na pliku: " and the description file
  PathLine job_line;  // "Tabela 2 z 8: " and the table; empty without a request
  std::string phase_line;
  int32_t bar_max = 0;
  int32_t bar_position = 0;
  bool cancel_enabled = false;
};

class ProgressModel {
 public:
  // A request's job, `index` counted from 1. `table` as the user knows it:
  // relative to the database folder for a preset.
  void BeginJob(int index, int count, const std::string& table);
  // The row walk of a job. `caption` is the run's caption, the title's
  // prefix followed by the description file.
  void BeginRows(const std::string& caption, int32_t rows);
  void SetRow(int32_t row);
  // The phases after the rows, by the run's own texts.
  void BeginPhase(const std::string& text);
  // How far the phase has got, in units of its own.
  void SetPhaseProgress(uint64_t done, uint64_t total);
  // The job is over; a request's window stays for the next one.
  void EndJob();

  // "Anuluj", Esc or the close box. True when the run should now be asked
  // to stop; once asked, or with nothing running, false. A stop asked
  // during the exchange of files takes effect after it.
  bool Cancel();
  bool cancelled() const { return cancelled_; }
  ProgressPhase phase() const { return phase_; }

  ProgressState State() const;

 private:
  int job_index_ = 0, job_count_ = 0;
  std::string table_;
  std::string caption_;
  ProgressPhase phase_ = ProgressPhase::kIdle;
  int32_t rows_ = 0, row_ = 0;
  uint64_t phase_done_ = 0, phase_total_ = 0;
  bool cancelled_ = false;
};

// The phase line's texts of its own (the phases after the rows speak with
// the run's texts).
inline constexpr char kRowsLine[] = "Przepisywanie wierszy: %1 z %2";
inline constexpr char kCancellingLine[] = "Przerywanie…";
inline constexpr char kCancelAfterCommitLine[] =
    "Zamiana plików… Podział zatrzyma się po jej zakończeniu.";

// `prefix` and as much of the end of `path` as fits in `room` by `width`:
// whole folders are dropped from the path's start and "…" stands for
// them, so the file name is the last thing to go.
std::string FitPathStart(const PathLine& line, int room,
                         const std::function<int(const std::string&)>& width);

}  // namespace ui
