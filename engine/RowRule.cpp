// The one decision about a row.
#include "engine/RowRule.h"

#include "engine/Common.h"

namespace engine {

bool IsAddressText(const std::string& text) {
  for (char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex && c != ' ') return false;
  }
  return true;
}

RowKind ClassifyRow(const std::string& address_text, const std::string* id_text) {
  if (address_text.empty()) return RowKind::kEmpty;
  if (id_text && *id_text == kMarker) return RowKind::kMarker;
  if (!IsAddressText(address_text)) return RowKind::kNotAddress;
  return HexToInt(address_text) == 0 ? RowKind::kZero : RowKind::kRecord;
}

int32_t MarkerAddress(const std::string& address_text) {
  return IsAddressText(address_text) ? HexToInt(address_text) : 0;
}

}  // namespace engine
