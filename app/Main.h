// TMainForm: the program's only main window. The user picks the kind of
// request in DivType, fills one of two panels (hand-picked files or a
// preset's database directory) and presses the start button; two pickers
// propose the maximum size from a description file and the field names
// from a table. The work itself is the engine's division request.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DivisionRequest.h"
#include "platform/Env.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace controls {
class TIntegerEdit;
class TOpenDialog;
class TOpenEditButton;
}  // namespace controls

namespace app {

using controls::TIntegerEdit;
using controls::TOpenDialog;
using controls::TOpenEditButton;

// What the window asks of the engine and the table engine; tests put fakes
// in. Each may throw an error whose message the standard error box shows.
struct MainFormServices {
  // The size limit recorded in a description file, in MB (size probe).
  std::function<int32_t(const std::string& data_file)> max_size;
  // The names of a table's fields in the table's order (shared open).
  std::function<std::vector<std::string>(const std::string& dir, const std::string& file)>
      field_names;
  // Runs one job of a request.
  engine::JobRunner run_job;
  // Shows the whole request's progress (null: the jobs' own displays).
  engine::ProgressDisplayFactory* progress = nullptr;
};

class TMainForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMainForm(MainFormServices services, platform::Env* env = platform::Env::Default(),
                     QWidget* parent = nullptr);

  // Event handlers. Called directly they let errors pass to the caller;
  // the controls call them through the standard error display.
  void BitBtn2Click();
  void FormCreate();
  void BitBtn1Click();
  void OpenEditButton1Change();
  void OpenEditButton2Change();
  void DivTypeChange();

  // The entries of a request as the controls hold them now. Reads the size
  // box of the chosen row (a "-" there throws EConvertError) unless a
  // required text is empty.
  engine::RequestEntries Entries() const;

  QWidget* CurrentPanel() const { return current_panel_; }

 protected:
  void reject() override;  // Esc
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateComponents();
  void SetTabOrders();

  MainFormServices services_;
  // A division is running: closing the window asks it to stop at the next
  // row and closes the window once it has ended.
  bool running_ = false;
  bool close_after_run_ = false;
  platform::Env* env_;

  // Components, named as in the window's layout.
  QComboBox* DivType;
  QFrame* UserPanel;
  QLabel* Label1;
  QLineEdit* DataFN;
  TOpenDialog* OpenDialog1;
  TOpenEditButton* OpenEditButton1;
  QLineEdit* TableFN;
  QLabel* Label2;
  TOpenEditButton* OpenEditButton2;
  TOpenDialog* OpenDialog2;
  QLabel* Label3;
  QComboBox* FieldName;
  QLabel* Label4;
  TIntegerEdit* Size;
  QLabel* Label5;
  QCheckBox* CheckID;
  QCheckBox* OldToTemp;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QFrame* TolmowyPanel;
  QLabel* Label6;
  QLineEdit* TolmDir;
  TOpenEditButton* OpenEditButton3;
  QCheckBox* TolmTmp;
  QLabel* Label7;
  TIntegerEdit* TolmSize;
  QLabel* Label8;
  TOpenDialog* OpenDialog3;

  QWidget* current_panel_ = nullptr;  // not owned
};

// Caption of the start button.
inline constexpr const char* kStartCaption = "Podziel";

}  // namespace app
