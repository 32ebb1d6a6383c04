// Whole-file reads and writes for the tests of windows that load and save
// text files.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace testing_util {

// The file's bytes; a file that cannot be read compares unequal to any
// expected content.
inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace testing_util
