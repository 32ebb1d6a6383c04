// What the open and save services over Qt's own file dialog share (not the
// desktop's dialog, so both behave the same everywhere and take the filters
// as given).
#pragma once

#include <QStringList>
#include <string>

#include "platform/FileDialog.h"

class QFileDialog;

namespace controls {

// "Dane (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*" as Qt name filters:
// "Dane (*.dat *.dan)", "Wszystkie (*)". "*.*" means every file.
QStringList QtNameFilters(const std::string& filter);

// Sets up what every request has: Qt's dialog, sizing, title, filters and
// starting folder. Called first; the name to select is set after it.
void PrepareQtFileDialog(QFileDialog& dialog, const platform::FileDialogRequest& request);

// Runs a prepared dialog until the user confirms a name or cancels. With
// kOfnPathMustExist a name in a folder that does not exist is refused and
// the dialog asks again. True with the choice in request.file_name.
bool RunQtFileDialog(QFileDialog& dialog, platform::FileDialogRequest& request);

}  // namespace controls
