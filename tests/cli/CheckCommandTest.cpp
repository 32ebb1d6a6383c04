// The store's subcommands of the built podzial-cli, run as a user would:
// exit codes and what they print.
#include <gtest/gtest.h>

#include <cstdlib>

#include "store/jxmemo.h"
#include "tests/cli/RunCli.h"
#include "tests/store/StoreTestUtil.h"

namespace store {
namespace {

using cli_test::CliRun;
using cli_test::Q;
using store_test::Bytes;
using testing_util::TempDir;

TEST(CheckCommandTest, CleanSetPassesAndCounts) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 500000));
    for (uint32_t i = 0; i < 12; ++i) {
      Bytes b = (i % 2) ? store_test::RandomBytes(200000, i) : store_test::TextBytes(200000, i);
      int32_t a = 0;
      ASSERT_TRUE(m.WriteRecord(200000, a, b.data(), 0));
    }
  }
  ASSERT_TRUE(std::filesystem::exists(dir / "opisy.001"));
  CliRun r = cli_test::RunCli("check " + Q(path));
  EXPECT_EQ(0, r.code) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Rekordy: 12 (spakowane: 6)")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Rozmiar danych przed kompresją: 2400000 B")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Problemy: 0")) << r.out;
  // A continuation file given: the base file is named, nothing checked.
  for (const std::string json : {"", " --json"}) {
    r = cli_test::RunCli("check " + Q(dir / "opisy.001") + json);
    EXPECT_EQ(2, r.code) << r.out;
    // The message on stderr, and with --json in the error object too
    // (where Windows' separators come escaped).
    const std::string& said = json.empty() ? r.err : r.out;
    EXPECT_NE(std::string::npos,
              said.find("opisy.001 jest plikiem kontynuacji. Sprawdź plik bazowy zbioru: "))
        << r.out << r.err;
    EXPECT_NE(std::string::npos, said.find("opisy.dat")) << said;
  }
}

TEST(CheckCommandTest, DamageIsReportedWithItsAddress) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0));
    m.CompressRecords = false;
    Bytes b = store_test::RandomBytes(5000, 1);  // blocks at 1 (class 3) and 5 (class 1)
    int32_t a = 0;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(m.WriteRecord(5000, a, b.data(), 0));  // 1, 6, 11
  }
  Bytes file = store_test::ReadBytes(path);
  file[5 * 1024 + 30 + 934 + 3] = 0x55;  // behind the payload of block 5
  BlockHeader h = BlockHeader::DecodeFrom(file.data() + 10 * 1024);
  h.Next = 6;  // the tail of record 6 points back at its start: a loop
  h.EncodeTo(file.data() + 10 * 1024);
  h = BlockHeader::DecodeFrom(file.data() + 11 * 1024);
  h.Owner = 1;  // record 11's first block claims another owner
  h.EncodeTo(file.data() + 11 * 1024);
  store_test::WriteBytes(path, file);

  CliRun r = cli_test::RunCli("check " + Q(path));
  EXPECT_EQ(1, r.code) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("adres 00000005")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("niezerowe bajty")) << r.out;
  // The loop is reported at the block whose next pointer makes it.
  EXPECT_NE(std::string::npos, r.out.find("adres 0000000A")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("pętlę")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Rekordy: 1 ")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Wynik: plik ma problemy")) << r.out;
}

TEST(CheckCommandTest, ContinuationPrefixIsFineAFileBeyondTheLimitIsNot) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 500000));  // M = 720
    m.CompressRecords = false;
    Bytes b = store_test::RandomBytes(262114, 1);
    int32_t a = 0;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(m.WriteRecord(262114, a, b.data(), 0));
  }
  // The fourth record went to opisy.001 behind a zero prefix.
  Bytes cont = store_test::ReadBytes(dir / "opisy.001");
  ASSERT_GT(cont.size(), 262144u);
  EXPECT_EQ(0, cont[0]);
  CliRun clean = cli_test::RunCli("check " + Q(path));
  EXPECT_EQ(0, clean.code) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("Rekordy: 4 ")) << clean.out;

  cont.resize(720 * 1024 + 262144 + 1024, 0);  // longer than a file may grow
  store_test::WriteBytes(dir / "opisy.001", cont);
  CliRun r = cli_test::RunCli("check " + Q(path));
  EXPECT_EQ(1, r.code) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("więcej niż pozwala limit")) << r.out;
}

TEST(CheckCommandTest, ExitCodes) {
  TempDir dir;
  store_test::WriteBytes(dir / "foreign.dat", Bytes(2048, 'x'));
  CliRun r = cli_test::RunCli("check " + Q(dir / "foreign.dat"));
  EXPECT_EQ(1, r.code) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("to nie jest plik opisów")) << r.out;
  EXPECT_EQ(1, cli_test::RunCli("check " + Q(dir / "missing.dat")).code);
  EXPECT_EQ(2, cli_test::RunCli("check").code);
  EXPECT_EQ(2, cli_test::RunCli("new " + Q(dir / "n.dat") + " --max-mb 3000").code);
}

TEST(CheckCommandTest, NewPutCatAndInfo) {
  TempDir dir;
  std::string path = dir / "n.dat";
  ASSERT_EQ(0, cli_test::RunCli("new " + Q(path) + " --max-mb 650").code);
  EXPECT_EQ(1, cli_test::RunCli("new " + Q(path)).code);  // exists
  Bytes text = store_test::TextBytes(30000, 5);
  store_test::WriteBytes(dir / "in.txt", text);
  CliRun put = cli_test::RunCli("put " + Q(path) + " " + Q(dir / "in.txt"));
  ASSERT_EQ(0, put.code) << put.out;
  EXPECT_EQ("00000001\n", put.out);
  CliRun put2 = cli_test::RunCli("put " + Q(path), dir / "in.txt");
  ASSERT_EQ(0, put2.code) << put2.out;
  std::string second = put2.out.substr(0, 8);

  CliRun cat = cli_test::RunCli("cat " + Q(path) + " " + second);
  ASSERT_EQ(0, cat.code) << cat.err;
  EXPECT_EQ(text, Bytes(cat.out.begin(), cat.out.end()));
  cat = cli_test::RunCli("cat --raw " + Q(path) + " 1");
  ASSERT_EQ(0, cat.code) << cat.err;
  Bytes raw(cat.out.begin(), cat.out.end());
  EXPECT_LT(raw.size(), text.size());
  EXPECT_EQ(0x78, raw.at(0));  // a zlib stream
  EXPECT_EQ(2, cli_test::RunCli("cat " + Q(path) + " zz").code);
  EXPECT_EQ(1, cli_test::RunCli("cat " + Q(path) + " 7").code);  // no record there

  CliRun info = cli_test::RunCli("info " + Q(path));
  EXPECT_EQ(0, info.code);
  EXPECT_NE(std::string::npos, info.out.find("Znacznik: RAS1")) << info.out;
  EXPECT_NE(std::string::npos, info.out.find("665344 KB (681312256 B, 650 MB)")) << info.out;
}

}  // namespace
}  // namespace store
