// The open-dialog service over Qt's own file dialog (shared parts in
// QtFileDialogs.h).
#pragma once

#include "controls/QtFileDialogs.h"
#include "platform/OpenDialog.h"

namespace controls {

// The title of a folder chooser that was given none.
inline constexpr char kPickFolderTitle[] = "Wybierz katalog";

class QtOpenDialogs : public platform::OpenDialogService {
 public:
  // Modal over the active window. A folder chooser gives an existing
  // folder. With kOfnFileMustExist only an existing file can be chosen; otherwise any name may be
  // typed, in an existing folder when kOfnPathMustExist is set.
  bool Execute(platform::OpenDialogRequest& request) override;

  // Sets the dialog up for a request without running it.
  static void Prepare(QFileDialog& dialog, const platform::OpenDialogRequest& request);
};

}  // namespace controls
