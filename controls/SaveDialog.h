// SaveDialog: the save-file dialog as a component of a window (settings in
// controls/FileDialog.h).
#pragma once

#include <QObject>
#include <string>

#include "controls/FileDialog.h"
#include "platform/SaveDialog.h"

namespace controls {

class SaveDialog : public QObject, public FileDialogSettings<platform::SaveDialogRequest> {
  Q_OBJECT
 public:
  explicit SaveDialog(QObject* owner = nullptr) : QObject(owner) {}
};

}  // namespace controls
