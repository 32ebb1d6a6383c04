// Code page 1250 (East European), the single-byte encoding of every text
// file the editor reads and writes, converted to and from Qt's Unicode.
// Each byte has exactly one character: the five bytes the code page leaves
// without a character (81, 83, 88, 90, 98 hex) become the control
// characters of the same value, so they survive a load and a save.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace controls {

// The character of each byte, in order.
QString DecodeCp1250(QByteArrayView bytes);

// The byte of each character. A character the code page cannot hold is
// written as "?" (once for a character outside the 16-bit range) and
// counted in *unmapped when given.
QByteArray EncodeCp1250(QStringView text, qsizetype* unmapped = nullptr);

}  // namespace controls
