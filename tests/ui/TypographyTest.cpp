#include "ui/Typography.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(TypographyTest, FindsASpaceBeforePunctuation) {
  struct Case {
    const char* text;
    bool fault;
  };
  const Case cases[] = {
      {"Stare dane zostaną usunięte po podziale. Kontynuować?", false},
      {"Czy kontynuować ?", true},
      {"Tabela opisy.dbf , plik dane.dat", true},
      {"Uwaga : brak pola", true},
      {"Pliki .mdx i .dbt", false},
      {"Operatory: = :=", false},
      {"Koniec .", true},
      {"wiersz 12: znacznik ID\n  adres zostaje", false},
      {"Weryfikacja nowych plików…", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(!TypographyFault(c.text).empty(), c.fault) << c.text;
}

}  // namespace
}  // namespace ui
