// podzial-gen: makes databases for the demo and the benchmarks.
//   podzial-gen tolm DIR [--mb N] [--seed S]
//   podzial-gen table DIR --table T --data D [--field F] [--rows N]
//               [--mean-kb K] [--compressed P] [--raster P] [--plain-rows]
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/demodb/DemoDatabase.h"

int main(int argc, char** argv) {
  CLI::App app{"Generator baz danych do pokazu i testów wydajności"};
  app.require_subcommand(1);
  std::string dir;
  uint64_t seed = 1;
  uint32_t mb = 40;
  CLI::App* tolm = app.add_subcommand("tolm", "Trzy tabele Banku Tolmów");
  tolm->add_option("DIR", dir)->required();
  tolm->add_option("--mb", mb, "Łączny rozmiar plików opisów w MB");
  tolm->add_option("--seed", seed);

  demodb::TableOptions o;
  double mean_kb = 4;
  bool plain_rows = false;
  CLI::App* table = app.add_subcommand("table", "Jedna tabela z plikiem opisów");
  table->add_option("DIR", o.dir)->required();
  table->add_option("--table", o.table_name)->required();
  table->add_option("--data", o.data_name)->required();
  table->add_option("--field", o.address_field);
  table->add_option("--rows", o.rows);
  table->add_option("--mean-kb", mean_kb);
  table->add_option("--compressed", o.compressed);
  table->add_option("--raster", o.raster);
  table->add_option("--seed", o.seed);
  table->add_flag("--plain-rows", plain_rows, "Bez wierszy nietypowych");
  table->add_flag("--dbt", o.with_dbt, "Z polem memo i plikiem .dbt");
  table->add_flag("--semi-raster", o.semi_raster, "Rekordy rastrowe dające się trochę spakować");
  CLI11_PARSE(app, argc, argv);

  platform::Status s;
  if (tolm->parsed()) {
    s = demodb::GenerateTolm(dir, mb, seed);
  } else {
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
