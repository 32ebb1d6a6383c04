// In-memory file sizes and header blocks for the dry run.
#include "engine/SizingEnv.h"

#include <algorithm>
#include <cstring>

#include "platform/Path.h"

namespace engine {

namespace {

using platform::Status;

class SizingFile : public platform::File {
 public:
  SizingFile(std::string path, std::shared_ptr<SizingEnv::Node> node, bool writable)
      : path_(std::move(path)), node_(std::move(node)), writable_(writable) {}

  Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    *got = 0;
    if (!node_) return Status::IOError(path_ + ": zamknięty");
    if (offset >= node_->size || n == 0) return Status::OK();
    const uint64_t end = std::min<uint64_t>(node_->size, offset + n);
    // Only the first kilobyte is kept; anything past it was never stored.
    if (end > SizingEnv::kKept) {
      return Status::IOError(path_ + ": odczyt poza zachowanym nagłówkiem");
    }
    const size_t count = static_cast<size_t>(end - offset);
    std::memset(buf, 0, count);
    const size_t have = node_->head.size() > offset ? node_->head.size() - offset : 0;
    std::memcpy(buf, node_->head.data() + offset, std::min(count, have));
    *got = count;
    return Status::OK();
  }
  Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (!node_) return Status::IOError(path_ + ": zamknięty");
    if (!writable_) return Status::IOError(path_ + ": tylko do odczytu");
    if (offset < SizingEnv::kKept && n > 0) {
      const size_t end = static_cast<size_t>(std::min<uint64_t>(SizingEnv::kKept, offset + n));
      if (node_->head.size() < end) node_->head.resize(end, 0);
      std::memcpy(node_->head.data() + offset, buf, end - static_cast<size_t>(offset));
    }
    node_->size = std::max<uint64_t>(node_->size, offset + n);
    return Status::OK();
  }
  Status Size(uint64_t* size) override {
    if (!node_) return Status::IOError(path_ + ": zamknięty");
    *size = node_->size;
    return Status::OK();
  }
  Status Flush() override { return node_ ? Status::OK() : Status::IOError(path_); }
  Status LockByte(uint64_t) override { return node_ ? Status::OK() : Status::IOError(path_); }
  Status LockByteFor(uint64_t, int64_t) override {
    return node_ ? Status::OK() : Status::IOError(path_);
  }
  Status UnlockByte(uint64_t) override { return node_ ? Status::OK() : Status::IOError(path_); }
  Status Close() override {
    if (!node_) return Status::IOError(path_ + ": zamknięty");
    node_.reset();
    return Status::OK();
  }
  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
  std::shared_ptr<SizingEnv::Node> node_;
  bool writable_;
};

}  // namespace

SizingEnv::SizingEnv() = default;
SizingEnv::~SizingEnv() = default;

const std::string& SizingEnv::Root() {
  static const std::string root =
      std::string(1, platform::kPathDelim) + "plan" + std::string(1, platform::kPathDelim);
  return root;
}

std::vector<SizingEnv::FileInfo> SizingEnv::Files() const {
  std::vector<FileInfo> out;
  for (const auto& [path, node] : files_) {
    out.push_back({platform::ExtractFileName(path), node->size});
  }
  return out;
}

Status SizingEnv::OpenFile(const std::string& path, platform::OpenMode mode,
                           std::unique_ptr<platform::File>* result) {
  auto it = files_.find(path);
  if (mode == platform::OpenMode::kCreateExclusive) {
    if (it != files_.end()) return Status::Exists(path);
    if (!DirectoryExists(platform::ExtractFileDir(path))) return Status::NotFound(path);
    it = files_.emplace(path, std::make_shared<Node>()).first;
  } else if (it == files_.end()) {
    return Status::NotFound(path);
  }
  *result = std::make_unique<SizingFile>(path, it->second,
                                         mode != platform::OpenMode::kReadOnlyShared &&
                                             mode != platform::OpenMode::kReadOnlyExclusive);
  return Status::OK();
}

bool SizingEnv::FileExists(const std::string& path) {
  return files_.count(path) > 0;
}

bool SizingEnv::DirectoryExists(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && platform::IsPathDelim(p.back())) p.pop_back();
  return p + platform::kPathDelim == Root();
}

Status SizingEnv::CopyFile(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status::NotFound(from);
  files_[to] = std::make_shared<Node>(*it->second);
  return Status::OK();
}

Status SizingEnv::MoveFile(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status::NotFound(from);
  if (files_.count(to)) return Status::Exists(to);
  files_[to] = it->second;
  files_.erase(from);
  return Status::OK();
}

Status SizingEnv::RenameFile(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status::NotFound(from);
  std::shared_ptr<Node> node = it->second;
  files_.erase(it);
  files_[to] = std::move(node);
  return Status::OK();
}

Status SizingEnv::DeleteFile(const std::string& path) {
  return files_.erase(path) ? Status::OK() : Status::NotFound(path);
}

Status SizingEnv::CreateDirectories(const std::string& path) {
  return DirectoryExists(path) ? Status::OK() : Status::Invalid(path);
}

Status SizingEnv::CreateNewDirectory(const std::string& path) {
  return Status::Invalid(path);
}

Status SizingEnv::RemoveDirectory(const std::string& path) {
  return Status::Invalid(path);
}

Status SizingEnv::ListDirectory(const std::string& dir, const std::string& pattern,
                                std::vector<platform::DirEntry>* entries) {
  entries->clear();
  if (!DirectoryExists(dir)) return Status::NotFound(dir);
  for (const auto& [path, node] : files_) {
    const std::string name = platform::ExtractFileName(path);
    if (platform::MatchPattern(pattern, name)) entries->push_back({name, false});
  }
  return Status::OK();
}

bool SizingEnv::SameDirectory(const std::string& a, const std::string& b) {
  return DirectoryExists(a) && DirectoryExists(b);
}

}  // namespace engine
