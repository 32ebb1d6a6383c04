// The save-file dialog through Qt.
#include "controls/SaveDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// "tekst (*.txt)|*.txt|Wszystkie (*.*)|*.*" as Qt name filters:
// "tekst (*.txt)", "Wszystkie (*)".
QStringList NameFilters(const std::string& filter) {
  const QStringList items = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    QString description = items[i];
    // Qt reads the patterns from the brackets, so give it ours there.
    const qsizetype bracket = description.indexOf(QLatin1Char('('));
    if (bracket >= 0) description = description.left(bracket);
    QStringList patterns = items[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    result << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.join(u' '));
  }
  return result;
}

}  // namespace

bool QtSaveDialogs::Execute(platform::SaveDialogRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwrite_prompt);
  dialog.setSizeGripEnabled(true);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  const QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.initial_dir.empty())
    dialog.setDirectory(QString::fromStdString(request.initial_dir));
  if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));
  if (!request.default_ext.empty())
    dialog.setDefaultSuffix(QString::fromStdString(request.default_ext));
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    // Qt lets a name in a missing folder through; ask again then.
    if (request.path_must_exist && !QFileInfo(chosen.front()).absoluteDir().exists()) continue;
    request.file_name = chosen.front().toStdString();
    return true;
  }
}
