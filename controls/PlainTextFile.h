// The editor's files on disk: code page 1250 bytes whose lines end with one
// kind of line break. The text in memory separates lines with "\n" only;
// the break the file used is kept so that saving writes the file back the
// way it was read.
#pragma once

#include <QByteArray>
#include <QString>

namespace controls {

// Larger files are not loaded: the editor is for short texts, and a huge or
// endless file (a device, a pipe) must not exhaust memory.
inline constexpr qint64 kMaxPlainTextSize = 64 * 1024 * 1024;

struct PlainTextFile {
  QString text;
  // "\r\n", "\n" or "\r": the first line break of the file; files without
  // one get the break of the code page's own system.
  QByteArray lineBreak = "\r\n";
};

enum class LoadResult {
  Loaded,   // *file holds the text
  Missing,  // no such file; *file is empty
  Failed,   // the file exists but could not be read whole; *file is empty
};

LoadResult LoadPlainText(const QString& path, PlainTextFile* file);

// The bytes of text with each "\n" turned into lineBreak. Characters code
// page 1250 has no byte for become "?" and are counted in *unmapped.
QByteArray EncodePlainText(const QString& text, const QByteArray& lineBreak,
                           qsizetype* unmapped = nullptr);

// Writes bytes as the whole file. The old content stays in place until the
// new one is complete. False with a Polish reason in *error when the file
// could not be written.
bool WritePlainText(const QString& path, const QByteArray& bytes, QString* error);

// The first line break of bytes, or an empty array when there is none.
QByteArray DetectLineBreak(const QByteArray& bytes);

}  // namespace controls
