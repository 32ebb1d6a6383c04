#include "cli/EngineUi.h"

#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "platform/Console.h"
#include "platform/Interrupt.h"

namespace cli {

TerminalBar::TerminalBar(std::string caption, int32_t maximum)
    : caption_(std::move(caption)), maximum_(maximum), start_(Clock::now()) {}

TerminalBar::~TerminalBar() {
  if (shown_) std::fprintf(stderr, "\r\033[K");
}

void TerminalBar::Show() {
  shown_ = true;
  std::fprintf(stderr, "%s\n", caption_.c_str());
}

void TerminalBar::SetPhase(const std::string& text) {
  if (!shown_) return;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
}

void TerminalBar::SetPosition(int32_t position) {
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

std::unique_ptr<engine::ProgressDisplay> TerminalProgress::Create(const std::string& caption,
                                                                  int32_t maximum) {
  if (!platform::IsTerminal(platform::StdStream::kErr))
    return engine::NullProgress()->Create(caption, maximum);
  return std::make_unique<TerminalBar>(caption, maximum);
}

int TerminalDialog::Ask(const std::string& text, const std::string& title, int flags) {
  if (yes_) return engine::kAnswerYes;
  if (!platform::IsTerminal(platform::StdStream::kIn)) {
    unanswered = true;
    return engine::kAnswerNo;
  }
  std::fprintf(stderr, "%s (t/n) ", text.c_str());
  std::string answer;
  if (!std::getline(std::cin, answer)) return engine::kAnswerNo;
  return (answer == "t" || answer == "T" || answer == "tak" || answer == "y" || answer == "Y" ||
          answer == "yes")
             ? engine::kAnswerYes
             : engine::kAnswerNo;
}

std::string TerminalText(std::string s) {
  for (size_t i; (i = s.find("\r\n")) != std::string::npos;) s.erase(i, 1);
  return s;
}

std::string CountsJson(const engine::DivisionCounts& c) {
  return JsonObject()
      .Add("rows", c.rows)
      .Add("converted", c.converted)
      .Add("skipped_empty", c.skipped_empty)
      .Add("skipped_marker", c.skipped_marker)
      .Add("marker_kept", c.marker_kept)
      .Add("zero_addresses", c.zero_addresses)
      .Add("dropped", c.dropped)
      .Add("records_written", c.records_written)
      .Add("plain_bytes", c.plain_bytes)
      .Add("new_files", c.new_files)
      .Add("new_files_bytes", c.new_files_bytes)
      .str();
}

int ReportNotDone(const TerminalDialog& dialog, const char* what, bool json) {
  std::string message = what;
  if (dialog.unanswered) message = std::string(engine::kMsgKadmorQuestion) + "\n" + message;
  return ReportError(message, json);
}

JsonObject JobJsonHead(const engine::TDividerInfo& info, bool ran) {
  return JsonObject().Add("table", info.TableFile).Add("data_file", info.DataFile).Add("ran", ran);
}

std::string JobJson(const engine::JobReport& j) {
  return JobJsonHead(j.info, j.ran)
      .Add("backup_dir", j.used_old_dir)
      .Raw("counts", CountsJson(j.counts))
      .Add("dropped_list", j.dropped_list)
      .Raw("notes", StringsJson(j.notes))
      .Raw("warnings", StringsJson(j.warnings))
      .str();
}

int ReportRequest(const engine::RequestResult& r, const TerminalDialog& dialog, bool json) {
  if (!r.completed) return ReportNotDone(dialog, "Podział nie został wykonany.", json);
  const bool warnings = r.HasWarnings();
  if (json) {
    std::vector<std::string> jobs;
    for (const auto& j : r.jobs) jobs.push_back(JobJson(j));
    std::cout << JsonObject()
                     .Add("status", warnings ? "warnings" : "ok")
                     .Add("message", r.message)
                     .Add("backup_dir", r.backup_path)
                     .Raw("jobs", JsonArray(jobs))
                     .Raw("total", CountsJson(r.total))
                     .str()
              << "\n";
  } else {
    std::cout << TerminalText(r.message) << "\n";
    for (const auto& j : r.jobs)
      std::cout << j.info.TableFile << ": " << (j.ran ? CountsText(j.counts) : kSkippedJob) << "\n";
    if (r.jobs.size() > 1) std::cout << "razem: " << CountsText(r.total) << "\n";
  }
  return warnings ? kExitWarnings : kExitOk;
}

void AddMaxMbOption(CLI::App* sub, int32_t& max_mb) {
  sub->add_option("--max-mb", max_mb,
                  "Maksymalny rozmiar pliku opisów w MB, od 0 (bez limitu) do 2047; domyślnie 650")
      ->type_name("MB")
      ->check(IntegerIn(0, 2047));
}

void AddDivideOptions(CLI::App* sub, DivideArgs& a, const std::string& delete_old_help) {
  sub->add_option("--table", a.table, "Plik tabeli (.dbf)")->required()->type_name("PLIK");
  sub->add_option("--data", a.data, "Plik opisów (.dat, .dan) w katalogu tabeli")
      ->required()
      ->type_name("PLIK");
  sub->add_option("--field", a.field, "Pole z adresem opisu")->required()->type_name("POLE");
  AddMaxMbOption(sub, a.max_mb);
  sub->add_flag("--no-check-id", a.no_check_id, "Nie pomijaj wierszy ze znacznikiem w polu ID");
  sub->add_flag("--delete-old", a.delete_old, delete_old_help);
}

void AddPresetOptions(CLI::App* sub, PresetArgs& a, const std::string& delete_old_help) {
  sub->add_option("ZESTAW", a.preset, "tolm, wertal lub kadmor")
      ->required()
      ->check(OneOf({"tolm", "wertal", "kadmor"}));
  sub->add_option("KATALOG", a.dir, "Katalog bazy")->required()->type_name("");
  AddMaxMbOption(sub, a.max_mb);
  sub->add_flag("--delete-old", a.delete_old, delete_old_help);
  sub->add_flag("--yes", a.yes, "Odpowiedz Tak na pytanie o wersję bazy programu Kadmor");
}

engine::RequestEntries DivideEntries(const DivideArgs& a) {
  engine::RequestEntries e;
  e.DivType = engine::kDivUser;
  e.TableFN = a.table;
  e.DataFN = a.data;
  e.FieldName = a.field;
  e.Size = a.max_mb;
  e.CheckID = !a.no_check_id;
  e.OldToTemp = !a.delete_old;
  return e;
}

engine::RequestEntries PresetEntries(const PresetArgs& a) {
  engine::RequestEntries e;
  e.DivType = a.preset == "tolm"     ? engine::kDivTolm
              : a.preset == "wertal" ? engine::kDivWertal
                                     : engine::kDivKadmor;
  e.TolmDir = a.dir;
  e.TolmSize = a.max_mb;
  e.TolmTmp = !a.delete_old;
  return e;
}

void AddRunFlags(CLI::App* sub, bool& no_verify, bool& json) {
  sub->add_flag("--no-verify", no_verify,
                "Nie sprawdzaj nowych plików przed zamianą (szybciej, mniej bezpiecznie)");
  sub->add_flag("--json", json, "Wypisz liczniki jako obiekt JSON");
}

int RunDivision(const engine::RequestEntries& e, bool yes, bool verify, bool json) {
  TerminalProgress progress;
  TerminalDialog dialog(yes);
  engine::DivisionRequest request(
      &dialog, engine::DividerJobRunner(platform::Env::Default(), &progress, verify));
  platform::InstallInterruptHandlers();
  try {
    return ReportRequest(request.Run(e), dialog, json);
  } catch (const engine::EngineError& error) {
    std::cerr << error.what() << "\n";
    if (json) {
      std::vector<std::string> committed;
      if (auto* r = dynamic_cast<const engine::RequestError*>(&error)) {
        for (const auto& j : r->committed()) committed.push_back(JobJson(j));
      }
      std::cout << JsonObject()
                       .Add("status", "error")
                       .Add("error", error.what())
                       .Raw("committed", JsonArray(committed))
                       .str()
                << "\n";
    }
    return platform::InterruptRequested() ? kExitInterrupted : kExitFailure;
  }
}

}  // namespace cli
