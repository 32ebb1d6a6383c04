// SaveDialog: the save-file dialog as a component of a window (settings in
// controls/FileDialog.h), with the extension added to a bare name.
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

  std::string DefaultExt() const { return request_.default_ext; }
  void SetDefaultExt(const std::string& v) { request_.default_ext = v; }
};

}  // namespace controls
