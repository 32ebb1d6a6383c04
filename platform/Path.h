// Path arithmetic of the runtime library, for this operating system: the
// separator is '/' and there are no drive letters. A directory that is
// prefixed to a file name carries a trailing separator.
#pragma once

#include <string>

namespace platform {

inline constexpr char kPathDelim = '/';

// P up to and including its last separator; empty if there is none.
std::string ExtractFilePath(const std::string& p);
// The same without the final separator, unless the separator is the root
// ("/x.dat" gives "/") or follows another separator.
std::string ExtractFileDir(const std::string& p);
// The part after the last separator.
std::string ExtractFileName(const std::string& p);
// From the last dot after the last separator, dot included; empty if none.
std::string ExtractFileExt(const std::string& p);

}  // namespace platform
