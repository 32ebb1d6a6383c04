// Message boxes through Qt.
#include "controls/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>

namespace controls {

namespace {

// The title of a box the caller left without one: the program's name, not
// the name of its executable.
constexpr char kProgramName[] = "Podział plików z danymi opisowymi";

// A path is never broken at a separator: word joiners between its
// characters keep it on one line, and one that follows a colon starts a line of its
// own, so the completion box reads as one path.
QString BoxText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  static const QRegularExpression kAfterColon(QStringLiteral(": (\\S*/)"));
  shown.replace(kAfterColon, QStringLiteral(":\n\\1"));
  static const QRegularExpression kPath(QStringLiteral("\\S*/\\S*"));
  QString out;
  qsizetype done = 0;
  for (auto it = kPath.globalMatch(shown); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += shown.mid(done, m.capturedStart() - done);
    // Between every two characters: a path breaks at hyphens and dots too.
    const QString path = m.captured();
    for (qsizetype i = 0; i < path.size(); ++i) {
      if (i > 0) out += QChar(0x2060);
      out += path[i];
    }
    done = m.capturedEnd();
  }
  return out + shown.mid(done);
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& title,
                                            int flags, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setTextFormat(Qt::PlainText);
  box->setText(BoxText(text));
  box->setWindowTitle(QString::fromUtf8(title.empty() ? kProgramName : title.c_str()));
  switch (flags & 0xF0) {
    case platform::kMbIconError:
      box->setIcon(QMessageBox::Critical);
      break;
    case platform::kMbIconQuestion:
      box->setIcon(QMessageBox::Question);
      break;
    case platform::kMbIconWarning:
      box->setIcon(QMessageBox::Warning);
      break;
    case platform::kMbIconInformation:
      box->setIcon(QMessageBox::Information);
      break;
    default:
      box->setIcon(QMessageBox::NoIcon);
  }
  if ((flags & 0xF) == platform::kMbYesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  return box;
}

int MessageBoxResult(int qt_button) {
  switch (qt_button) {
    case QMessageBox::Yes:
      return platform::kIdYes;
    case QMessageBox::No:
      return platform::kIdNo;
    case QMessageBox::Ok:
      return platform::kIdOk;
    default:
      return platform::kIdCancel;
  }
}

int QtMessageBoxes::Show(const std::string& text, const std::string& title, int flags) {
  auto box = MakeMessageBox(text, title, flags, QApplication::activeWindow());
  return MessageBoxResult(box->exec());
}

}  // namespace controls
