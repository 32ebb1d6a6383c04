// The scan of the address field before anything is made.
#include "engine/DivisionChecks.h"

#include "platform/Cp1250.h"

namespace engine {

void CheckAddressContent(dbase::Table& table, int address, int id, const TDividerInfo& info) {
  const uint64_t rows = table.RecordCount();
  uint64_t values = 0, addresses = 0;
  uint32_t first_bad_row = 0;
  std::string first_bad;
  platform::Status s = table.First();
  while (s.ok() && !table.Eof()) {
    const std::string text = table.GetText(address);
    if (!text.empty() && !(id >= 0 && table.GetText(id) == kMarker)) {
      ++values;
      if (IsAddressText(text)) {
        // Past half of all rows the answer cannot change any more.
        if (++addresses * 2 >= rows) return;
      } else if (first_bad_row == 0) {
        first_bad_row = table.RecNo();
        first_bad = text;
      }
    }
    s = table.Next();
  }
  if (!s.ok()) throw EngineError("Błąd podczas przetwarzania tabeli: " + s.message());
  if (addresses * 2 < values) {
    throw EngineError("Pole " + info.AddressField + " nie zawiera adresów: wiersz " +
                      std::to_string(first_bad_row) + " (\"" + platform::Cp1250ToUtf8(first_bad) +
                      "\")");
  }
}

}  // namespace engine
