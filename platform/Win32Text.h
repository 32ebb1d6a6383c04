// UTF-8 inside the program, UTF-16 at the Windows boundary. Windows only.
#pragma once

#include <string>

namespace platform {

std::wstring ToWide(const std::string& utf8);
std::string FromWide(const wchar_t* utf16, size_t length);
std::string FromWide(const std::wstring& utf16);
std::string FromWide(const wchar_t* utf16);
// A path for the wide file functions: UTF-16, and past the classic length
// limit made absolute with the "\\?\" prefix that lifts it.
std::wstring WidePath(const std::string& utf8);
// The system's text for an error code, in UTF-8, without the line end.
std::string ErrorText(unsigned long code);

}  // namespace platform
