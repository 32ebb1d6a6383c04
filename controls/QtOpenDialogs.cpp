// The open-file dialog through Qt.
#include "controls/QtOpenDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/MessageBox.h"
#include "platform/Path.h"

QStringList QtNameFilters(const std::string& filter) {
  QStringList items = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    QString description = items[i];
    // The description usually repeats the patterns in brackets; Qt reads
    // the patterns from the brackets, so give it ours there instead.
    qsizetype bracket = description.indexOf(QLatin1Char('('));
    if (bracket >= 0) description = description.left(bracket);
    description = description.trimmed();
    QStringList patterns = items[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    if (patterns.isEmpty()) continue;
    result << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  return result;
}

void QtOpenDialogs::Prepare(QFileDialog& dialog, const platform::OpenDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((request.options & platform::kOfnFileMustExist) ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setSizeGripEnabled((request.options & platform::kOfnEnableSizing) != 0);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  QStringList filters = QtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.initial_dir.empty())
    dialog.setDirectory(QString::fromStdString(request.initial_dir));
  std::string name = platform::ExtractFileName(request.file_name);
  // A bare wildcard only asks for a folder; Qt would take it as a file.
  if (!name.empty() && name.find_first_of("*?") == std::string::npos)
    dialog.selectFile(QString::fromStdString(name));
}

bool QtOpenDialogs::Execute(platform::OpenDialogRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, request);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return false;
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    QFileInfo info(chosen.front());
    // Qt's dialog checks existence only for whole files; the folder of a
    // typed name is checked here when the dialog asks for it.
    if ((request.options & platform::kOfnPathMustExist) && !info.absoluteDir().exists()) {
      platform::ShowMessage("Katalog " + info.absolutePath().toStdString() + " nie istnieje.", "",
                            platform::kMbIconError);
      continue;
    }
    request.file_name = chosen.front().toStdString();
    return true;
  }
}
