// The progress window's model.
#include "ui/ProgressModel.h"

#include <algorithm>
#include <limits>

#include "engine/ProgressDisplay.h"

namespace ui {

namespace {

std::string Fill(std::string text, int64_t a, int64_t b) {
  text.replace(text.find("%1"), 2, std::to_string(a));
  text.replace(text.find("%2"), 2, std::to_string(b));
  return text;
}

// Cuts at code points, never inside a UTF-8 sequence.
bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

constexpr char kEllipsis[] = "…";

}  // namespace

void ProgressModel::BeginJob(int index, int count, const std::string& table) {
  job_index_ = index;
  job_count_ = count;
  table_ = table;
}

void ProgressModel::BeginRows(const std::string& caption, int32_t rows) {
  caption_ = caption;
  phase_ = ProgressPhase::kRows;
  rows_ = std::max(rows, 0);
  row_ = 0;
}

void ProgressModel::SetRow(int32_t row) {
  row_ = row;
}

void ProgressModel::BeginPhase(const std::string& text) {
  phase_ = text == engine::kPhaseVerify ? ProgressPhase::kVerify : ProgressPhase::kCommit;
  phase_done_ = phase_total_ = 0;
}

void ProgressModel::SetPhaseProgress(uint64_t done, uint64_t total) {
  phase_done_ = std::min(done, total);
  phase_total_ = total;
}

void ProgressModel::EndJob() {
  phase_ = ProgressPhase::kIdle;
}

bool ProgressModel::Cancel() {
  if (cancelled_ || (phase_ == ProgressPhase::kIdle && job_index_ == 0)) return false;
  cancelled_ = true;
  return true;
}

ProgressState ProgressModel::State() const {
  ProgressState s;
  const std::string prefix = engine::kCaptionPrefix;
  if (caption_.compare(0, prefix.size(), prefix) == 0) {
    s.title = {prefix, caption_.substr(prefix.size())};
  } else {
    s.title = {caption_, ""};
  }
  if (job_count_ > 1) {
    s.job_line = {
        "Tabela " + std::to_string(job_index_) + " z " + std::to_string(job_count_) + ": ", table_};
  } else if (job_count_ == 1) {
    s.job_line = {"Tabela: ", table_};
  }
  s.bar_max = rows_;
  switch (phase_) {
    case ProgressPhase::kIdle:
      break;
    case ProgressPhase::kRows:
      s.bar_position = std::min(row_, rows_);
      s.phase_line = Fill(kRowsLine, s.bar_position, rows_);
      break;
    case ProgressPhase::kVerify: {
      // A bar of its own; totals beyond the bar's range are scaled down.
      uint64_t scale = 1;
      while (phase_total_ / scale > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        scale *= 2;
      s.bar_max = static_cast<int32_t>(phase_total_ / scale);
      s.bar_position = static_cast<int32_t>(phase_done_ / scale);
      s.phase_line = engine::kPhaseVerify;
      break;
    }
    case ProgressPhase::kCommit:
      s.bar_position = rows_;
      s.phase_line = engine::kPhaseCommit;
      break;
  }
  s.cancel_enabled = !cancelled_;
  if (cancelled_) {
    s.phase_line = phase_ == ProgressPhase::kCommit ? kCancelAfterCommitLine : kCancellingLine;
  }
  return s;
}

std::string FitPathStart(const PathLine& line, int room,
                         const std::function<int(const std::string&)>& width) {
  std::string whole = line.prefix + line.path;
  if (width(whole) <= room) return whole;
  // Folders first, from the start, keeping the separator before the rest.
  size_t from = 0;
  for (;;) {
    const size_t next = line.path.find_first_of("/\\", from + 1);
    if (next == std::string::npos) break;
    from = next;
    const std::string candidate = line.prefix + kEllipsis + line.path.substr(from);
    if (width(candidate) <= room) return candidate;
  }
  // Not even the name fits: then the name's own start goes.
  std::string tail = line.path.substr(from);
  while (!tail.empty()) {
    size_t cut = 1;
    while (cut < tail.size() && IsContinuation(tail[cut])) ++cut;
    tail.erase(0, cut);
    const std::string candidate = line.prefix + kEllipsis + tail;
    if (width(candidate) <= room || tail.empty()) return candidate;
  }
  return line.prefix + kEllipsis;
}

}  // namespace ui
