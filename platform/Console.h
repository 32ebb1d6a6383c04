// The console the command line runs in: whether a standard stream is a
// terminal, UTF-8 text both ways, and the program's arguments as UTF-8.
#pragma once

namespace platform {

enum class StdStream { kIn, kOut, kErr };

// Whether the stream is a terminal (Windows: a console), not a file or a
// pipe.
bool IsTerminal(StdStream stream);

// Makes a console show and take UTF-8 text and draw the escape sequences
// of the progress bar, and lets standard output and error carry their
// bytes unchanged, so that the program writes the same bytes (line ends
// "\n") on every system. Nothing to do on POSIX.
void PrepareConsole();

// Lets a stream carry bytes unchanged: Windows turns "\r\n" into "\n"
// on input and back on output in the text mode it starts in.
void SetBinaryMode(StdStream stream);

// The program's arguments as UTF-8: Windows hands main() its arguments in
// the ANSI code page, which cannot spell every file name. Returns argv
// itself on POSIX; the array lives until the process ends.
char** Utf8Arguments(int argc, char** argv);

}  // namespace platform
