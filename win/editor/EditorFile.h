// The editor's files read and written whole through the platform's Env;
// what their bytes mean is the editor model's (ui/EditorModel.h).
#pragma once

#include <string>

#include "platform/Env.h"
#include "ui/EditorModel.h"

namespace win {

// The whole file into *bytes (empty unless kLoaded). A file over
// ui::kMaxEditorFileSize counts as unreadable.
ui::LoadOutcome ReadEditorFile(platform::Env* env, const std::string& path, std::string* bytes);

// Writes bytes as the whole file: into a new file beside it, which then
// takes the old one's name, so the old content stays complete until the
// new one is. False when the file could not be written.
bool WriteEditorFile(platform::Env* env, const std::string& path, const std::string& bytes);

}  // namespace win
