// Reading and writing the editor's files.
#include "controls/PlainTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "controls/Cp1250.h"

namespace controls {

QByteArray DetectLineBreak(const QByteArray& bytes) {
  const qsizetype i = bytes.indexOf('\n');
  const qsizetype cr = bytes.indexOf('\r');
  if (i < 0) return cr < 0 ? QByteArray() : QByteArray("\r");
  if (cr >= 0 && cr < i - 1) return QByteArray("\r");
  return cr == i - 1 ? QByteArray("\r\n") : QByteArray("\n");
}

LoadResult LoadPlainText(const QString& path, PlainTextFile* file) {
  *file = PlainTextFile();
  const QFileInfo info(path);
  if (!info.exists()) return LoadResult::Missing;
  if (!info.isFile() || info.size() > kMaxPlainTextSize) return LoadResult::Failed;
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return LoadResult::Failed;
  // Read one byte past the limit to notice a file that grew meanwhile.
  const QByteArray bytes = in.read(kMaxPlainTextSize + 1);
  if (in.error() != QFileDevice::NoError || bytes.size() > kMaxPlainTextSize)
    return LoadResult::Failed;
  const QByteArray lineBreak = DetectLineBreak(bytes);
  QString text = DecodeCp1250(bytes);
  if (lineBreak == "\r\n")
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  else if (lineBreak == "\r")
    text.replace(u'\r', u'\n');
  file->text = std::move(text);
  if (!lineBreak.isEmpty()) file->lineBreak = lineBreak;
  return LoadResult::Loaded;
}

QByteArray EncodePlainText(const QString& text, const QByteArray& lineBreak, qsizetype* unmapped) {
  QByteArray bytes = EncodeCp1250(text, unmapped);
  if (lineBreak != "\n") bytes.replace('\n', lineBreak);
  return bytes;
}

bool WritePlainText(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile out(path);
  // A file in a folder we may not create files in can still be written.
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    if (error) *error = QStringLiteral("Nie można zapisać pliku: %1").arg(path);
    return false;
  }
  return true;
}

}  // namespace controls
