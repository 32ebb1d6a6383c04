// Several processes appending to one description file set at the same
// time: the lock byte and the header re-read keep every record intact.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "StoreTestUtil.h"
#include "store/Checker.h"
#include "store/jxmemo.h"

namespace store {
namespace {

using store_test::Bytes;
using testing_util::TempDir;

constexpr int kProcesses = 4;
constexpr int kRecords = 500;

Bytes RecordFor(int process, int i) {
  uint32_t seed = static_cast<uint32_t>(process * 100000 + i);
  size_t n = 1 + (seed * 2654435761u) % 12000;
  return (i % 3 == 0) ? store_test::RandomBytes(n, seed) : store_test::TextBytes(n, seed);
}

// Runs in the child: appends its records and writes their addresses.
int Append(const std::string& path, int process, const std::string& list) {
  tjxmemo m;
  if (!m.Open(path)) return 10;
  std::ofstream out(list);
  for (int i = 0; i < kRecords; ++i) {
    Bytes b = RecordFor(process, i);
    int32_t a = 0;
    if (!m.WriteRecord(static_cast<int32_t>(b.size()), a, b.data(), 0)) return 11;
    out << a << "\n";
  }
  out.close();
  return out.good() ? 0 : 12;
}

TEST(ConcurrencyTest, FourProcessesAppendToOneSet) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 500000));  // small limit: many continuation files
  }
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(Append(path, p, dir / ("list" + std::to_string(p))));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
  }

  tjxmemo m;
  ASSERT_TRUE(m.Open(path));
  std::set<int32_t> addresses;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir / ("list" + std::to_string(p)));
    int32_t a;
    int i = 0;
    while (in >> a) {
      EXPECT_TRUE(addresses.insert(a).second) << "address used twice: " << a;
      int32_t size = 0, plain = 0;
      const uint8_t* data = nullptr;
      ASSERT_TRUE(m.ReadRecord(size, a, data, true, plain)) << m.LastError();
      ASSERT_EQ(RecordFor(p, i), Bytes(data, data + size)) << p << "/" << i;
      ++i;
    }
    EXPECT_EQ(kRecords, i);
  }
  CheckReport r;
  std::string why;
  ASSERT_TRUE(CheckSet(platform::Env::Default(), path, &r, &why)) << why;
  EXPECT_TRUE(r.Clean()) << (r.Problems.empty() ? "" : r.Problems[0].Text);
  EXPECT_EQ(kProcesses * kRecords, r.Records);
  EXPECT_EQ(0, r.OrphanBlocks);
  EXPECT_GT(r.Files.size(), 3u);
}

}  // namespace
}  // namespace store
