// Window pictures for people to look at: saved as PNG files under the build
// folder's screenshots/, each checked to hold a drawn window of the expected
// size, not a blank.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QSize>
#include <QWidget>

namespace testing_util {

// Saves the widget's picture as `name`; an invalid `expected` size is not
// checked.
inline void SaveScreenshot(QWidget* w, const char* name, QSize expected) {
  const QString dir = QStringLiteral(PODZIAL_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(dir));
  const QImage image = w->grab().toImage();
  ASSERT_FALSE(image.isNull()) << name;
  if (expected.isValid()) {
    EXPECT_EQ(image.size(), expected) << name;
  }
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 3) << name << " looks blank";
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  ASSERT_TRUE(image.save(path)) << path.toStdString();
  EXPECT_GT(QFileInfo(path).size(), 0);
}

}  // namespace testing_util
