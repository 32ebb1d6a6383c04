// The tool windows: thin Qt views over ui/Tools.
#include "app/ToolWindows.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "controls/DesignUnits.h"
#include "controls/ErrorDisplay.h"
#include "engine/UserDialog.h"
#include "platform/MessageBox.h"

namespace app {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string PickFolder(QWidget* parent, const std::string& title, const std::string& start) {
  return QFileDialog::getExistingDirectory(parent, Q(title), Q(start), QFileDialog::ShowDirsOnly)
      .toStdString();
}

std::string PickFile(QWidget* parent, const std::string& title, const std::string& start) {
  return QFileDialog::getOpenFileName(
             parent, Q(title), Q(start),
             QString::fromUtf8("Dane (*.dat *.dan *.DAT *.DAN);;Wszystkie (*)"))
      .toStdString();
}

template <class W>
W* Shown(W* w) {
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setModal(true);
  w->show();
  return w;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

ToolChoosers& Choosers() {
  static ToolChoosers choosers{PickFolder, PickFile};
  return choosers;
}

ReportWindow::ReportWindow(const ui::ToolReport& report, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ReportWindow"));
  setWindowTitle(Q(report.title));
  setFont(controls::DialogFont());
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("ReportText"));
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text_->setPlainText(Q(report.text));
  auto* copy = Button(this, "CopyButton", "Kopiuj");
  connect(copy, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(text_->toPlainText()); });
  auto* close_button = Button(this, "CloseButton", "Zamknij");
  close_button->setDefault(true);
  connect(close_button, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  resize(controls::Scaled(600), controls::Scaled(360));
}

QString ReportWindow::Text() const {
  return text_->toPlainText();
}

BackupsWindow::BackupsWindow(std::string folder, platform::Env* env, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), env_(env) {
  setObjectName(QStringLiteral("BackupsWindow"));
  setWindowTitle(QString::fromUtf8(ui::kBackupsTitle));
  setFont(controls::DialogFont());
  auto* label = new QLabel(QString::fromUtf8(ui::kFolderLabel) + Q(folder_), this);
  label->setObjectName(QStringLiteral("FolderLabel"));
  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("BackupsTable"));
  QStringList headers;
  for (const char* h : ui::kBackupColumns) headers << QString::fromUtf8(h);
  table_->setColumnCount(headers.size());
  table_->setHorizontalHeaderLabels(headers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  restore_ = Button(this, "RestoreButton", "Przywróć");
  connect(restore_, &QPushButton::clicked, this,
          [this] { controls::Guarded([this] { RestoreRow(table_->currentRow()); }); });
  auto* close_button = Button(this, "CloseButton", "Zamknij");
  connect(close_button, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(restore_);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(table_);
  layout->addLayout(buttons);
  resize(controls::Scaled(640), controls::Scaled(300));
  Fill();
}

void BackupsWindow::Fill() {
  list_ = ui::ListBackupsOf(env_, folder_);
  table_->setRowCount(static_cast<int>(list_.rows.size()));
  for (int r = 0; r < static_cast<int>(list_.rows.size()); ++r) {
    const ui::BackupRow& row = list_.rows[static_cast<size_t>(r)];
    const std::string cells[] = {row.date, row.name, row.jobs, row.size, row.state};
    for (int c = 0; c < 5; ++c) table_->setItem(r, c, new QTableWidgetItem(Q(cells[c])));
  }
  table_->resizeColumnsToContents();
  if (!list_.rows.empty()) table_->selectRow(0);
  restore_->setEnabled(!list_.rows.empty());
  if (!list_.error.empty()) {
    platform::ShowMessage(list_.error, controls::kErrorTitle, platform::kMbIconError);
  }
}

void BackupsWindow::RestoreRow(int row) {
  if (row < 0 || row >= static_cast<int>(list_.entries.size())) return;
  const engine::BackupEntry backup = list_.entries[static_cast<size_t>(row)];
  std::string refused;
  const std::string question = ui::RestoreQuestion(env_, backup, &refused);
  if (question.empty()) {
    platform::ShowMessage(refused, controls::kErrorTitle, platform::kMbIconError);
    return;
  }
  if (platform::ShowMessage(question, "", engine::kFlagsQuestion) != engine::kAnswerYes) return;
  const ui::ToolReport r = ui::RestoreBackup(env_, backup);
  platform::ShowMessage(r.text, r.ok ? "Informacja" : controls::kErrorTitle,
                        r.ok ? engine::kFlagsInformation : platform::kMbIconError);
  Fill();
}

QDialog* RunTool(ui::Tool tool, QWidget* parent, const engine::RequestEntries& entries,
                 platform::Env* env) {
  const std::string folder = ui::ToolsFolder(entries);
  switch (tool) {
    case ui::Tool::kPreview: {
      engine::MessageBoxDialog dialog;
      const ui::ToolReport r = ui::PreviewDivision(env, &dialog, entries);
      if (r.text.empty()) return nullptr;
      return Shown(new ReportWindow(r, parent));
    }
    case ui::Tool::kBackups: {
      std::string dir = folder;
      if (dir.empty()) dir = Choosers().folder(parent, kChooseBackupsFolder, "");
      if (dir.empty()) return nullptr;
      return Shown(new BackupsWindow(dir, env, parent));
    }
    case ui::Tool::kCheck: {
      const std::string file = Choosers().file(
          parent, kChooseCheckFile, entries.DivType == engine::kDivUser ? entries.DataFN : folder);
      if (file.empty()) return nullptr;
      return Shown(new ReportWindow(ui::CheckDescriptionFile(env, file), parent));
    }
    case ui::Tool::kRecover: {
      const std::string dir = Choosers().folder(parent, kChooseRecoverFolder, folder);
      if (dir.empty()) return nullptr;
      return Shown(new ReportWindow(ui::RecoverFolder(env, dir), parent));
    }
  }
  return nullptr;
}

QMenu* MakeToolsMenu(QWidget* parent, std::function<engine::RequestEntries()> entries,
                     platform::Env* env) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("ToolsMenu"));
  for (ui::Tool tool : ui::kTools) {
    QAction* a = menu->addAction(Q(ui::ToolName(tool)));
    QObject::connect(a, &QAction::triggered, parent,
                     [=] { controls::Guarded([&] { RunTool(tool, parent, entries(), env); }); });
  }
  return menu;
}

QDialog* OfferRecovery(QWidget* parent, const std::string& folder, platform::Env* env) {
  const std::vector<std::string> runs = ui::InterruptedRuns(env, folder);
  if (runs.empty()) return nullptr;
  if (platform::ShowMessage(ui::RecoverOffer(folder, runs), "", engine::kFlagsQuestion) !=
      engine::kAnswerYes) {
    return nullptr;
  }
  return Shown(new ReportWindow(ui::RecoverFolder(env, folder), parent));
}

}  // namespace app
