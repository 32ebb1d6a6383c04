// The texts only the main window shows: hints of its controls and the
// size probe's notes. The engine's sentences are in engine/Messages.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

inline constexpr char kHintCheckID[] =
    "Wiersze, których pole ID ma znacznik (pięć bajtów FF), zostają bez zmian; bez tej opcji "
    "przepisywany jest każdy wiersz.";
inline constexpr char kHintSize[] =
    "Największy rozmiar jednego pliku z danymi opisowymi w MB, od 0 do 2047; "
    "0 = bez ograniczenia (powstaje jeden plik).";
// The notes fit one short line under the size box.
inline constexpr char kSizeNoLimit[] = "0 = bez ograniczenia: powstanie jeden plik.";
inline constexpr char kShowListButton[] = "Pokaż listę wierszy";

// The note when a file without a limit is already larger than `proposed`.
inline std::string SizeProposedNote(uint64_t bytes, int32_t proposed) {
  return "Plik bez ograniczenia ma " + std::to_string(bytes / 1048576) + " MB: proponowane " +
         std::to_string(proposed) + " MB.";
}

}  // namespace ui
