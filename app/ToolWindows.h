// The tool windows of the main window's "Narzędzia" menu. They only draw
// what the tools' core (ui/Tools.h) decides: the preview and the check in
// a report window whose text can be selected and copied, the backups in a
// table with a restore after a Yes/No question, the repair on a folder the
// user picks.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "engine/DivisionRequest.h"
#include "platform/Env.h"
#include "ui/Tools.h"

class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace app {

// How a tool asks for a folder or a file: a Qt file dialog with a Polish
// title; tests put their own choice in. "" means cancelled.
struct ToolChoosers {
  std::function<std::string(QWidget*parent, const std::string&title, const std::string&start)>
      folder, file;
};
ToolChoosers& Choosers();

using ui::kChooseBackupsFolder;
using ui::kChooseCheckFile;
using ui::kChooseRecoverFolder;

// A tool's report: its text, selectable, with "Kopiuj" and "Zamknij".
class ReportWindow : public QDialog {
  Q_OBJECT
 public:
  ReportWindow(const ui::ToolReport& report, QWidget* parent);
  QString Text() const;

 private:
  QPlainTextEdit* text_;
};

// The backups of a folder, newest first; "Przywróć" restores the one
// chosen after a question.
class BackupsWindow : public QDialog {
  Q_OBJECT
 public:
  BackupsWindow(std::string folder, platform::Env* env, QWidget* parent);
  // Restores the backup of `row` after the question; what came of it is
  // shown in a message box and the list is read again.
  void RestoreRow(int row);

 private:
  void Fill();

  std::string folder_;
  platform::Env* env_;
  ui::BackupList list_;
  QTableWidget* table_;
  QPushButton* restore_;
};

// Runs one tool for the main window's current entries; returns the window
// it opened (shown, deleted when closed), or null when none was.
QDialog* RunTool(ui::Tool tool, QWidget* parent, const engine::RequestEntries& entries,
                 platform::Env* env);

// The menu of the "Narzędzia" button. `entries` reads the main window.
QMenu* MakeToolsMenu(QWidget* parent, std::function<engine::RequestEntries()> entries,
                     platform::Env* env);

// When `folder` holds the working folder of an interrupted run, offers to
// repair it and shows the result. Returns the report window or null.
QDialog* OfferRecovery(QWidget* parent, const std::string& folder, platform::Env* env);

}  // namespace app
