// The checks before anything is made.
#include "engine/DivisionChecks.h"

#include "engine/Common.h"
#include "engine/RowRule.h"
#include "platform/Cp1250.h"

namespace engine {

void CheckMaxSize(int32_t max_size) {
  if (max_size < 0 || max_size > kMaxSizeLimit) {
    throw EngineError("Nieprawidłowy maksymalny rozmiar pliku: " + std::to_string(max_size) +
                      " MB (dozwolone od 0 do 2047)");
  }
}

void CheckSameDirectory(platform::Env* env, const std::string& table_dir,
                        const std::string& data_file, const std::string& table_shown,
                        const std::string& data_shown) {
  if (!env->SameDirectory(table_dir, FolderOf(data_file))) {
    throw EngineError(kMsgDifferentDirs + table_shown + ", " + data_shown);
  }
}

void CheckTableOpen(const platform::Status& s, const std::string& table) {
  if (s.ok()) return;
  static const std::string kOpenFailed = "Nie udało się otworzyć tabeli";
  // The table engine's own text repeats the path and gives no advice.
  if (s.IsBusy()) {
    std::string why = s.message();
    const std::string itself = "Tabela " + table + " ";
    if (why.rfind(itself, 0) == 0) why.erase(0, itself.size());
    throw EngineError(kOpenFailed + " " + table + ": " + why + ". " + kMsgCloseOther);
  }
  if (s.message().rfind(kOpenFailed, 0) == 0) throw EngineError(s.message());
  throw EngineError(kOpenFailed + " " + table + ": " + s.message());
}

void CheckAddressField(const dbase::FieldDef& def, const std::string& field_shown) {
  if (def.type != 'C' || def.length < kAddressWidth) {
    throw EngineError("Pole " + field_shown +
                      " nie mieści adresu (wymagane pole znakowe o długości co najmniej 8)");
  }
}

void CheckAddressContent(dbase::Table& table, int address, int id, const std::string& field_shown) {
  const uint64_t rows = table.RecordCount();
  uint64_t values = 0, addresses = 0;
  uint32_t first_bad_row = 0;
  std::string first_bad;
  platform::Status s = table.First();
  while (s.ok() && !table.Eof()) {
    const std::string text = table.GetText(address);
    const std::string id_text = id >= 0 ? table.GetText(id) : std::string();
    const RowKind kind = ClassifyRow(text, id >= 0 ? &id_text : nullptr);
    if (kind == RowKind::kNotAddress) {
      ++values;
      if (first_bad_row == 0) {
        first_bad_row = table.RecNo();
        first_bad = text;
      }
    } else if (kind == RowKind::kZero || kind == RowKind::kRecord) {
      ++values;
      // Past half of all rows the answer cannot change any more.
      if (++addresses * 2 >= rows) return;
    }
    s = table.Next();
  }
  if (!s.ok()) throw EngineError(kMsgTable + s.message());
  if (addresses * 2 < values) {
    throw EngineError("Pole " + field_shown + " nie zawiera adresów: wiersz " +
                      std::to_string(first_bad_row) + " (\"" + platform::Cp1250ToUtf8(first_bad) +
                      "\")");
  }
}

}  // namespace engine
