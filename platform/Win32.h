// <windows.h> without the macros that would rename Env's methods
// (CopyFile becomes CopyFileA): the wide functions are called by name.
#pragma once

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef MoveFile
#undef RemoveDirectory
