// TOpenDialog: the open-file dialog as a component of a window (settings in
// controls/FileDialog.h).
#pragma once

#include <QObject>

#include "controls/FileDialog.h"
#include "platform/OpenDialog.h"

class TOpenDialog : public QObject, public TFileDialogSettings<platform::OpenDialogRequest> {
  Q_OBJECT
 public:
  explicit TOpenDialog(QObject* owner = nullptr) : QObject(owner) {}
};
