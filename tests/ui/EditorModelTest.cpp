// The text editor's model: a file's bytes to text and back, the questions
// before saving and closing, the caption.
#include "ui/EditorModel.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(EditorFileTest, LineBreakIsTheFirstOneOfTheFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"a\r\nb\nc", "\r\n"}, {"a\nb\r\nc", "\n"}, {"a\rb\nc", "\r"},
      {"\r\n", "\r\n"},      {"\n\r", "\n"},      {"abc", ""},
  };
  for (const auto& [bytes, line_break] : cases)
    EXPECT_EQ(DetectLineBreak(bytes), line_break) << bytes;
}

TEST(EditorFileTest, DecodingAndEncodingGiveTheSameBytesBack) {
  const std::string cases[] = {
      "Zaj\xEA\x63ie\tp\xF3\xB3nocne\r\n\xA0\x81\x83\x88\x90\x98\r\n\r\nkoniec",
      "pierwsza\ndruga\n",
      "stary\rmac\r",
      // Only the file's own break separates lines; a stray other one stays.
      "a\nb\rc",
  };
  for (const std::string& bytes : cases) {
    const EditorText t = DecodeEditorFile(bytes);
    size_t unmapped = 9;
    EXPECT_EQ(EncodeEditorFile(t.text, t.line_break, &unmapped), bytes);
    EXPECT_EQ(unmapped, 0u);
  }
  EXPECT_EQ(DecodeEditorFile("Zaj\xEA\x63ie\r\nnoc").text, "Zajęcie\nnoc");
  EXPECT_EQ(DecodeEditorFile("stary\rmac\r").text, "stary\nmac\n");
  EXPECT_EQ(DecodeEditorFile("a\nb\rc").text, "a\nb\rc");
  // A file without a break gets the code page's system break.
  const EditorText one = DecodeEditorFile("jedna linia");
  EXPECT_EQ(EncodeEditorFile(one.text + "\ndruga", one.line_break), "jedna linia\r\ndruga");
}

TEST(EditorFileTest, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  // The euro sign is in the code page; the arrow, the emoji and U+0080 are
  // not.
  size_t unmapped = 0;
  EXPECT_EQ(EncodeEditorFile("a€→😀\u0080b", "\r\n", &unmapped), "a\x80???b");
  EXPECT_EQ(unmapped, 3u);
}

TEST(EditorModelTest, SavingAsksWhatItMustInTurn) {
  struct Case {
    LoadOutcome outcome;
    const char* text;
    size_t questions;
    const char* bytes;
  };
  const Case cases[] = {
      {LoadOutcome::kLoaded, "zażółć", 0, "za\xBF\xF3\xB3\xE6"},
      {LoadOutcome::kMissing, "nowy", 0, "nowy"},
      {LoadOutcome::kFailed, "x", 1, "x"},
      {LoadOutcome::kLoaded, "→", 1, "?"},
      {LoadOutcome::kFailed, "→", 2, "?"},
  };
  for (const Case& c : cases) {
    EditorModel m("/dane/opis.txt");
    EXPECT_EQ(m.Load(c.outcome, c.outcome == LoadOutcome::kLoaded ? "stary" : ""),
              c.outcome == LoadOutcome::kLoaded ? "stary" : "");
    const EditorModel::SavePlan plan = m.PlanSave(c.text);
    EXPECT_EQ(plan.bytes, c.bytes) << c.text;
    ASSERT_EQ(plan.questions.size(), c.questions) << c.text;
    if (c.outcome == LoadOutcome::kFailed) {
      EXPECT_EQ(plan.questions[0],
                "Nie udało się wczytać pliku /dane/opis.txt. Zapisanie tekstu zastąpi jego "
                "zawartość. Kontynuować?");
    }
    if (std::string(c.text) == "→") {
      EXPECT_EQ(plan.questions.back(),
                "Tekst zawiera znaki, których nie można zapisać w stronie kodowej 1250 (1). "
                "Zostaną zapisane jako \"?\". Kontynuować?");
    }
    // Once saved, the unread file is no more.
    m.Saved();
    EXPECT_EQ(m.PlanSave("x").questions.size(), 0u);
  }
  // The line break read comes back on saving.
  EditorModel m("/dane/opis.txt");
  EXPECT_EQ(m.Load(LoadOutcome::kLoaded, "a\nb"), "a\nb");
  EXPECT_EQ(m.PlanSave("a\nb\nc").bytes, "a\nb\nc");
}

TEST(EditorModelTest, ANewFileNameEndsTheUnreadFilesQuestion) {
  EditorModel m("");
  EXPECT_TRUE(m.NeedsFileName());
  EXPECT_EQ(m.Caption(), "Bez nazwy");
  EditorModel failed("/dane/zly.txt");
  failed.Load(LoadOutcome::kFailed, "");
  failed.SetFileName("/dane/nowy.txt");
  EXPECT_FALSE(failed.NeedsFileName());
  EXPECT_EQ(failed.Caption(), "nowy.txt");
  EXPECT_TRUE(failed.PlanSave("x").questions.empty());
}

TEST(EditorModelTest, ClosingAsksOnlyAfterAChange) {
  EditorModel m("/dane/opis.txt");
  m.Load(LoadOutcome::kLoaded, "tekst");
  EXPECT_FALSE(m.CloseQuestion());
  m.SetModified(true);
  EXPECT_EQ(m.CloseQuestion(), "Plik nie został zapisany. Kontynuować wyjście?");
  m.Saved();
  EXPECT_FALSE(m.CloseQuestion());
  m.SetModified(true);
  m.Load(LoadOutcome::kMissing, "");
  EXPECT_FALSE(m.CloseQuestion());
  EXPECT_EQ(EditorModel::NotFound("kot"), "Nie znaleziono tekstu \"kot\"");
}

}  // namespace
}  // namespace ui
