// Reading and writing the editor's files.
#include "controls/PlainTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace controls {

ui::LoadOutcome ReadPlainBytes(const QString& path, QByteArray* bytes) {
  bytes->clear();
  const QFileInfo info(path);
  const auto limit = static_cast<qint64>(ui::kMaxEditorFileSize);
  if (!info.exists()) return ui::LoadOutcome::kMissing;
  if (!info.isFile() || info.size() > limit) return ui::LoadOutcome::kFailed;
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return ui::LoadOutcome::kFailed;
  // Read one byte past the limit to notice a file that grew meanwhile.
  QByteArray read = in.read(limit + 1);
  if (in.error() != QFileDevice::NoError || read.size() > limit) return ui::LoadOutcome::kFailed;
  *bytes = std::move(read);
  return ui::LoadOutcome::kLoaded;
}

bool WritePlainText(const QString& path, const QByteArray& bytes, QString* error) {
  // Written beside the file and renamed over it, never in place: a write
  // that fails half-way must leave the old text whole.
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    if (error) *error = QString::fromStdString(ui::SaveFailed(path.toStdString()));
    return false;
  }
  return true;
}

}  // namespace controls
