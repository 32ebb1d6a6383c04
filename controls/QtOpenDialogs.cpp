// The open-file dialog through Qt.
#include "controls/QtOpenDialogs.h"

#include <QApplication>
#include <QFileDialog>

#include "platform/Path.h"

namespace controls {

void QtOpenDialogs::Prepare(QFileDialog& dialog, const platform::OpenDialogRequest& request) {
  PrepareQtFileDialog(dialog, request);
  if (request.pick_folder) {
    // Folders only, and the button takes the folder that is open or
    // marked; no filter applies.
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setNameFilters({});
    if (request.title.empty()) dialog.setWindowTitle(QString::fromUtf8(kPickFolderTitle));
    return;
  }
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((request.options & platform::kOfnFileMustExist) ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  std::string name = platform::ExtractFileName(request.file_name);
  // A bare wildcard only asks for a folder; Qt would take it as a file.
  if (!name.empty() && name.find_first_of("*?") == std::string::npos)
    dialog.selectFile(QString::fromStdString(name));
}

bool QtOpenDialogs::Execute(platform::OpenDialogRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, request);
  return RunQtFileDialog(dialog, request);
}

}  // namespace controls
