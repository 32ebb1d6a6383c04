// The parts of the Qt file dialogs that open and save share.
#include "controls/QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/MessageBox.h"

namespace controls {

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

void PrepareQtFileDialog(QFileDialog& dialog, const platform::FileDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setSizeGripEnabled((request.options & platform::kOfnEnableSizing) != 0);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  const QStringList filters = QtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.initial_dir.empty())
    dialog.setDirectory(QString::fromStdString(request.initial_dir));
}

bool RunQtFileDialog(QFileDialog& dialog, platform::FileDialogRequest& request) {
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    // Qt's dialog checks existence only for whole files and lets a name in
    // a missing folder through; the folder is checked here when asked for.
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

}  // namespace controls
