// podzial-cli fields TABLE: the fields of a dBASE table, its row count and
// version, the companions that belong to it and the tags of its index. An
// index that cannot be read is a warning: the fields are still listed.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "dbase/Dbf.h"
#include "dbase/Table.h"
#include "platform/Path.h"

namespace {

int RunFields(const std::string& path) {
  size_t slash = platform::LastPathDelim(path);
  dbase::Table table;
  table.SetDatabaseName(slash == std::string::npos ? "." : path.substr(0, slash));
  table.SetTableName(slash == std::string::npos ? path : path.substr(slash + 1));
  table.SetIndexOptional(true);
  platform::Status s = table.Open();
  if (!s.ok()) {
    std::cerr << "Błąd: " << s.message() << "\n";
    return cli::kExitFailure;
  }
  for (const dbase::FieldDef& f : table.Fields())
    std::cout << f.name << " " << f.type << " " << f.length << " " << f.decimals << "\n";
  char version[8];
  std::snprintf(version, sizeof version, "0x%02X", table.Version());
  std::cout << "Liczba wierszy: " << table.RecordCount() << "\n";
  std::cout << "Wersja: " << version << " (" << dbase::DbfVersionName(table.Version()) << ")\n";
  std::cout << "Indeks .mdx: " << (table.MdxPath().empty() ? std::string("brak") : table.MdxPath())
            << "\n";
  if (!table.IndexProblem().empty()) std::cout << "Uwaga: " << table.IndexProblem() << "\n";
  std::cout << "Plik notatek .dbt: "
            << (table.DbtPath().empty() ? std::string("brak") : table.DbtPath()) << "\n";
  for (const dbase::IndexTagInfo& t : table.IndexTags()) {
    std::cout << "Znacznik " << t.name << ": " << t.expression;
    if (!t.filter.empty()) std::cout << " FOR " << t.filter;
    std::cout << " (klucz " << (t.key_type ? t.key_type : '?');
    if (t.unique) std::cout << ", unikalny";
    if (t.descending) std::cout << ", malejący";
    std::cout << ")\n";
  }
  return cli::kExitOk;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto file = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand(
      "fields", "Pokazuje pola tabeli dBASE, liczbę wierszy, wersję, pliki .mdx i .dbt");
  sub->add_option("TABELA", *file, "Plik tabeli .dbf")->required()->type_name("");
  sub->callback([run, file] { *run = [file] { return RunFields(*file); }; });
});

}  // namespace
