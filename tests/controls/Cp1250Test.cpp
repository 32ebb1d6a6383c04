// Code page 1250 conversion and the editor's files on disk.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "controls/Cp1250.h"
#include "controls/PlainTextFile.h"
#include "controls/QtFiles.h"

using namespace controls;

namespace {

QByteArray AllBytes() {
  QByteArray bytes;
  for (int b = 0; b < 256; ++b) bytes.append(static_cast<char>(b));
  return bytes;
}

// glibc's converter for one byte; -1 when it has no character for it.
int IconvCharacter(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-16LE", "CP1250");
  if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
  char in[1] = {static_cast<char>(byte)};
  char out[4] = {};
  char* inp = in;
  char* outp = out;
  size_t inLeft = 1, outLeft = sizeof out;
  const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || outLeft != 2) return -1;
  return static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8;
}

using testing_util::ReadAll;
using testing_util::WriteAll;

TEST(Cp1250, EveryByteHasOneCharacterAndComesBack) {
  const QString text = DecodeCp1250(AllBytes());
  ASSERT_EQ(text.size(), 256);
  qsizetype unmapped = -1;
  EXPECT_EQ(EncodeCp1250(text, &unmapped), AllBytes());
  EXPECT_EQ(unmapped, 0);
}

TEST(Cp1250, AgreesWithIconvAndKeepsBytesWithoutCharacter) {
  const QString text = DecodeCp1250(AllBytes());
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const int expected = IconvCharacter(static_cast<unsigned char>(b));
    ASSERT_NE(expected, -2) << "iconv has no CP1250";
    if (expected == -1) {
      ++undefined;
      // No character in the code page: the control character of that value.
      EXPECT_EQ(text[b].unicode(), b) << "byte " << b;
    } else {
      EXPECT_EQ(text[b].unicode(), expected) << "byte " << b;
    }
  }
  EXPECT_EQ(undefined, 5);
}

TEST(Cp1250, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  // The euro sign is in the code page; the arrow, the emoji (a surrogate
  // pair) and U+0080 are not.
  const QString text = QString::fromUtf8("a€→😀\u0080b");
  qsizetype unmapped = 0;
  EXPECT_EQ(EncodeCp1250(text, &unmapped), QByteArray("a\x80???b"));
  EXPECT_EQ(unmapped, 3);
  // A lone high surrogate is one character too.
  EXPECT_EQ(EncodeCp1250(QString(QChar(0xD800)) + u'x'), QByteArray("?x"));
}

// What is read and written is the file's bytes, whole (their meaning is
// tested in tests/ui/EditorModelTest.cpp).
TEST(PlainTextFile, ReadAndWriteBackAreByteIdentical) {
  QTemporaryDir dir;
  const QByteArray bytes("Zaj\xEA\x63ie\r\n\xA0\x81\x83\x88\x90\x98\r\n\r\nkoniec");
  const QString path = dir.filePath("t.txt");
  WriteAll(path, bytes);
  QByteArray read;
  ASSERT_EQ(ReadPlainBytes(path, &read), ui::LoadOutcome::kLoaded);
  EXPECT_EQ(read, bytes);
  const QString copy = dir.filePath("copy.txt");
  QString error;
  ASSERT_TRUE(WritePlainText(copy, read, &error));
  EXPECT_EQ(ReadAll(copy), bytes);
}

TEST(PlainTextFile, MissingUnreadableAndOversizedFiles) {
  QTemporaryDir dir;
  QByteArray read = "stale";
  EXPECT_EQ(ReadPlainBytes(dir.filePath("brak.txt"), &read), ui::LoadOutcome::kMissing);
  EXPECT_TRUE(read.isEmpty());
  // A directory is no text file.
  EXPECT_EQ(ReadPlainBytes(dir.path(), &read), ui::LoadOutcome::kFailed);
  // A (sparse) file over the limit is not read into memory.
  const QString big = dir.filePath("big.txt");
  {
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(static_cast<qint64>(ui::kMaxEditorFileSize) + 1));
  }
  read = "stale";
  EXPECT_EQ(ReadPlainBytes(big, &read), ui::LoadOutcome::kFailed);
  EXPECT_TRUE(read.isEmpty());
}

TEST(PlainTextFile, WriteFailureKeepsTheOldFileAndSaysWhy) {
  QTemporaryDir dir;
  QString error;
  EXPECT_FALSE(WritePlainText(dir.filePath("brak/t.txt"), "x", &error));
  EXPECT_TRUE(error.startsWith(QString::fromUtf8("Nie można zapisać pliku: ")))
      << error.toStdString();
  // Writing over a directory fails and leaves it as it was.
  const QString sub = dir.filePath("sub");
  ASSERT_TRUE(QDir().mkdir(sub));
  EXPECT_FALSE(WritePlainText(sub, "x", &error));
  EXPECT_TRUE(QFileInfo(sub).isDir());
}

}  // namespace
