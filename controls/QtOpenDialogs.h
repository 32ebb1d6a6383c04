// The open-dialog service over Qt's own file dialog (not the desktop's, so
// it behaves the same everywhere and takes the filters as given).
#pragma once

#include <QStringList>
#include <string>

#include "platform/OpenDialog.h"

class QFileDialog;

// "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*" as Qt name filters:
// "Dane (*.dat *.dan)", "Wszystkie (*)". "*.*" means every file.
QStringList QtNameFilters(const std::string& filter);

class QtOpenDialogs : public platform::OpenDialogService {
 public:
  // Modal over the active window. With kOfnFileMustExist only an existing
  // file can be chosen; otherwise any name may be typed, in an existing
  // folder when kOfnPathMustExist is set.
  bool Execute(platform::OpenDialogRequest& request) override;

  // Sets the dialog up for a request without running it.
  static void Prepare(QFileDialog& dialog, const platform::OpenDialogRequest& request);
};
