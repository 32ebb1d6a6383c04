// Runs one division and prints, as one line of JSON, its wall time, the
// process's peak resident memory, the number of flushes (of files and of
// directories) and what the run counted. bench/engine/run compares the
// time with cp of the same files.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/Divider.h"
#include "engine/EngineError.h"
#include "platform/EnvWrapper.h"

namespace {

class FlushCountingEnv : public platform::EnvWrapper {
 public:
  FlushCountingEnv() : EnvWrapper(platform::Env::Default()) {}
  long flushes = 0;

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override {
    std::unique_ptr<platform::File> f;
    platform::Status s = EnvWrapper::OpenFile(path, mode, &f);
    if (s.ok()) *result = std::make_unique<CountingFile>(this, std::move(f));
    return s;
  }
  platform::Status SyncDirectory(const std::string& dir) override {
    ++flushes;
    return EnvWrapper::SyncDirectory(dir);
  }

 private:
  class CountingFile : public platform::FileWrapper {
   public:
    CountingFile(FlushCountingEnv* env, std::unique_ptr<platform::File> f)
        : FileWrapper(std::move(f)), env_(env) {}
    platform::Status Flush() override {
      ++env_->flushes;
      return FileWrapper::Flush();
    }

   private:
    FlushCountingEnv* env_;
  };
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "użycie: bench_divide TABELA.dbf PLIK.dat POLE MAKS_MB\n");
    return 2;
  }
  engine::TDividerInfo info;
  info.TableFile = argv[1];
  info.DataFile = argv[2];
  info.AddressField = argv[3];
  info.MaxSize = std::atoi(argv[4]);
  info.CheckID = true;
  info.KeepOld = true;
  FlushCountingEnv env;
  engine::TDivider divider(info, &env);
  const auto start = std::chrono::steady_clock::now();
  std::string used;
  try {
    divider.Divide("", used);
  } catch (const engine::EngineError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto& c = divider.Counts();
  std::printf(
      "{\"seconds\":%.3f,\"peak_rss_kb\":%ld,\"flushes\":%ld,\"rows\":%llu,\"records\":%llu,"
      "\"bytes\":%llu,\"new_files\":%llu,\"backup\":\"%s\"}\n",
      seconds, usage.ru_maxrss, env.flushes, static_cast<unsigned long long>(c.rows),
      static_cast<unsigned long long>(c.records_written),
      static_cast<unsigned long long>(c.bytes_written),
      static_cast<unsigned long long>(c.new_files), used.c_str());
  return 0;
}
