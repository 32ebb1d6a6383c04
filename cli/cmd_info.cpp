// podzial-cli info FILE: the header of a description file and its files.
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "cli/StoreText.h"
#include "store/Checker.h"
#include "store/Format.h"

namespace {

int RunInfo(const std::string& file, int lock_timeout, bool json) {
  store::CheckReport r;
  std::string error;
  cli::ToolEnv env(lock_timeout);
  // The header is read under the lock byte, so that no writer of another
  // program is half way through it; a file that cannot be opened is left
  // to ReadSetInfo to report.
  std::unique_ptr<platform::File> hold;
  if (env.get()->OpenFile(file, platform::OpenMode::kReadOnlyShared, &hold).ok() &&
      !hold->LockByte(store::kLockOffset).ok() && env.ReportTimeout(file, json)) {
    return cli::kExitFailure;
  }
  const bool read = store::ReadSetInfo(env.get(), file, &r, &error);
  hold.reset();
  // Without the lock the picture could be torn: given up, it says nothing.
  if (env.ReportTimeout(file, json)) return cli::kExitFailure;
  if (!read) return cli::ReportError(file + ": " + error, json, cli::kExitFailure, "Błąd: ");
  const store::FileHeader& h = r.Header;
  int64_t limit = static_cast<int64_t>(h.MaxSize) * store::kKilobyte;
  if (json) {
    std::vector<std::string> classes;
    for (int k = 1; k <= h.ClassCount; ++k) {
      const auto& c = h.Class(k);
      classes.push_back(cli::JsonObject()
                            .Add("block_size", static_cast<int64_t>(c.BlockSize))
                            .Add("capacity", static_cast<int64_t>(c.Capacity))
                            .Add("free_head", static_cast<int64_t>(c.FreeHead))
                            .str());
    }
    std::cout << cli::JsonObject()
                     .Add("status", "ok")
                     .Add("data_file", file)
                     .Add("tag", h.TagText())
                     .Add("header_length", static_cast<int64_t>(h.HeaderLength))
                     .Add("max_size_kb", static_cast<int64_t>(h.MaxSize))
                     .Add("max_size_bytes", limit)
                     .Add("current_file", static_cast<int64_t>(h.CurrentFile))
                     .Raw("classes", cli::JsonArray(classes))
                     .Raw("files", cli::SetFilesJson(r))
                     .str()
              << "\n";
    return cli::kExitOk;
  }
  std::cout << "Znacznik: " << h.TagText() << "\n";
  std::cout << "Długość nagłówka: " << h.HeaderLength << "\n";
  std::cout << "Limit rozmiaru: " << h.MaxSize << " KB (" << limit << " B, "
            << (limit + 524288) / 1048576 << " MB)\n";
  std::cout << "Bieżący plik: " << h.CurrentFile << "\n";
  std::cout << "Klasy bloków: " << h.ClassCount << "\n";
  for (int k = 1; k <= h.ClassCount; ++k) {
    const auto& c = h.Class(k);
    std::cout << "  " << k << ": blok " << c.BlockSize << " B, pojemność " << c.Capacity
              << " B, wolne od: " << c.FreeHead << "\n";
  }
  std::cout << "Pliki zbioru:\n";
  for (const auto& f : r.Files) std::cout << "  " << f.Name << "  " << f.Size << " B\n";
  return cli::kExitOk;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto file = std::make_shared<std::string>();
  auto lock_timeout = std::make_shared<int>(cli::kDefaultLockTimeout);
  CLI::App* sub = app.add_subcommand("info", "Pokazuje nagłówek pliku opisów i pliki jego zbioru");
  sub->add_option("PLIK", *file, "Plik opisów")->required()->type_name("");
  auto json = std::make_shared<bool>(false);
  cli::AddLockTimeoutOption(sub, *lock_timeout);
  sub->add_flag("--json", *json, "Wypisz nagłówek jako obiekt JSON");
  sub->callback([run, file, lock_timeout, json] {
    *run = [file, lock_timeout, json] { return RunInfo(*file, *lock_timeout, *json); };
  });
});

}  // namespace
