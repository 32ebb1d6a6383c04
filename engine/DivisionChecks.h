// What the division and its dry run check in the same way before the row
// loop, and the values and messages both use, so that a plan fails where
// the division would and says the same.
#pragma once

#include <cstdint>
#include <string>

#include "dbase/Table.h"
#include "engine/Divider.h"
#include "engine/EngineError.h"
#include "platform/Env.h"
#include "platform/Path.h"

namespace engine {

inline constexpr char kMsgDifferentDirs[] = "Pliki z różnych katalogów: ";
inline constexpr char kMsgWorkDir[] = "Błąd podczas tworzenia katalogu tymczasowego";
inline constexpr char kMsgCopyIn[] = "Błąd podczas kopiowania plików do katalogu tymczasowego";
inline constexpr char kMsgCopyOut[] = "Błąd podczas kopiowania plików z katalogu tymczasowego";
inline constexpr char kMsgMissingFile[] = "Nie znaleziono pliku: ";
inline constexpr char kMsgMissingPart[] = "Brak pliku opisów: ";
inline constexpr char kMsgInterrupted[] =
    "Podział został przerwany na żądanie użytkownika; pliki nie zostały zmienione";
inline constexpr char kMsgOpen[] = "Nie udało się otworzyć pliku: ";
inline constexpr char kMsgNoField[] = "Brak pola: ";
inline constexpr char kMsgWrite[] = "Błąd podczas zapisu danych";
// The system could not read the old file: the run stops, for dropping the
// row's address would lose a record that is still there.
inline constexpr char kMsgRead[] = "Błąd podczas odczytu danych: ";

// The "ID" text of a row whose record must stay where it is.
inline const std::string kMarker(5, '\xFF');

// The largest limit whose byte count fits a signed 32-bit value.
inline constexpr int32_t kMaxSizeLimit = 2047;
// An address is written as eight hexadecimal digits.
inline constexpr int kAddressWidth = 8;

// A limit outside 0..2047 would wrap when turned into bytes and give some
// other limit than the one asked for (or one of the store's error codes).
inline void CheckMaxSize(const TDividerInfo& info) {
  if (info.MaxSize < 0 || info.MaxSize > kMaxSizeLimit) {
    throw EngineError("Nieprawidłowy maksymalny rozmiar pliku: " + std::to_string(info.MaxSize) +
                      " MB (dozwolone od 0 do 2047)");
  }
}

// The folder of a resolved path with its separator; a bare file name lives
// in the current directory.
inline std::string FolderOf(const std::string& path) {
  std::string dir = platform::ExtractFilePath(path);
  if (dir.empty()) dir = std::string(".") + platform::kPathDelim;
  return dir;
}

// The table and its description file must be in one directory on disk,
// not in equal strings: /a/Data and /a/data are two.
inline void CheckSameDirectory(platform::Env* env, const std::string& table_dir,
                               const std::string& data_file, const TDividerInfo& info) {
  if (!env->SameDirectory(table_dir, FolderOf(data_file))) {
    throw EngineError(kMsgDifferentDirs + info.TableFile + " , " + info.DataFile);
  }
}

// A shorter field, or one of another type, could not hold the eight digits
// written into it.
inline void CheckAddressField(const dbase::FieldDef& def, const TDividerInfo& info) {
  if (def.type != 'C' || def.length < kAddressWidth) {
    throw EngineError("Pole " + info.AddressField +
                      " nie mieści adresu (wymagane pole znakowe o długości co najmniej 8)");
  }
}

// Whether a text could be an address: hexadecimal digits and blanks only.
// Anything else (a name, a date) is not one, whatever HexToInt makes of it.
inline bool IsAddressText(const std::string& text) {
  for (char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex && c != ' ') return false;
  }
  return true;
}

// Why a row's reference is not copied when its text is no address.
inline constexpr char kReasonNotAddress[] =
    "tekst nie jest adresem (znaki inne niż cyfry szesnastkowe)";

// Refuses a field that holds no addresses: when fewer than half of the
// non-empty values the run would convert are address texts, the user
// picked the wrong field, and converting it would wipe the column. Reads
// the table from its first row; `id` is the "ID" field when rows with the
// marker are skipped, else -1. The first row that is no address is named.
void CheckAddressContent(dbase::Table& table, int address, int id, const TDividerInfo& info);

}  // namespace engine
