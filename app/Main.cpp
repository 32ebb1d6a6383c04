// The main window: its components as laid out in design units, the panel
// switch, the two automatic fills and the start action.
#include "app/Main.h"

#include "app/ToolWindows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "controls/Cp1250.h"
#include "controls/DesignUnits.h"
#include "controls/ErrorDisplay.h"
#include "controls/IntEdit.h"
#include "controls/OEBtn.h"
#include "controls/OpenDialog.h"
#include "engine/UserDialog.h"
#include "platform/Interrupt.h"
#include "platform/Path.h"
#include "ui/MainTexts.h"

namespace app {

using namespace controls;

namespace {

constexpr int kOpenOptions = platform::kOfnHideReadOnly | platform::kOfnPathMustExist |
                             platform::kOfnFileMustExist | platform::kOfnEnableSizing;
constexpr int kDirOptions = platform::kOfnHideReadOnly | platform::kOfnNoValidate |
                            platform::kOfnPathMustExist | platform::kOfnEnableSizing;

template <class W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  W* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  PlaceScaled(w, left, top, width, height);
  return w;
}

// Labels size themselves to their text, as the layout's do.
QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const char* text) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setObjectName(QString::fromLatin1(name));
  l->move(Scaled(left), Scaled(top));
  l->adjustSize();
  return l;
}

// The layout was drawn for a narrow face; where the font in use is wider, a
// label that would run under the control to its right is narrowed to fit.
void FitLabel(QLabel* label, int right_limit) {
  const int room = Scaled(right_limit) - label->x();
  if (room <= 0) return;
  QFont f = label->font();
  // Glyph widths round, so the stretch goes down until the text fits.
  for (int stretch = 100 * room / std::max(1, label->width());
       label->width() > room && stretch >= 50; stretch -= 2) {
    f.setStretch(std::min(stretch, 99));
    label->setFont(f);
    label->adjustSize();
  }
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, int left, int top, int width, int height,
                     const char* text) {
  auto* c = Make<QCheckBox>(parent, name, left, top, width, height);
  c->setText(QString::fromUtf8(text));
  c->setChecked(true);
  return c;
}

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* p = Make<QFrame>(parent, name, left, top, width, height);
  p->setFrameShape(QFrame::Panel);
  p->setFrameShadow(QFrame::Raised);
  return p;
}

// Size boxes as the layout loads them: the text first, while there is no
// range yet, then Max, then Value.
TIntegerEdit* MakeSizeBox(QWidget* parent, const char* name, int left, int top) {
  auto* e = Make<TIntegerEdit>(parent, name, left, top, 41, 24);
  e->setText(QStringLiteral("650"));
  e->SetMax(2047);
  e->SetValue(650);
  return e;
}

TOpenDialog* MakeDialog(QObject* owner, const char* name, const char* filter, int options) {
  auto* d = new TOpenDialog(owner);
  d->setObjectName(QString::fromLatin1(name));
  d->SetFilter(filter);
  d->SetOptions(options);
  return d;
}

TOpenEditButton* MakePicker(QWidget* parent, const char* name, int left, int top, QLineEdit* edit,
                            TOpenDialog* dialog, bool select_directory) {
  auto* b = Make<TOpenEditButton>(parent, name, left, top, 86, 25);
  b->SetEditLine(edit);
  b->SetOpenDialog(dialog);
  b->SetNoEdit(true);
  b->SetSelectDirectory(select_directory);
  return b;
}

}  // namespace

TMainForm::TMainForm(MainFormServices services, platform::Env* env, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(std::move(services), env),
      env_(env) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromUtf8("Podział plików z danymi opisowymi"));
  setFont(DialogFont());
  setFixedSize(Scaled(372), Scaled(290));
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setSizeGripEnabled(false);
  CreateComponents();
  SetTabOrders();
  CreateTools();
  FormCreate();
}

