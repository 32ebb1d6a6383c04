// Unit Common: the small file and path helpers of the division engine. Paths
// use this system's separator ('/'); a directory that is prefixed to a file
// name carries a trailing separator. Every file-system access goes through
// the Env given (the process default when none).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Env.h"

namespace engine {

// Draws at most this many candidates before UniqueName gives up.
inline constexpr int kUniqueNameDraws = 100000;

// A path Base + decimal number + Ext that names neither a file nor a
// directory; nothing is created (except the temporary directory when Base
// has no directory part and is placed there). The number is drawn below
// 10^(8 - length of Base's file-name part). Raises EngineError "Nie udało
// się utworzyć unikalnej nazwy: " + Base when every draw names an entry.
std::string UniqueName(const std::string& Base, const std::string& Ext,
                       platform::Env* env = platform::Env::Default());

// Reseeds the generator UniqueName draws from, from the clock.
void Randomize();
// Seeds it with a fixed value (tests).
void RandSeed(uint32_t seed);

// Hexadecimal text to a 32-bit value: 4-bit shifts that drop higher bits,
// every character other than 0-9, a-f, A-F counting as the digit 0.
int32_t HexToInt(const std::string& S);

// S with a trailing separator; the empty string stays empty.
std::string IncludeBackslash(const std::string& S);

// FileName with its extension (from the last dot of the file-name part)
// replaced by Ext, or with Ext appended when it has none.
std::string ChangeExt(const std::string& FileName, const std::string& Ext);
// FileName without its extension and its dot.
std::string RemoveExt(const std::string& FileName);

// Removes Dir with everything in it, depth first, ignoring every failure.
// Symbolic links are removed, never followed.
void DeleteTree(const std::string& Dir, platform::Env* env = platform::Env::Default());

// The folder of a resolved path with its separator; a bare file name lives
// in the current directory.
std::string FolderOf(const std::string& path);

// A file as reports and messages name it: its name as the disk spells it
// (the lookup ignores letter case), without a leading "./".
std::string ShownPath(platform::Env* env, const std::string& path);

// Eight upper-case hexadecimal digits of the value's two's complement.
std::string IntToHex8(int32_t value);

// Whether a file name is "stem" or "stem.<anything>", letter case ignored:
// what the pattern stem + ".*" finds.
bool HasStem(const std::string& name, const std::string& stem);
// Whether a file name is the description file data_name itself or one of
// its continuation files (stem + ".001" .. ".999"), letter case ignored.
bool IsDescriptionSetFile(const std::string& name, const std::string& data_name);

}  // namespace engine
