// Qt's own words in Polish: the file dialogs, the Yes and No of the message
// boxes, the context menus of the edits, Qt's own notices. Loaded always,
// whatever the system's language: every word of the program is Polish, so
// the library's must be too.
#pragma once

class QCoreApplication;

namespace controls {

// Installs Qt's Polish translation into the application; false when the
// translation files are missing (Qt then speaks English).
bool InstallPolishQtTranslation(QCoreApplication* app);

}  // namespace controls
