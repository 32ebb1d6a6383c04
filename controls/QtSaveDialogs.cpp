// The save-file dialog through Qt.
#include "controls/QtSaveDialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace controls {

void QtSaveDialogs::Prepare(QFileDialog& dialog, const platform::SaveDialogRequest& request) {
  PrepareQtFileDialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite,
                   !(request.options & platform::kOfnOverwritePrompt));
  if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));
  dialog.setDefaultSuffix(QString::fromStdString(request.default_ext));
}

bool QtSaveDialogs::Execute(platform::SaveDialogRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, request);
  return RunQtFileDialog(dialog, request);
}

}  // namespace controls
