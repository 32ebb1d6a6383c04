// The save-file dialog through Qt.
#include "controls/QtSaveDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "controls/QtOpenDialogs.h"
#include "platform/MessageBox.h"

void QtSaveDialogs::Prepare(QFileDialog& dialog, const platform::SaveDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite,
                   !(request.options & platform::kOfnOverwritePrompt));
  dialog.setSizeGripEnabled((request.options & platform::kOfnEnableSizing) != 0);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  const QStringList filters = QtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.initial_dir.empty())
    dialog.setDirectory(QString::fromStdString(request.initial_dir));
  if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));
  dialog.setDefaultSuffix(QString::fromStdString(request.default_ext));
}

bool QtSaveDialogs::Execute(platform::SaveDialogRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, request);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    // Qt lets a name in a missing folder through; say so and ask again.
    const QFileInfo info(chosen.front());
    if ((request.options & platform::kOfnPathMustExist) && !info.absoluteDir().exists()) {
      platform::ShowMessage("Katalog " + info.absolutePath().toStdString() + " nie istnieje.", "",
                            platform::kMbIconError);
      continue;
    }
    request.file_name = chosen.front().toStdString();
    return true;
  }
}
