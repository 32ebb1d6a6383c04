// podzial-cli divide: one hand-picked division job, with the main window's
// defaults (650 MB, check ID on, old data kept).
#include "cli/Command.h"
#include "cli/EngineUi.h"

namespace cli {
namespace {

struct DivideOptions {
  std::string table, data, field;
  int32_t max_mb = 650;
  bool no_check_id = false;
  bool delete_old = false;
  bool json = false;
  bool no_verify = false;
};

int RunDivide(const DivideOptions& o) {
  engine::RequestEntries e;
  e.DivType = engine::kDivUser;
  e.TableFN = o.table;
  e.DataFN = o.data;
  e.FieldName = o.field;
  e.Size = o.max_mb;
  e.CheckID = !o.no_check_id;
  e.OldToTemp = !o.delete_old;
  TerminalProgress progress;
  TerminalDialog dialog(false);
  engine::DivisionRequest request(
      &dialog, engine::DividerJobRunner(platform::Env::Default(), &progress, !o.no_verify));
  return ReportRequest(request.Run(e), dialog, o.json);
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<DivideOptions>();
  CLI::App* sub = app.add_subcommand("divide", "Dzieli plik opisów wybranej tabeli");
  sub->add_option("--table", o->table, "Plik tabeli (.dbf)")->required();
  sub->add_option("--data", o->data, "Plik opisów (.dat, .dan)")->required();
  sub->add_option("--field", o->field, "Pole z adresem opisu")->required();
  sub->add_option("--max-mb", o->max_mb, "Maksymalny rozmiar pliku w MB (0 = bez limitu)")
      ->check(CLI::Range(0, 2047));
  sub->add_flag("--no-check-id", o->no_check_id, "Nie pomijaj wierszy ze znacznikiem w polu ID");
  sub->add_flag("--delete-old", o->delete_old, "Usuń stare pliki zamiast je zachować");
  sub->add_flag("--no-verify", o->no_verify,
                "Nie sprawdzaj nowych plików przed zamianą (szybciej, mniej bezpiecznie)");
  sub->add_flag("--json", o->json, "Wypisz liczniki jako obiekt JSON");
  sub->callback([o, run] { *run = [o] { return RunDivide(*o); }; });
});

}  // namespace
}  // namespace cli
