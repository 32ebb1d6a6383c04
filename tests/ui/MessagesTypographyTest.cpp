// Every text a user can read follows Polish typography: each string literal
// of the platform's reasons, the engine's, the command line's and the
// windows' sources, read from the sources themselves so that a new message
// cannot slip past the check, and the messages built from parts, filled
// with sample values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/Messages.h"
#include "ui/MainTexts.h"
#include "ui/Typography.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

// The string literals of a C++ source, adjacent ones joined as the compiler
// joins them; a line break is read as one (an indented line after it is no
// doubled space), other escapes are kept as written.
std::vector<std::string> Literals(const std::string& src) {
  std::vector<std::string> out;
  bool joining = false;
  for (size_t i = 0; i < src.size(); ++i) {
    const char c = src[i];
    if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
      i = src.find('\n', i);
      if (i == std::string::npos) break;
      continue;
    }
    if (c == '\'') {  // a character literal, maybe '"'
      i = src.find('\'', i + (src[i + 1] == '\\' ? 3 : 2));
      if (i == std::string::npos) break;
      joining = false;
      continue;
    }
    if (c == '"') {
      std::string lit;
      for (++i; i < src.size() && src[i] != '"'; ++i) {
        if (src[i] == '\\' && i + 1 < src.size() && src[i + 1] == 'n') {
          lit += '\n';
          ++i;
          continue;
        }
        if (src[i] == '\\') lit += src[i++];
        lit += src[i];
      }
      if (joining) {
        out.back() += lit;
      } else {
        out.push_back(lit);
      }
      joining = true;
      continue;
    }
    if (c != ' ' && c != '\n') joining = false;
  }
  return out;
}

TEST(MessagesTypographyTest, EveryLiteralOfTheUserFacingSources) {
  const fs::path root = fs::path(PODZIAL_TEST_DATA).parent_path().parent_path();
  size_t files = 0, literals = 0;
  for (const char* dir : {"platform", "engine", "ui", "app", "controls", "cli"}) {
    for (const auto& entry : fs::directory_iterator(root / dir)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      ++files;
      for (const std::string& lit : Literals(text.str())) {
        ++literals;
        EXPECT_EQ(TypographyFault(lit), "") << entry.path().filename().string();
      }
    }
  }
  // The sources were found and read.
  EXPECT_GT(files, 20u);
  EXPECT_GT(literals, 200u);
}

TEST(MessagesTypographyTest, MessagesBuiltFromParts) {
  const std::string path = "/baza/opisy.dbf";
  const std::string texts[] = {
      engine::MsgTableBeingDivided(path),
      engine::MsgWrongPair("/baza/opisy.dat", path, 3, 10),
      engine::MsgOwnedByAnotherTable("/baza/opisy.dat", path, "/baza/inne.dbf"),
      engine::MsgNoField("Inne", path),
      engine::MsgCounts(1, 2, 3),
      engine::MsgUndo("/baza/old12"),
      SizeProposedNote(700 * 1048576ull, 650),
      std::string(engine::kMsgDoneKept) + "/baza/old12",
  };
  for (const std::string& t : texts) EXPECT_EQ(TypographyFault(t), "");
}

TEST(MessagesTypographyTest, LiteralsAreReadAsTheCompilerJoinsThem) {
  const std::vector<std::string> expected = {"Kontynuować podział ?", "a\\\"b", "c"};
  EXPECT_EQ(Literals("x = \"Kontynuować \"\n    \"podział ?\"; // \"komentarz ?\"\n"
                     "char q = '\"'; f(\"a\\\"b\", \"c\");"),
            expected);
}

}  // namespace
}  // namespace ui
