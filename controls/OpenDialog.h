// TOpenDialog: the open-file dialog as a component of a window (settings in
// controls/FileDialog.h).
#pragma once

#include <QObject>

#include "controls/FileDialog.h"
#include "platform/OpenDialog.h"

namespace controls {

class TOpenDialog : public QObject, public FileDialogSettings<platform::OpenDialogRequest> {
  Q_OBJECT
 public:
  explicit TOpenDialog(QObject* owner = nullptr) : QObject(owner) {}

  // Chooses a folder instead of a file.
  bool PickFolder() const { return request_.pick_folder; }
  void SetPickFolder(bool v) { request_.pick_folder = v; }
};

}  // namespace controls
