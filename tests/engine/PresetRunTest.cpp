// Preset requests over the real engine: the backup directory travels
// through the jobs, the Kadmor backup root gets one subdirectory per table
// directory, and pairs missing from the database are skipped.
#include <gtest/gtest.h>

#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "tests/engine/DbFixture.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

// A relative path written the POSIX way, in this system's spelling.
std::string N(const char* path) {
  return platform::NativeSeparators(path);
}

struct YesDialog : engine::UserDialog {
  int asked = 0;
  std::vector<std::string> informed;
  int Ask(const std::string&, const std::string&, int) override {
    ++asked;
    return engine::kAnswerYes;
  }
  void Inform(const std::string& text, const std::string&, int) override {
    informed.push_back(text);
  }
};

demodb::TableOptions Pair(const std::string& dir, const std::string& table, const std::string& data,
                          const std::string& field) {
  fs::create_directories(dir);
  auto o = SmallTable(dir, 30);
  o.table_name = table;
  o.data_name = data;
  o.address_field = field;
  return o;
}

TEST(PresetRunTest, KadmorBackupRootWithOneSubdirectoryPerTableDirectory) {
  TempDir t;
  const std::string db = t / "db/";
  // Copied from Windows: directories and names in capitals.
  auto a = Pair(db + N("KERG/"), "OPERDOK.DBF", "RASTRY.DAN", "ADRES");
  auto b = Pair(db + N("KERG/"), "ROBOTY.DBF", "WYTYCZ.DAN", "ADRES");
  auto c = Pair(db + N("zud/"), "zud.dbf", "opinia.dan", "ADRES");
  c.seed = 7;
  auto ga = Make(a);
  auto gb = Make(b);
  auto gc = Make(c);
  const Snapshot kerg = Snap(db + N("KERG/")), zud = Snap(db + N("zud/"));

  YesDialog dialog;
  engine::DivisionRequest request(&dialog, engine::DividerJobRunner());
  engine::RequestEntries e;
  e.DivType = engine::kDivKadmor;
  e.TolmDir = t / "db";
  e.TolmSize = 1;
  e.TolmTmp = true;
  auto result = request.Run(e);
  EXPECT_EQ(dialog.asked, 1);  // no version file
  ASSERT_TRUE(result.completed);
  const std::string root = result.backup_path;
  ASSERT_EQ(root.rfind(db + "old", 0), 0u) << root;
  ASSERT_EQ(dialog.informed.size(), 1u);
  // The backup root, then each job that was skipped and each list of
  // references not copied.
  const std::string& done = dialog.informed[0];
  EXPECT_EQ(done.rfind("Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w "
                       "katalogu: " +
                           root + "\r\n",
                       0),
            0u)
      << done;
  ASSERT_EQ(result.jobs.size(), 8u);
  int ran = 0, skipped_lines = 0;
  for (const auto& j : result.jobs) {
    ran += j.ran;
    if (!j.ran) {
      skipped_lines += done.find("Pominięto (brak tabeli lub pliku opisów): " + j.info.TableFile) !=
                       std::string::npos;
    } else if (j.counts.dropped > 0) {
      EXPECT_NE(done.find("Lista tych wierszy: " + j.dropped_list), std::string::npos);
    }
  }
  EXPECT_EQ(ran, 3);
  EXPECT_EQ(skipped_lines, 5);
  EXPECT_TRUE(SameFiles(OldFilesIn(root + N("/kerg/")), kerg));
  EXPECT_TRUE(SameFiles(OldFilesIn(root + N("/zud/")), zud));
  EXPECT_FALSE(fs::exists(root + N("/oper_bu")));
  ExpectDivided(db + N("KERG/"), root + N("/kerg/"), a, ga, 1, false);
  ExpectDivided(db + N("KERG/"), root + N("/kerg/"), b, gb, 1, false);
  ExpectDivided(db + N("zud/"), root + N("/zud/"), c, gc, 1, false);
}

TEST(PresetRunTest, TolmSharesOneBackupDirectoryAndSkipsMissingPairs) {
  TempDir t;
  auto a = Pair(t / "db/", "opisy.dbf", "opisy.dat", "OPISTOP");
  auto c = Pair(t / "db/", "dokopisy.dbf", "dokopisy.dat", "OPISTOP");
  c.seed = 3;
  auto ga = Make(a);
  auto gc = Make(c);
  const Snapshot before = Snap(t / "db");
  YesDialog dialog;
  engine::DivisionRequest request(&dialog, engine::DividerJobRunner());
  engine::RequestEntries e;
  e.DivType = engine::kDivTolm;
  e.TolmDir = t / "db/";
  e.TolmSize = 1;
  e.TolmTmp = true;
  auto result = request.Run(e);
  const auto olds = Subdirs(t / "db", "old");
  ASSERT_EQ(olds.size(), 1u);
  EXPECT_EQ(result.backup_path, t / ("db/" + olds[0] + "/"));
  EXPECT_TRUE(SameFiles(OldFilesIn(result.backup_path), before));
  ExpectDivided(t / "db/", result.backup_path, a, ga, 1);
  ExpectDivided(t / "db/", result.backup_path, c, gc, 1);
}

}  // namespace
