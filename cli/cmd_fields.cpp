// podzial-cli fields TABLE: the fields of a dBASE table, its row count and
// version, the companions that belong to it and the tags of its index. An
// index that cannot be read is a warning: the fields are still listed.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/Json.h"
#include "dbase/Dbf.h"
#include "dbase/Table.h"
#include "platform/Path.h"

namespace {

std::string FieldsJson(const std::string& path, dbase::Table& table, const std::string& version) {
  std::vector<std::string> fields, tags;
  for (const dbase::FieldDef& f : table.Fields()) {
    fields.push_back(cli::JsonObject()
                         .Add("name", f.name)
                         .Add("type", std::string(1, f.type))
                         .Add("length", f.length)
                         .Add("decimals", f.decimals)
                         .str());
  }
  for (const dbase::IndexTagInfo& t : table.IndexTags()) {
    tags.push_back(cli::JsonObject()
                       .Add("name", t.name)
                       .Add("expression", t.expression)
                       .Add("filter", t.filter)
                       .Add("key_type", std::string(1, t.key_type ? t.key_type : '?'))
                       .Add("unique", t.unique)
                       .Add("descending", t.descending)
                       .str());
  }
  return cli::JsonObject()
      .Add("status", "ok")
      .Add("table", path)
      .Raw("fields", cli::JsonArray(fields))
      .Add("rows", table.RecordCount())
      .Add("version", version)
      .Add("version_name", dbase::DbfVersionName(table.Version()))
      .Add("mdx_file", table.MdxPath())
      .Add("index_problem", table.IndexProblem())
      .Add("dbt_file", table.DbtPath())
      .Raw("tags", cli::JsonArray(tags))
      .str();
}

int RunFields(const std::string& path, bool json) {
  size_t slash = platform::LastPathDelim(path);
  dbase::Table table;
  table.SetDatabaseName(slash == std::string::npos ? "." : path.substr(0, slash));
  table.SetTableName(slash == std::string::npos ? path : path.substr(slash + 1));
  table.SetIndexOptional(true);
  platform::Status s = table.Open();
  if (!s.ok()) return cli::ReportError(s.message(), json, cli::kExitFailure, "Błąd: ");
  char version[8];
  std::snprintf(version, sizeof version, "0x%02X", table.Version());
  if (json) {
    std::cout << FieldsJson(path, table, version) << "\n";
    return cli::kExitOk;
  }
  for (const dbase::FieldDef& f : table.Fields())
    std::cout << f.name << " " << f.type << " " << f.length << " " << f.decimals << "\n";
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
  auto json = std::make_shared<bool>(false);
  sub->add_option("TABELA", *file, "Plik tabeli .dbf")->required()->type_name("");
  sub->add_flag("--json", *json, "Wypisz opis tabeli jako obiekt JSON");
  sub->callback([run, file, json] { *run = [file, json] { return RunFields(*file, *json); }; });
});

}  // namespace
