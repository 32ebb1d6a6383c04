// The save-dialog service over Qt's own file dialog, set up like the open
// dialog (shared parts in QtFileDialogs.h) so both behave the same everywhere.
#pragma once

#include "controls/QtFileDialogs.h"
#include "platform/SaveDialog.h"

namespace controls {

class QtSaveDialogs : public platform::SaveDialogService {
 public:
  // Modal over the active window. With kOfnOverwritePrompt an existing file
  // is replaced only after a question; with kOfnPathMustExist a name in a
  // folder that does not exist is refused and the dialog asks again.
  bool Execute(platform::SaveDialogRequest& request) override;

  // Sets the dialog up for a request without running it.
  static void Prepare(QFileDialog& dialog, const platform::SaveDialogRequest& request);
};

}  // namespace controls
