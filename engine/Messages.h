// Every sentence the division engine shows the user, in one place: the
// run, its dry run, the commit, the recovery, the restore and the request
// say the same thing the same way.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// Checks before anything is made.
inline constexpr char kMsgDifferentDirs[] = "Pliki z różnych katalogów: ";
inline constexpr char kMsgMissingFile[] = "Nie znaleziono pliku: ";
inline constexpr char kMsgMissingPart[] = "Brak pliku opisów: ";
inline constexpr char kMsgOpen[] = "Nie udało się otworzyć pliku: ";
inline constexpr char kMsgNoField[] = "Brak pola: ";
// What the user can do about a file another program holds.
inline constexpr char kMsgCloseOther[] = "Zamknij ten program i spróbuj ponownie.";
inline constexpr char kMsgMaxSize[] = "Błąd podczas odczytu maksymalnego rozmiaru pliku: ";

// The working directory, the copies, the row loop and the new files.
inline constexpr char kMsgWorkDir[] = "Błąd podczas tworzenia katalogu tymczasowego";
inline constexpr char kMsgCopyIn[] = "Błąd podczas kopiowania plików do katalogu tymczasowego";
inline constexpr char kMsgCopyOut[] = "Błąd podczas kopiowania plików z katalogu tymczasowego";
inline constexpr char kMsgCreate[] = "Nie udało się utworzyć pliku: ";
inline constexpr char kMsgWrite[] = "Błąd podczas zapisu danych";
// The system could not read the old file: the run stops, for dropping the
// row's address would lose a record that is still there.
inline constexpr char kMsgRead[] = "Błąd podczas odczytu danych: ";
inline constexpr char kMsgTable[] = "Błąd podczas przetwarzania tabeli: ";
inline constexpr char kMsgInterrupted[] =
    "Podział został przerwany na żądanie użytkownika; pliki nie zostały zmienione";
inline constexpr char kMsgVerifyFailed[] = "Weryfikacja nowych plików nie powiodła się: ";
// A backup directory is no temporary one: its own message names it.
inline constexpr char kMsgBackupDir[] = "Błąd podczas tworzenia katalogu kopii: ";

// Why a row's reference is not copied when its text is no address.
inline constexpr char kReasonNotAddress[] =
    "tekst nie jest adresem (znaki inne niż cyfry szesnastkowe)";
// Why a row with the "ID" marker is listed: it keeps an address of the old
// set, whose files are therefore kept.
inline constexpr char kReasonMarker[] = "znacznik ID, adres zostaje bez zmian";

inline std::string MsgTableBeingDivided(const std::string& table) {
  return "Tabela " + table + " jest właśnie dzielona przez inny program";
}

inline std::string MsgWrongPair(const std::string& data, const std::string& table, uint64_t missed,
                                uint64_t sampled) {
  return "Plik opisów " + data + " nie pasuje do tabeli " + table + ": " + std::to_string(missed) +
         " z " + std::to_string(sampled) + " sprawdzonych adresów nie wskazuje żadnego rekordu";
}

inline std::string MsgOwnedByAnotherTable(const std::string& data, const std::string& table,
                                          const std::string& owner) {
  return "Plik opisów " + data + " należy do tabeli " + owner +
         " (jej adresy wskazują rekordy tego pliku): podział tabeli " + table +
         " przepisałby tylko jej adresy, a odwołania tabeli " + owner + " zostałyby utracone";
}

// A missing field named with its table: a preset's field missing means,
// most of the time, a database of another kind.
inline std::string MsgNoField(const std::string& field, const std::string& table) {
  return kMsgNoField + field + " (tabela " + table + ")";
}

// The request.
// A job whose table or description file is missing, in the lists of jobs.
inline constexpr char kMsgSkippedJob[] = "pominięto (brak tabeli lub pliku opisów)";
inline constexpr char kMsgFieldsMissing[] = "Nie wypełniono wszystkich pól";
inline constexpr char kMsgKadmorQuestion[] =
    "Wybrana baza była używana przez program Kadmor w wersji mniejszej niż 1.10, który nie "
    "obsługuje podzielonych plików. Kontynuować podział?";
inline constexpr char kMsgDeleteQuestion[] =
    "Stare dane zostaną usunięte po podziale. Kontynuować?";
inline constexpr char kMsgDone[] = "Operacja została zakończona";
inline constexpr char kMsgDoneKept[] =
    "Operacja została zakończona.\r\nPoprzednie dane zostały zachowane w katalogu: ";
inline constexpr char kTitleInformation[] = "Informacja";
inline constexpr char kTitleWarning[] = "Ostrzeżenie";
inline constexpr char kMsgNoPresetFiles[] =
    "W katalogu %s nie znaleziono żadnej tabeli z plikiem opisów";

// The names of the entries as the window labels them, for the message
// that says which are empty.
inline constexpr char kEntryDataFile[] = "Plik z danymi opisowymi";
inline constexpr char kEntryTable[] = "Tabela";
inline constexpr char kEntryField[] = "Nazwa pola";
inline constexpr char kEntryDatabase[] = "Katalog z bazą";

// What a completed request did, always shown.
inline std::string MsgCounts(uint64_t converted, uint64_t records, uint64_t files) {
  return "Przepisano adresów: " + std::to_string(converted) +
         ", zapisano rekordów: " + std::to_string(records) +
         ", nowych plików: " + std::to_string(files) + ".";
}

// How to undo a division whose old data were kept, in the window and on
// the command line.
inline std::string MsgUndo(const std::string& backup_dir) {
  return "Podział można cofnąć w oknie programu (Narzędzia, Cofnij podział) albo poleceniem: "
         "podzial-cli restore " +
         backup_dir;
}

// The check of a description file given one of its continuation files.
inline std::string MsgCheckTheBaseFile(const std::string& file, const std::string& base) {
  return "Plik " + file + " jest plikiem kontynuacji. Sprawdź plik bazowy zbioru: " + base;
}

// The restore.
inline constexpr char kMsgRestoreStopped[] = "Przywracanie przerwane: ";

}  // namespace engine