void TMainForm::CreateComponents() {
  DivType = Make<QComboBox>(this, "DivType", 5, 10, 196, 24);
  for (const std::string& caption : ui::DivTypeCaptions())
    DivType->addItem(QString::fromStdString(caption));
  connect(DivType, &QComboBox::activated, this, [this] { Guarded([this] { DivTypeChange(); }); });

  UserPanel = MakePanel(this, "UserPanel", 5, 40, 361, 196);
  Label1 = MakeLabel(UserPanel, "Label1", 10, 10, "Plik z danymi opisowymi:");
  DataFN = Make<QLineEdit>(UserPanel, "DataFN", 10, 30, 246, 24);
  OpenDialog1 = MakeDialog(this, "OpenDialog1",
                           "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*", kOpenOptions);
  OpenEditButton1 = MakePicker(UserPanel, "OpenEditButton1", 265, 30, DataFN, OpenDialog1, false);
  connect(OpenEditButton1, &TOpenEditButton::changed, this,
          [this] { Guarded([this] { OpenEditButton1Change(); }); });
  TableFN = Make<QLineEdit>(UserPanel, "TableFN", 10, 80, 246, 24);
  Label2 = MakeLabel(UserPanel, "Label2", 10, 60, "Tabela:");
  OpenDialog2 =
      MakeDialog(this, "OpenDialog2", "Tabele (*.dbf)|*.dbf|Wszystkie (*.*)|*.*", kOpenOptions);
  OpenEditButton2 = MakePicker(UserPanel, "OpenEditButton2", 265, 80, TableFN, OpenDialog2, false);
  connect(OpenEditButton2, &TOpenEditButton::changed, this,
          [this] { Guarded([this] { OpenEditButton2Change(); }); });
  Label3 = MakeLabel(UserPanel, "Label3", 15, 110, "Nazwa pola:");
  FieldName = Make<QComboBox>(UserPanel, "FieldName", 10, 130, 116, 24);
  FieldName->setEditable(true);
  FieldName->setInsertPolicy(QComboBox::NoInsert);
  Label4 = MakeLabel(UserPanel, "Label4", 10, 165, "Max. rozmiar pliku z danymi opis.:");
  Size = MakeSizeBox(UserPanel, "Size", 220, 155);
  FitLabel(Label4, 218);
  Label5 = MakeLabel(UserPanel, "Label5", 270, 165, "MB");
  // In the panel's free strip under the size box.
  SizeNote = Make<QLabel>(UserPanel, "SizeNote", 10, 181, 345, 14);
  QFont small = SizeNote->font();
  small.setPixelSize(Scaled(11));
  SizeNote->setFont(small);
  Size->setToolTip(QString::fromUtf8(ui::kHintSize));
  CheckID = MakeCheck(UserPanel, "CheckID", 140, 110, 191, 17, "Sprawdzaj ID");
  CheckID->setToolTip(QString::fromUtf8(ui::kHintCheckID));
  OldToTemp = MakeCheck(UserPanel, "OldToTemp", 140, 130, 166, 17, "Stare dane zachowaj");

  BitBtn1 = Make<QPushButton>(this, "BitBtn1", 10, 250, 86, 31);
  BitBtn1->setText(QString::fromUtf8(kStartCaption));
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    Guarded([this] { BitBtn1Click(); });
    if (close_after_run_) {
      close_after_run_ = false;
      close();
    }
  });
  BitBtn2 = Make<QPushButton>(this, "BitBtn2", 285, 250, 75, 31);
  BitBtn2->setText(QString::fromUtf8("Wyjdź"));
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });

  TolmowyPanel = MakePanel(this, "TolmowyPanel", 5, 40, 361, 121);
  TolmowyPanel->hide();
  Label6 = MakeLabel(TolmowyPanel, "Label6", 10, 5, "Katalog z bazą:");
  TolmDir = Make<QLineEdit>(TolmowyPanel, "TolmDir", 10, 25, 246, 24);
  OpenDialog3 = MakeDialog(this, "OpenDialog3", "", kDirOptions);
  OpenDialog3->SetFileName("*.*");
  OpenEditButton3 =
      MakePicker(TolmowyPanel, "OpenEditButton3", 265, 25, TolmDir, OpenDialog3, true);
  TolmTmp = MakeCheck(TolmowyPanel, "TolmTmp", 10, 95, 166, 17, "Stare dane zachowaj");
  Label7 = MakeLabel(TolmowyPanel, "Label7", 10, 70, "Max. rozmiar plików z danymi opis.:");
  TolmSize = MakeSizeBox(TolmowyPanel, "TolmSize", 220, 60);
  TolmSize->setToolTip(QString::fromUtf8(ui::kHintSize));
  FitLabel(Label7, 218);
  Label8 = MakeLabel(TolmowyPanel, "Label8", 270, 70, "MB");
}

