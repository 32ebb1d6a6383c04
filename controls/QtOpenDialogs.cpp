// The open-file dialog through Qt.
#include "controls/QtOpenDialogs.h"

#include <QApplication>
#include <QFileDialog>

#include "platform/Path.h"

namespace controls {

void QtOpenDialogs::Prepare(QFileDialog& dialog, const platform::OpenDialogRequest& request) {
  PrepareQtFileDialog(dialog, request);
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
