// The checks a plan adds to the dry run.
#include "engine/PlanChecks.h"

#include <memory>

#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/Recovery.h"
#include "platform/Path.h"

namespace engine {

namespace {

std::string Megabytes(uint64_t bytes) {
  return std::to_string((bytes + 1048575) / 1048576) + " MB";
}

// A file another program has open cannot be held exclusively.
void CheckNotHeld(platform::Env* env, const std::string& path, const std::string& table_shown) {
  std::unique_ptr<platform::File> hold;
  platform::Status s = env->OpenFile(path, platform::OpenMode::kReadOnlyExclusive, &hold);
  if (s.IsBusy() && !table_shown.empty() &&
      TableBeingDivided(env, FolderOf(path), platform::ExtractFileName(path))) {
    throw EngineError(MsgTableBeingDivided(table_shown));
  }
  if (s.IsBusy()) {
    throw EngineError("Plik " + path +
                      " jest otwarty w innym programie, a podział potrzebuje go na wyłączność. "
                      "Zamknij ten program i spróbuj ponownie.");
  }
  if (hold) (void)hold->Close();
}

uint64_t SizeOf(platform::Env* env, const std::string& path) {
  std::unique_ptr<platform::File> f;
  uint64_t size = 0;
  if (env->OpenFile(path, platform::OpenMode::kReadOnlyShared, &f).ok()) (void)f->Size(&size);
  return size;
}

}  // namespace

void CheckFilesAndDirectory(platform::Env* env, const TDividerInfo& info) {
  if (!env->FileExists(info.TableFile) || !env->FileExists(info.DataFile)) return;
  const std::string table = env->ResolvePath(info.TableFile);
  CheckNotHeld(env, table, info.TableFile);
  CheckNotHeld(env, env->ResolvePath(info.DataFile), "");
  const std::string dir = FolderOf(table);
  platform::Status s = env->CanCreateIn(dir);
  if (!s.ok() && !s.IsNotSupported()) {
    throw EngineError("Podział nie może pisać w katalogu " + dir + " (" + s.message() +
                      "): nie powstałby katalog roboczy ani nowe pliki.");
  }
}

uint64_t WorkingCopyBytes(platform::Env* env, const TDividerInfo& info) {
  const std::string table = env->ResolvePath(info.TableFile);
  uint64_t copy = SizeOf(env, table);
  for (const char* ext : {".mdx", ".dbt"}) {
    const std::string companion = ChangeExt(table, ext);
    if (env->FileExists(companion)) copy += SizeOf(env, env->ResolvePath(companion));
  }
  return copy;
}

void CheckFreeSpace(platform::Env* env, const TDividerInfo& info, uint64_t new_bytes) {
  const std::string table = env->ResolvePath(info.TableFile);
  const uint64_t copy = WorkingCopyBytes(env, info);
  const std::string dir = FolderOf(table);
  uint64_t free_bytes = 0;
  if (!env->FreeSpace(dir, &free_bytes).ok()) return;
  if (free_bytes < new_bytes + copy) {
    throw EngineError("Za mało miejsca na dysku w katalogu " + dir + ": podział potrzebuje " +
                      Megabytes(new_bytes + copy) + " (nowe pliki opisów " + Megabytes(new_bytes) +
                      ", kopia robocza tabeli " + Megabytes(copy) + "), wolne jest " +
                      Megabytes(free_bytes) + ".");
  }
}

}  // namespace engine
