// podzial-cli check FILE: the integrity check of a description file set.
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "cli/StoreText.h"
#include "engine/Messages.h"
#include "engine/Reports.h"
#include "store/Checker.h"

namespace {

using cli::JsonObject;

std::string FindingsJson(const store::CheckReport& r,
                         const std::vector<store::CheckProblem>& list) {
  std::vector<std::string> items;
  for (const auto& p : list) {
    std::string file = std::to_string(p.File);
    for (const auto& f : r.Files)
      if (f.Number == p.File) file = f.Name;
    items.push_back(JsonObject()
                        .Add("address", p.Address ? store::HexAddress8(p.Address) : "")
                        .Add("file", file)
                        .Add("offset", p.Offset)
                        .Add("text", p.Text)
                        .str());
  }
  return cli::JsonArray(items);
}

std::string CheckJson(const std::string& file, const store::CheckReport& r) {
  return JsonObject()
      .Add("status", r.Clean() ? "ok" : "problems")
      .Add("data_file", file)
      .Raw("files", cli::SetFilesJson(r))
      .Add("files_bytes", engine::SetBytes(r))
      .Add("records", r.Records)
      .Add("compressed_records", r.CompressedRecords)
      .Add("stored_bytes", r.StoredBytes)
      .Add("plain_bytes", r.PlainBytes)
      .Add("blocks", r.Blocks)
      .Add("free_blocks", r.FreeBlocks)
      .Add("orphan_blocks", r.OrphanBlocks)
      .Add("unfinished_records", r.UnfinishedRecords)
      .Raw("notes", FindingsJson(r, r.Notes))
      .Add("problem_count", r.ProblemCount)
      .Raw("problems", FindingsJson(r, r.Problems))
      .str();
}

struct CheckArgs {
  std::string file;
  int lock_timeout = cli::kDefaultLockTimeout;
  bool json = false;
};

int RunCheck(const CheckArgs& a) {
  cli::ToolEnv env(a.lock_timeout);
  // The walk starts at the base file: given a continuation file it would
  // find one bogus problem and miss the set.
  const std::string base = store::BaseFileOf(env.get(), a.file);
  if (!base.empty()) {
    return cli::ReportError(engine::MsgCheckTheBaseFile(a.file, base), a.json, cli::kExitUsage);
  }
  store::CheckReport r;
  std::string error;
  const bool read = store::CheckSet(env.get(), a.file, &r, &error);
  // Without the lock the picture could be torn: given up, it says nothing.
  if (env.ReportTimeout(a.file, a.json)) return cli::kExitFailure;
  if (!read) return cli::ReportError(error, a.json, cli::kExitFailure, "Błąd: ");
  std::cout << (a.json ? CheckJson(a.file, r) + "\n" : engine::CheckText(a.file, r));
  return r.Clean() ? cli::kExitOk : cli::kExitFailure;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<CheckArgs>();
  CLI::App* sub = app.add_subcommand(
      "check", "Sprawdza każdy blok i każdy łańcuch rekordów pliku opisów i jego kontynuacji");
  sub->add_option("PLIK", args->file, "Plik opisów (plik bazowy zbioru)")
      ->required()
      ->type_name("");
  cli::AddLockTimeoutOption(sub, args->lock_timeout);
  sub->add_flag("--json", args->json, "Wypisz wynik jako obiekt JSON");
  sub->callback([run, args] { *run = [args] { return RunCheck(*args); }; });
});

}  // namespace
