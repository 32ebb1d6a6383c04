#include "win/editor/EditorFile.h"

#include <memory>

namespace win {

ui::LoadOutcome ReadEditorFile(platform::Env* env, const std::string& path, std::string* bytes) {
  bytes->clear();
  if (!env->FileExists(path))
    return env->DirectoryExists(path) ? ui::LoadOutcome::kFailed : ui::LoadOutcome::kMissing;
  std::unique_ptr<platform::File> file;
  uint64_t size = 0;
  if (!env->OpenFile(path, platform::OpenMode::kReadOnlyShared, &file).ok() ||
      !file->Size(&size).ok() || size > ui::kMaxEditorFileSize)
    return ui::LoadOutcome::kFailed;
  // One byte past the size notices a file that grew meanwhile.
  std::string read(static_cast<size_t>(size) + 1, '\0');
  size_t got = 0;
  if (!file->ReadAt(0, read.data(), read.size(), &got).ok() || got > ui::kMaxEditorFileSize)
    return ui::LoadOutcome::kFailed;
  read.resize(got);
  *bytes = std::move(read);
  return ui::LoadOutcome::kLoaded;
}

bool WriteEditorFile(platform::Env* env, const std::string& path, const std::string& bytes) {
  std::string temp;
  std::unique_ptr<platform::File> file;
  for (int n = 0; n < 100 && !file; ++n) {
    temp = path + ".zapis" + std::to_string(n) + ".tmp";
    if (!env->OpenFile(temp, platform::OpenMode::kCreateExclusive, &file).ok()) file.reset();
  }
  if (!file) return false;
  bool ok = file->WriteAt(0, bytes.data(), bytes.size()).ok() && file->Flush().ok();
  ok = file->Close().ok() && ok;
  // A folder, or a file another program holds, refuses the exchange and
  // stays as it was.
  if (ok) ok = env->RenameFile(temp, path).ok();
  if (!ok) env->DeleteFile(temp);
  return ok;
}

}  // namespace win
