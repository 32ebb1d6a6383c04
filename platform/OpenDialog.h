// The open-file dialog as a replaceable service: the windows describe the
// dialog they want (filter, options, starting name and folder), the service
// runs it, and tests put a scripted one in place (see FileDialog.h).
#pragma once

#include "platform/FileDialog.h"

namespace platform {

// Option bits of the open dialog beyond the common ones.
inline constexpr int kOfnNoValidate = 0x100;
inline constexpr int kOfnFileMustExist = 0x1000;

struct OpenDialogRequest : FileDialogRequest {
  // A folder chooser: file_name is ignored, the choice is a folder.
  bool pick_folder = false;
};

using OpenDialogService = FileDialogService<OpenDialogRequest>;
using ScriptedOpenDialogs = ScriptedFileDialogs<OpenDialogRequest>;

inline OpenDialogService* SetOpenDialogs(OpenDialogService* service) {
  return SetFileDialogs(service);
}

}  // namespace platform
