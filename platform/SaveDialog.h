// The save-file dialog as a replaceable service: a window describes the
// dialog it wants (filter, options, proposed name and folder), the service
// runs it, and tests put a scripted one in place (see FileDialog.h).
#pragma once

#include <string>

#include "platform/FileDialog.h"

namespace platform {

// Option bit of the save dialog beyond the common ones.
inline constexpr int kOfnOverwritePrompt = 0x2;

struct SaveDialogRequest : FileDialogRequest {
  std::string default_ext;  // added to a name typed without one; empty: none
};

using SaveDialogService = FileDialogService<SaveDialogRequest>;
using ScriptedSaveDialogs = ScriptedFileDialogs<SaveDialogRequest>;

inline SaveDialogService* SetSaveDialogs(SaveDialogService* service) {
  return SetFileDialogs(service);
}

}  // namespace platform
