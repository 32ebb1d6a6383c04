// The parts of Env that every backend shares: the move built on the rename
// primitives, and the copy through an open handle.
#include <vector>

#include "platform/Env.h"

namespace platform {

Status Env::MoveFile(const std::string& from, const std::string& to) {
  Status s = RenameNoReplace(from, to);
  if (!s.IsNotSupported()) return s;
  // NFS and CIFS refuse the flag; a link cannot replace either.
  s = LinkFile(from, to);
  if (s.ok()) {
    Status gone = DeleteFile(from);
    if (gone.ok()) return gone;
    // Both names lead to the file now: take the new one back so that the
    // move failed as a whole.
    (void)DeleteFile(to);
    return gone;
  }
  if (!s.IsNotSupported()) return s;
  if (FileExists(to) || DirectoryExists(to)) {
    return Status::Exists("rename " + from + " -> " + to + ": cel istnieje");
  }
  return RenameFile(from, to);
}

bool File::IsAt(const std::string&) {
  return false;
}

bool Env::IsLink(const std::string&) {
  return false;
}

Status Env::ModifiedAge(const std::string& path, int64_t*) {
  return Status::NotSupported("wiek pliku: " + path);
}

Status Env::FreeSpace(const std::string& dir, uint64_t* bytes) {
  return Status::NotSupported("free space: " + dir);
}

Status Env::CanCreateIn(const std::string& dir) {
  return Status::NotSupported("access: " + dir);
}

Status CopyOpenFile(Env* env, File* from, const std::string& to) {
  std::unique_ptr<File> out;
  Status s = env->OpenFile(to, OpenMode::kCreateExclusive, &out);
  if (!s.ok()) return s;
  std::vector<char> buf(1 << 20);
  uint64_t offset = 0;
  for (;;) {
    size_t got = 0;
    s = from->ReadAt(offset, buf.data(), buf.size(), &got);
    if (!s.ok() || got == 0) break;
    s = out->WriteAt(offset, buf.data(), got);
    if (!s.ok()) break;
    offset += got;
  }
  Status closed = out->Close();
  return s.ok() ? closed : s;
}

}  // namespace platform
