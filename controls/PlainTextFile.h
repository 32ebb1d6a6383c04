// The editor's files on disk, read and written whole; what their bytes
// mean is the editor model's (ui/EditorModel.h).
#pragma once

#include <QByteArray>
#include <QString>

#include "ui/EditorModel.h"

namespace controls {

// The whole file into *bytes (empty unless kLoaded). A file over
// ui::kMaxEditorFileSize counts as unreadable.
ui::LoadOutcome ReadPlainBytes(const QString& path, QByteArray* bytes);

// Writes bytes as the whole file. The old content stays in place until the
// new one is complete. False with a Polish reason in *error when the file
// could not be written.
bool WritePlainText(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace controls
