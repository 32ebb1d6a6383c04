// Renders the text editor window and its replace dialog to PNG files under
// the build folder, as the main window's pictures are made. Each picture is
// checked to hold a drawn window of the expected size, not a blank.
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "controls/GuiTestUtil.h"
#include "controls/Jxedit.h"
#include "controls/ReplaceDialog.h"
#include "controls/Screenshot.h"

using namespace controls;

namespace {

using testing_util::SaveScreenshot;

TEST(JxeditScreenshotTest, EditorWindowAndReplaceDialog) {
  QTemporaryDir dir;
  const QString path = dir.filePath("opisy.txt");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[Opis punktu]\r\nNumer\t4821\r\nPo\xB3o\xBF\x65nie\tprzy drodze do \xA3odzi\r\n"
        "Uwagi\tpunkt zniszczony, \xBF\xF3\xB3ty s\xB3upek\r\n");
  }
  SavedEditorBounds() = EditorBounds();
  TjxeditForm form(path, true, 5);
  form.show();
  SaveScreenshot(&form, "editor-window.png", QSize(560, 320));
  form.ReplaceDialog->SetFindText(QString::fromUtf8("słupek"));
  form.ReplaceDialog->SetReplaceText(QString::fromUtf8("kamień"));
  form.SpeedButton9Click();
  SaveScreenshot(form.ReplaceDialog, "editor-replace-dialog.png", QSize());
  form.ReplaceDialog->close();
}

}  // namespace
