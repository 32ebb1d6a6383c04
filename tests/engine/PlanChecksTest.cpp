// What a plan checks beyond the dry run: files another program has open,
// a directory this user may not write in, free space for the new files and
// the working copy of the table. The system's answers are stood in for by
// an Env wrapper, so every case runs as any user on any disk.
#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "engine/PlanChecks.h"
#include "platform/EnvWrapper.h"
#include "tests/engine/Databases.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

class FakeDiskEnv : public platform::EnvWrapper {
 public:
  FakeDiskEnv() : EnvWrapper(platform::Env::Default()) {}
  uint64_t free_bytes = 0;
  bool know_space = true;
  bool writable = true;
  platform::Status FreeSpace(const std::string& dir, uint64_t* bytes) override {
    if (!know_space) return platform::Status::NotSupported(dir);
    *bytes = free_bytes;
    return platform::Status::OK();
  }
  platform::Status CanCreateIn(const std::string& dir) override {
    return writable ? platform::Status::OK()
                    : platform::Status::Invalid(dir + ": brak prawa zapisu w katalogu");
  }
};

// "" when the check passed, else its message.
template <class F>
std::string Failure(F&& check) {
  try {
    check();
  } catch (const engine::EngineError& e) {
    return e.what();
  }
  return "";
}

TEST(PlanChecksTest, SpaceForTheNewFilesAndTheTableCopy) {
  TempDir t;
  Make(SmallTable(t.dir(), 20));
  const engine::TDividerInfo info = Job(t.dir(), true);
  const uint64_t table_bytes = fs::file_size(t / "opisy.dbf") + fs::file_size(t / "opisy.mdx");
  const uint64_t new_bytes = 5 << 20;
  struct Case {
    uint64_t free_bytes;
    bool know_space;
    bool fails;
  };
  const Case cases[] = {
      {new_bytes + table_bytes, true, false},
      {new_bytes + table_bytes - 1, true, true},
      {new_bytes, true, true},
      {0, false, false},  // a system that cannot tell is no reason to refuse
  };
  for (const Case& c : cases) {
    FakeDiskEnv env;
    env.free_bytes = c.free_bytes;
    env.know_space = c.know_space;
    const std::string why = Failure([&] { engine::CheckFreeSpace(&env, info, new_bytes); });
    EXPECT_EQ(!why.empty(), c.fails) << c.free_bytes << ": " << why;
    if (c.fails) {
      EXPECT_NE(why.find("Za mało miejsca na dysku w katalogu " + t.dir()), std::string::npos)
          << why;
    }
  }
}

TEST(PlanChecksTest, FilesInUseAndDirectoriesThatMayNotBeWritten) {
  TempDir t;
  Make(SmallTable(t.dir(), 5));
  const engine::TDividerInfo info = Job(t.dir(), true);
  FakeDiskEnv env;
  EXPECT_EQ(Failure([&] { engine::CheckFilesAndDirectory(&env, info); }), "");

  env.writable = false;
  EXPECT_NE(Failure([&] {
              engine::CheckFilesAndDirectory(&env, info);
            }).find("Podział nie może pisać w katalogu " + t.dir()),
            std::string::npos);
  env.writable = true;

  for (const char* name : {"opisy.dbf", "opisy.dat"}) {
    std::unique_ptr<platform::File> peer;
    ASSERT_TRUE(platform::Env::Default()
                    ->OpenFile(t / name, platform::OpenMode::kReadOnlyShared, &peer)
                    .ok());
    const std::string why = Failure([&] { engine::CheckFilesAndDirectory(&env, info); });
    EXPECT_NE(why.find("Plik " + (t / name) + " jest otwarty w innym programie"), std::string::npos)
        << why;
  }
  // The checks hold nothing afterwards, and a job that will be skipped is
  // not checked.
  EXPECT_EQ(Failure([&] { engine::CheckFilesAndDirectory(&env, info); }), "");
  engine::TDividerInfo missing = info;
  missing.TableFile = t / "brak.dbf";
  env.writable = false;
  EXPECT_EQ(Failure([&] { engine::CheckFilesAndDirectory(&env, missing); }), "");
}

}  // namespace
