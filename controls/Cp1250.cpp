// Code page 1250 through the platform's table, in both directions.
#include "controls/Cp1250.h"

#include <array>
#include <cstdint>

#include "platform/Cp1250.h"

namespace controls {

namespace {

// Reverse lookup: one byte for each of the 65,536 code units, 0 where the
// code page has no byte (only U+0000 maps to 0, and it is ASCII).
const std::array<uint8_t, 65536>& ReverseTable() {
  static const std::array<uint8_t, 65536> table = [] {
    std::array<uint8_t, 65536> t{};
    for (int b = 1; b < 128; ++b) t[b] = static_cast<uint8_t>(b);
    for (int i = 0; i < 128; ++i) t[platform::kCp1250UpperHalf[i]] = static_cast<uint8_t>(128 + i);
    return t;
  }();
  return table;
}

}  // namespace

QString DecodeCp1250(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    out[i] = QChar(b < 128 ? char16_t(b) : platform::kCp1250UpperHalf[b - 128]);
  }
  return text;
}

QByteArray EncodeCp1250(QStringView text, qsizetype* unmapped) {
  const auto& reverse = ReverseTable();
  QByteArray bytes;
  bytes.reserve(text.size());
  qsizetype missing = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (u == 0) {
      bytes.append('\0');
      continue;
    }
    const uint8_t b = reverse[u];
    if (b != 0) {
      bytes.append(static_cast<char>(b));
      continue;
    }
    // One "?" for a whole surrogate pair, as it is one character.
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    bytes.append('?');
    ++missing;
  }
  if (unmapped) *unmapped = missing;
  return bytes;
}

}  // namespace controls
