// Renders the text editor window and its replace dialog to PNG files under
// the build folder, as the main window's pictures are made. Each picture is
// checked to hold a drawn window of the expected size, not a blank.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTemporaryDir>

#include "controls/GuiTestUtil.h"
#include "controls/Jxedit.h"
#include "controls/ReplaceDialog.h"

namespace {

const QString kDir = QStringLiteral(PODZIAL_BINARY_DIR "/screenshots");

void Save(QWidget* w, const char* name, QSize expected) {
  ASSERT_TRUE(QDir().mkpath(kDir));
  const QImage image = w->grab().toImage();
  ASSERT_FALSE(image.isNull()) << name;
  if (expected.isValid()) {
    EXPECT_EQ(image.size(), expected) << name;
  }
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 3) << name << " looks blank";
  const QString path = kDir + QLatin1Char('/') + QLatin1String(name);
  ASSERT_TRUE(image.save(path)) << path.toStdString();
  EXPECT_GT(QFileInfo(path).size(), 0);
}

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
  EditorBounds() = TEditorBounds();
  TjxeditForm form(path, true, 5);
  form.show();
  Save(&form, "editor-window.png", QSize(560, 320));
  form.ReplaceDialog->SetFindText(QString::fromUtf8("słupek"));
  form.ReplaceDialog->SetReplaceText(QString::fromUtf8("kamień"));
  form.SpeedButton9Click();
  Save(form.ReplaceDialog, "editor-replace-dialog.png", QSize());
  form.ReplaceDialog->close();
}

}  // namespace
