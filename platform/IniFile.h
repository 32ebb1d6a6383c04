// One value of an ini file, read as the system's own programs read it:
// on Windows by the profile functions (GetPrivateProfileStringW), on
// Linux by the ini library. Section and key names ignore letter case; the
// first occurrence of a key in the section wins.
#pragma once

#include <string>

#include "platform/Env.h"

namespace platform {

// The text of `key` in `section` of the file at `path`, surrounding blanks
// removed. False when the file, the section or the key is missing, or the
// file cannot be read (or is far too large to be an ini file).
bool ReadIniString(Env* env, const std::string& path, const std::string& section,
                   const std::string& key, std::string* value);

}  // namespace platform