// Tab order as the layout gives it, parent by parent: the window's own
// controls, descending into each panel where the panel stands.
void TMainForm::SetTabOrders() {
  const std::vector<QWidget*> chain = {DivType,
                                       DataFN,
                                       OpenEditButton1->ChangeButton(),
                                       TableFN,
                                       OpenEditButton2->ChangeButton(),
                                       FieldName,
                                       Size,
                                       CheckID,
                                       OldToTemp,
                                       BitBtn1,
                                       BitBtn2,
                                       TolmDir,
                                       OpenEditButton3->ChangeButton(),
                                       TolmTmp,
                                       TolmSize};
  for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

// The tools' button stands in the free space between the start button and
// "Wyjdź" and comes last in the tab order, so every other place stays. A
// table or database folder chosen where an interrupted run left its
// working folder brings the offer to repair it.
void TMainForm::CreateTools() {
  ToolsButton = Make<QPushButton>(this, "ToolsButton", 147, 250, 86, 31);
  ToolsButton->setText(QString::fromUtf8(ui::kToolsCaption));
  ToolsButton->setAutoDefault(false);
  ToolsButton->setMenu(MakeToolsMenu(
      this, [this] { return Entries(); }, env_));
  setTabOrder(TolmSize, ToolsButton);
  connect(OpenEditButton2, &TOpenEditButton::changed, this, [this] {
    Guarded([this] {
      OfferRecovery(this, platform::ExtractFileDir(TableFN->text().toStdString()), env_);
    });
  });
  connect(OpenEditButton3, &TOpenEditButton::changed, this, [this] {
    Guarded([this] { OfferRecovery(this, TolmDir->text().toStdString(), env_); });
  });
}

void TMainForm::FormCreate() {
  // Selecting the row in code fires no change: the panels already match.
  DivType->setCurrentIndex(0);
  model_.DivTypeChanged(0);
  current_panel_ = UserPanel;
}

void TMainForm::BitBtn2Click() {
  close();
}

void TMainForm::DivTypeChange() {
  model_.DivTypeChanged(DivType->currentIndex());
  if (current_panel_) current_panel_->hide();
  current_panel_ = model_.CurrentPanel() == ui::MainModel::Panel::kUser ? UserPanel : TolmowyPanel;
  current_panel_->show();
}

void TMainForm::OpenEditButton1Change() {
  const std::optional<int32_t> size = model_.DataFileChosen(DataFN->text().toStdString());
  if (!size) return;
  SizeNote->setText(QString::fromStdString(model_.SizeNote()));
  // The size box checks the value itself: above 2047 it says so and keeps
  // its last text.
  Size->SetValue(*size);
}

void TMainForm::OpenEditButton2Change() {
  if (!model_.TableChosen(TableFN->text().toStdString())) return;
  const std::vector<std::string>& names = model_.FieldNames();
  // Qt would make the first new item current; the typed field name stays
  // instead, so the user never starts with a field he did not pick.
  const QString typed = FieldName->currentText();
  FieldName->clear();
  // Field names are the table's own bytes, in the Windows code page of the
  // databases (a name may hold Polish letters).
  for (const std::string& n : names)
    FieldName->addItem(DecodeCp1250(QByteArrayView(n.data(), qsizetype(n.size()))));
  FieldName->setCurrentIndex(-1);
  FieldName->setEditText(typed);
}

engine::RequestEntries TMainForm::Entries() const {
  engine::RequestEntries e;
  e.DivType = DivType->currentIndex();
  e.DataFN = DataFN->text().toStdString();
  e.TableFN = TableFN->text().toStdString();
  e.FieldName = EncodeCp1250(FieldName->currentText()).toStdString();
  e.CheckID = CheckID->isChecked();
  e.OldToTemp = OldToTemp->isChecked();
  e.TolmDir = TolmDir->text().toStdString();
  e.TolmTmp = TolmTmp->isChecked();
  // The size is read after the texts: an empty required text is reported
  // before a size box that holds only "-".
  if (e.DivType == engine::kDivUser) {
    if (!e.DataFN.empty() && !e.TableFN.empty() && !e.FieldName.empty()) e.Size = Size->Value();
  } else if (!e.TolmDir.empty()) {
    e.TolmSize = TolmSize->Value();
  }
  return e;
}

void TMainForm::BitBtn1Click() {
  platform::ClearInterrupt();
  running_ = true;
  struct Ended {
    bool& running;
    // A cancel asked for this run must not reach the next dry run.
    ~Ended() {
      running = false;
      platform::ClearInterrupt();
    }
  } ended{running_};
  model_.Start(Entries());
}

void TMainForm::reject() {
  Guarded([this] { BitBtn2Click(); });
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closed during a run: the run stops at its next row (never inside the
  // exchange of files), says so, and the window closes after it.
  if (running_) {
    platform::RequestInterrupt();
    close_after_run_ = true;
    event->ignore();
    return;
  }
  // A plain window close; the dialog's own would call reject() again.
  event->accept();
}

void TMainForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
}

}  // namespace app
