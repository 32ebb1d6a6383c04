// podzial-cli verify: after a division (or at any time), whether every row
// of a table reads its record from the description set. Nothing is
// changed; the files are opened only to read, shared with other programs.
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/EngineUi.h"
#include "cli/Json.h"
#include "cli/LockTimeout.h"
#include "engine/AddressCheck.h"
#include "engine/EngineError.h"

namespace cli {
namespace {

struct VerifyArgs {
  std::string table, data, field;
  bool no_check_id = false;
  bool json = false;
  int lock_timeout = kDefaultLockTimeout;
};

std::string VerifyText(const engine::TDividerInfo& info, const engine::AddressCheckReport& r) {
  const engine::AddressCheckCounts& c = r.counts;
  std::ostringstream o;
  o << "Tabela: " << info.TableFile << " (pole " << info.AddressField << ")\n"
    << "Plik opisów: " << info.DataFile << "\n"
    << "Wiersze: " << c.rows << "\n"
    << "Wiersze z adresem: " << c.with_address << "\n"
    << "Adresy wskazujące rekord: " << c.readable << "\n"
    << "Adresy niewskazujące rekordu: " << c.unreadable << "\n"
    << "Wiersze bez adresu (puste lub zero): " << c.empty << "\n"
    << "Wiersze ze znacznikiem ID (niesprawdzane): " << c.marker << "\n";
  if (!r.rows.empty()) {
    o << "Wiersze, których adres nie wskazuje rekordu:\n";
    for (const auto& row : r.rows) o << "  wiersz " << row.row << ": " << row.address << "\n";
  }
  o << (r.Clean() ? "Wynik: każdy adres wskazuje rekord\n"
                  : "Wynik: nie każdy adres wskazuje rekord\n");
  return o.str();
}

std::string VerifyJson(const engine::TDividerInfo& info, const engine::AddressCheckReport& r) {
  const engine::AddressCheckCounts& c = r.counts;
  JsonObject counts;
  counts.Add("rows", c.rows)
      .Add("with_address", c.with_address)
      .Add("readable", c.readable)
      .Add("unreadable", c.unreadable)
      .Add("without_address", c.empty)
      .Add("skipped_marker", c.marker);
  std::vector<std::string> rows;
  for (const auto& row : r.rows) {
    rows.push_back(JsonObject().Add("row", row.row).Add("address", row.address).str());
  }
  return JsonObject()
             .Add("status", r.Clean() ? "ok" : "problems")
             .Add("table", info.TableFile)
             .Add("data_file", info.DataFile)
             .Add("field", info.AddressField)
             .Raw("counts", counts.str())
             .Raw("unreadable_list", JsonArray(rows))
             .str() +
         "\n";
}

int RunVerify(const VerifyArgs& a) {
  engine::TDividerInfo info;
  info.TableFile = a.table;
  info.DataFile = a.data;
  info.AddressField = a.field;
  info.CheckID = !a.no_check_id;
  ToolEnv env(a.lock_timeout);
  engine::AddressCheckReport report;
  try {
    report = engine::CheckAddresses(env.get(), info);
  } catch (const engine::EngineError& e) {
    if (env.ReportTimeout(a.data, a.json)) return kExitFailure;
    return ReportError(e.what(), a.json);
  }
  std::cout << (a.json ? VerifyJson(info, report) : VerifyText(info, report));
  return report.Clean() ? kExitOk : kExitFailure;
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto a = std::make_shared<VerifyArgs>();
  CLI::App* sub = app.add_subcommand(
      "verify",
      "Sprawdza, czy adres każdego wiersza tabeli wskazuje rekord pliku opisów; niczego nie "
      "zmienia");
  sub->add_option("--table", a->table, "Plik tabeli (.dbf)")->required()->type_name("PLIK");
  sub->add_option("--data", a->data, "Plik opisów (.dat, .dan) w katalogu tabeli")
      ->required()
      ->type_name("PLIK");
  sub->add_option("--field", a->field, "Pole z adresem opisu")->required()->type_name("POLE");
  sub->add_flag("--no-check-id", a->no_check_id,
                "Sprawdzaj także wiersze ze znacznikiem w polu ID");
  sub->add_flag("--json", a->json, "Wypisz wynik jako obiekt JSON");
  AddLockTimeoutOption(sub, a->lock_timeout);
  sub->footer(
      "Kody wyjścia:\n"
      "  0  każdy adres wskazuje rekord\n"
      "  1  nie każdy adres wskazuje rekord (wiersze są wypisane) albo nie udało się odczytać "
      "plików");
  sub->callback([a, run] { *run = [a] { return RunVerify(*a); }; });
});

}  // namespace
}  // namespace cli
