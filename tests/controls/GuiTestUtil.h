// What the window tests share: one QApplication for the whole executable
// (on the offscreen platform unless told otherwise), finding controls by
// name, and typing that copes with Polish letters.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWidget>

namespace testing_util {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Run directly, a test binary still needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) app_ = new QApplication(argc_, argv_);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[8] = "podzial";
  char* argv_[2] = {name_, nullptr};
  QApplication* app_ = nullptr;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// The child of `parent` called `name`; a missing one fails the test.
template <class W>
W* FindNamed(const QObject& parent, const char* name) {
  W* w = parent.findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// Types text key by key. QTest::keyClicks aborts on letters outside ASCII,
// so each character goes as a key event carrying its text.
inline void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    if (ch.unicode() < 128 && ch.isPrint())
      QTest::keyClick(w, ch.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
}

}  // namespace testing_util
