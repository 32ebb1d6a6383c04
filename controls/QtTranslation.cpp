// Qt's Polish translation.
#include "controls/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace controls {

bool InstallPolishQtTranslation(QCoreApplication* app) {
  // Dates and sizes in the file dialog the Polish way as well.
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  // Owned by the application: gone with it.
  static QPointer<QTranslator> translator;
  if (translator) return true;
  auto* t = new QTranslator(app);
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!t->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
               QStringLiteral("_"), dir)) {
    delete t;
    return false;
  }
  app->installTranslator(t);
  translator = t;
  return true;
}

}  // namespace controls
