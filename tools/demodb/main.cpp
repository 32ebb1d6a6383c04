// podzial-gen: makes databases for the demo and the benchmarks.
//   podzial-gen tolm DIR [--mb N] [--seed S]
//   podzial-gen table DIR --table T --data D [--field F] [--rows N]
//               [--mean-kb K] [--compressed P] [--raster P] [--plain-rows]
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/Polish.h"
#include "platform/Env.h"
#include "tools/demodb/DemoDatabase.h"

int main(int argc, char** argv) {
  CLI::App app{"Generator baz danych do pokazu, testów i pomiarów wydajności"};
  app.name("podzial-gen");
  app.require_subcommand(1);
  cli::SetPolishLabels(app);
  app.footer(
      "Przykłady:\n"
      "  podzial-gen tolm demo --mb 5\n"
      "  podzial-gen table demo --table opisy.dbf --data opisy.dat --rows 1000 --mean-kb 2\n"
      "Katalog docelowy powstaje, jeśli go nie ma; istniejących plików generator nie nadpisuje.");
  std::string dir;
  uint64_t seed = 1;
  uint32_t mb = 40;
  CLI::App* tolm = app.add_subcommand("tolm", "Trzy tabele Banku Tolmów z plikami opisów");
  tolm->add_option("KATALOG", dir, "Katalog bazy (powstaje, jeśli go nie ma)")
      ->required()
      ->type_name("");
  tolm->add_option("--mb", mb, "Łączny rozmiar plików opisów w MB; domyślnie 40")
      ->type_name("MB")
      ->check(cli::IntegerIn(1, 100000));
  tolm->add_option("--seed", seed,
                   "Ziarno liczb losowych (ta sama liczba, ta sama baza); domyślnie 1")
      ->type_name("LICZBA")
      ->check(cli::IntegerIn(0, 1LL << 62));

  demodb::TableOptions o;
  double mean_kb = 4;
  bool plain_rows = false;
  CLI::App* table = app.add_subcommand("table", "Jedna tabela z plikiem opisów");
  table
      ->add_option("KATALOG", o.dir, "Katalog, w którym powstaną pliki (powstaje, jeśli go nie ma)")
      ->required()
      ->type_name("");
  table->add_option("--table", o.table_name, "Nazwa pliku tabeli, np. opisy.dbf")
      ->required()
      ->type_name("PLIK");
  table->add_option("--data", o.data_name, "Nazwa pliku opisów, np. opisy.dat")
      ->required()
      ->type_name("PLIK");
  table->add_option("--field", o.address_field, "Nazwa pola z adresem opisu; domyślnie OPISTOP")
      ->type_name("POLE");
  table->add_option("--rows", o.rows, "Liczba wierszy tabeli; domyślnie 100")
      ->type_name("LICZBA")
      ->check(cli::IntegerIn(0, 100000000));
  table
      ->add_option("--mean-kb", mean_kb,
                   "Średni rozmiar rekordu w KB (od połowy do półtora); domyślnie 4")
      ->type_name("KB");
  table
      ->add_option("--compressed", o.compressed,
                   "Udział rekordów zapisanych w postaci spakowanej, od 0 do 1; domyślnie 0.5")
      ->type_name("UDZIAŁ");
  table
      ->add_option(
          "--raster", o.raster,
          "Udział rekordów rastrowych (niedających się spakować), od 0 do 1; domyślnie 0.3")
      ->type_name("UDZIAŁ");
  table->add_option("--seed", o.seed, "Ziarno liczb losowych; domyślnie 1")
      ->type_name("LICZBA")
      ->check(cli::IntegerIn(0, 1LL << 62));
  table->add_flag(
      "--plain-rows", plain_rows,
      "Bez wierszy nietypowych (pustych adresów, znaczników ID, adresów 0, usuniętych)");
  table->add_flag("--dbt", o.with_dbt, "Z polem memo i plikiem .dbt");
  table->add_flag("--semi-raster", o.semi_raster, "Rekordy rastrowe dające się trochę spakować");
  cli::SetPolishGroups(app);

  // No arguments at all: the help, as a usage error.
  if (argc < 2) {
    std::cerr << app.help();
    return 2;
  }
  const int parsed = cli::ParseCommandLine(app, argc, argv);
  if (parsed >= 0) return parsed;
  if (tolm->parsed() || table->parsed()) {
    const std::string& target = tolm->parsed() ? dir : o.dir;
    platform::Status made = platform::Env::Default()->CreateDirectories(target);
    if (!made.ok()) {
      std::cerr << "Nie udało się utworzyć katalogu " << target << ": " << made.ToString() << "\n";
      return 1;
    }
  }

  platform::Status s;
  if (tolm->parsed()) {
    s = demodb::GenerateTolm(dir, mb, seed);
  } else if (table->parsed()) {
    o.mean_record = static_cast<uint32_t>(mean_kb * 1024);
    if (plain_rows) o.empty = o.marker = o.zero = o.dangling = o.deleted = o.shared = 0;
    demodb::Generated g;
    s = demodb::GenerateTable(o, &g);
    if (s.ok()) std::cout << g.rows.size() << " wierszy, " << g.records << " rekordów\n";
  }
  if (!s.ok()) {
    std::cerr << s.ToString() << "\n";
    return 1;
  }
  return 0;
}
