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

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      continue;  // the messages' Windows line ends: a reader of JSON expects \n
    } else if (c == '"' || c == '\\') {
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

std::string CountsJson(const engine::DivisionCounts& c) {
  std::ostringstream o;
  o << "{\"rows\":" << c.rows << ",\"converted\":" << c.converted
    << ",\"skipped_empty\":" << c.skipped_empty << ",\"skipped_marker\":" << c.skipped_marker
    << ",\"marker_kept\":" << c.marker_kept << ",\"zero_addresses\":" << c.zero_addresses
    << ",\"dropped\":" << c.dropped << ",\"records_written\":" << c.records_written
    << ",\"bytes_written\":" << c.bytes_written << ",\"new_files\":" << c.new_files << "}";
  return o.str();
}

int ReportNotDone(const TerminalDialog& dialog, const char* what) {
  if (dialog.unanswered) std::cerr << engine::kMsgKadmorQuestion << "\n";
  std::cerr << what << "\n";
  return kExitFailure;
}

std::string JobJsonHead(const engine::TDividerInfo& info, bool ran) {
  return "{\"table\":" + JsonString(info.TableFile) + ",\"data\":" + JsonString(info.DataFile) +
         ",\"ran\":" + (ran ? "true" : "false");
}

std::string StringsJson(const std::vector<std::string>& strings) {
  std::string out;
  for (const auto& s : strings) out += (out.empty() ? "" : ",") + JsonString(s);
  return "[" + out + "]";
}

std::string JobJson(const engine::JobReport& j) {
  std::ostringstream o;
  o << JobJsonHead(j.info, j.ran) << ",\"backup_dir\":" << JsonString(j.used_old_dir)
    << ",\"counts\":" << CountsJson(j.counts) << ",\"dropped_list\":" << JsonString(j.dropped_list)
    << ",\"notes\":" << StringsJson(j.notes) << ",\"warnings\":" << StringsJson(j.warnings) << "}";
  return o.str();
}

void PrintTotal(const engine::DivisionCounts& total, size_t jobs, bool json) {
  if (json) {
    std::cout << "],\"total\":" << CountsJson(total) << "}\n";
  } else if (jobs > 1) {
    std::cout << "razem: " << CountsText(total) << "\n";
  }
}

int ReportRequest(const engine::RequestResult& r, const TerminalDialog& dialog, bool json) {
  if (!r.completed) return ReportNotDone(dialog, "Podział nie został wykonany.");
  const bool warnings = r.HasWarnings();
  if (json) {
    std::cout << "{\"status\":" << (warnings ? "\"warnings\"" : "\"ok\"")
              << ",\"message\":" << JsonString(r.message)
              << ",\"backup_dir\":" << JsonString(r.backup_path) << ",\"jobs\":[";
    for (size_t i = 0; i < r.jobs.size(); ++i) std::cout << (i ? "," : "") << JobJson(r.jobs[i]);
  } else {
    std::cout << TerminalText(r.message) << "\n";
    for (const auto& j : r.jobs)
      std::cout << j.info.TableFile << ": " << (j.ran ? CountsText(j.counts) : kSkippedJob) << "\n";
  }
  PrintTotal(r.total, r.jobs.size(), json);
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
      std::vector<engine::JobReport> committed;
      if (auto* r = dynamic_cast<const engine::RequestError*>(&error)) committed = r->committed();
      std::cout << "{\"status\":\"error\",\"error\":" << JsonString(error.what())
                << ",\"committed\":[";
      for (size_t i = 0; i < committed.size(); ++i) {
        std::cout << (i ? "," : "") << JobJson(committed[i]);
      }
      std::cout << "]}\n";
    }
    return platform::InterruptRequested() ? kExitInterrupted : kExitFailure;
  }
}

}  // namespace cli
