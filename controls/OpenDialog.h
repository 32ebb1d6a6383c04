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
};

}  // namespace controls
